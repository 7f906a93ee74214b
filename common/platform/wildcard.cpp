// Windows-style wildcard matching, shared by every flavour that enumerates folders itself.
//
// '*' takes any run of characters and '?' exactly one; ASCII letters compare without regard to case. A dot
// that ends the mask, or that only stars follow, may also match the end of a name, as on Windows ("*." takes
// names without an extension, "doc.*" takes "doc"); stars right before such a dot never take the name's last
// dot, so "*." does not take "a.txt" and "*.*" takes every name. Any other dot is a plain character: "*.pdf"
// never takes "report.pdfx".
#include <algorithm>
#include <string_view>
#include <vector>

#include "common/platform/platform.h"

namespace platform {
namespace {

enum class Step : char {
    Character,     // the mask's character, letters without regard to case
    AnyOne,        // '?'
    AnyRun,        // '*'
    RunBeforeDot,  // '*' right before a final dot: never takes the name's last dot
    DotOrNameEnd,  // the final dot: a '.' of the name, or the end of the name
};

struct MaskStep {
    Step step;
    char character;
};

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Where the dot is that ends the mask or that only stars follow; npos when there is none.
std::size_t FinalDot(std::string_view mask) {
    std::size_t last = mask.find_last_not_of('*');
    return last != std::string_view::npos && mask[last] == '.' ? last : std::string_view::npos;
}

std::vector<MaskStep> StepsOf(std::string_view mask) {
    std::size_t finalDot = FinalDot(mask);
    std::vector<MaskStep> steps;
    steps.reserve(mask.size());
    for (std::size_t i = 0; i < mask.size(); ++i) {
        Step step = Step::Character;
        if (i == finalDot)
            step = Step::DotOrNameEnd;
        else if (mask[i] == '*')
            step = finalDot != std::string_view::npos && i < finalDot &&
                           mask.find_first_not_of('*', i) == finalDot
                       ? Step::RunBeforeDot
                       : Step::AnyRun;
        else if (mask[i] == '?')
            step = Step::AnyOne;
        steps.push_back({step, LowerAscii(mask[i])});
    }
    return steps;
}

// Adds the steps reached without taking a character: past a star (it may take nothing) and, at the end of
// the name, past the final dot.
void Close(const std::vector<MaskStep>& steps, std::vector<char>& active, bool atNameEnd) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (!active[i]) continue;
        Step s = steps[i].step;
        if (s == Step::AnyRun || s == Step::RunBeforeDot || (s == Step::DotOrNameEnd && atNameEnd))
            active[i + 1] = 1;
    }
}

// Runs every way through the mask at once: time grows with name length times mask length, never more, for
// any mask (no backtracking).
bool Matches(std::string_view name, const std::vector<MaskStep>& steps) {
    std::size_t lastDot = name.rfind('.');
    std::vector<char> active(steps.size() + 1, 0), next(steps.size() + 1, 0);
    active[0] = 1;
    Close(steps, active, name.empty());
    for (std::size_t at = 0; at < name.size(); ++at) {
        char c = LowerAscii(name[at]);
        std::fill(next.begin(), next.end(), 0);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            if (!active[i]) continue;
            const MaskStep& s = steps[i];
            switch (s.step) {
                case Step::Character:
                    if (s.character == c) next[i + 1] = 1;
                    break;
                case Step::AnyOne:
                    next[i + 1] = 1;
                    break;
                case Step::AnyRun:
                    next[i] = 1;
                    break;
                case Step::RunBeforeDot:
                    if (at != lastDot) next[i] = 1;
                    break;
                case Step::DotOrNameEnd:
                    if (c == '.') next[i + 1] = 1;
                    break;
            }
        }
        active.swap(next);
        Close(steps, active, at + 1 == name.size());
    }
    return active[steps.size()] != 0;
}

}  // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
    if (name == "." || name == "..") return false;
    return Matches(name, StepsOf(mask));
}

}  // namespace platform
