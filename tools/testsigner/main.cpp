// Test signer: records how it was called and ends the way a test asks.
//
// Environment (all optional):
//   TESTSIGNER_RECORD  file to which one line per call is appended: the arguments, each in <>
//   TESTSIGNER_EXIT    exit codes for the 1st, 2nd, ... call, blank-separated; the last one repeats
//                      (default 0). The call number is the number of lines already in the record file.
//   TESTSIGNER_SLEEP   seconds to sleep before ending
//   TESTSIGNER_SLEEP_MS milliseconds to sleep before ending (a signer that takes a little time)
//   TESTSIGNER_SIGNAL  signal number to end with instead of an exit code
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

int CountLines(const std::string& path) {
    std::ifstream in(path);
    int lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines;
}

int ExitCodeForCall(int call) {
    std::istringstream codes(Env("TESTSIGNER_EXIT"));
    std::vector<int> list;
    for (int code; codes >> code;)
        list.push_back(code);
    if (list.empty()) return 0;
    return list[static_cast<std::size_t>(call) < list.size() ? static_cast<std::size_t>(call)
                                                             : list.size() - 1];
}

}  // namespace

int main(int argc, char** argv) {
    std::string record = Env("TESTSIGNER_RECORD");
    int call = record.empty() ? 0 : CountLines(record);
    if (!record.empty()) {
        std::ofstream out(record, std::ios::app | std::ios::binary);  // LF lines on every OS
        for (int i = 1; i < argc; ++i)
            out << '<' << argv[i] << '>' << (i + 1 < argc ? " " : "");
        out << '\n';
    }
    if (!Env("TESTSIGNER_SLEEP").empty())
        std::this_thread::sleep_for(std::chrono::seconds(std::atoi(Env("TESTSIGNER_SLEEP").c_str())));
    if (!Env("TESTSIGNER_SLEEP_MS").empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(Env("TESTSIGNER_SLEEP_MS").c_str())));
    if (!Env("TESTSIGNER_SIGNAL").empty()) std::raise(std::atoi(Env("TESTSIGNER_SIGNAL").c_str()));
    return ExitCodeForCall(call);
}
