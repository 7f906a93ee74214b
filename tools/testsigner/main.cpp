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

#include "common/platform/platform.h"

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

// Appends one line in one write: several collectors' signers may record at once. Windows appends are
// not atomic between processes, but our append opening shares no write access, so a second signer waits
// here until the first has closed the record.
void Record(const std::string& path, const std::string& line) {
    platform::File out;
    for (int tries = 0; platform::OpenForAppend(path, out) != 0 && tries < 1000; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (out.IsOpen()) out.Write(line.data(), line.size());
}

}  // namespace

int main(int argc, char** argv) {
    std::string record = Env("TESTSIGNER_RECORD");
    int call = record.empty() ? 0 : CountLines(record);
    if (!record.empty()) {
        std::string line;  // LF lines on every OS
        for (int i = 1; i < argc; ++i)
            line += '<' + std::string(argv[i]) + '>' + (i + 1 < argc ? " " : "");
        Record(record, line + '\n');
    }
    if (!Env("TESTSIGNER_SLEEP").empty())
        std::this_thread::sleep_for(std::chrono::seconds(std::atoi(Env("TESTSIGNER_SLEEP").c_str())));
    if (!Env("TESTSIGNER_SLEEP_MS").empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(Env("TESTSIGNER_SLEEP_MS").c_str())));
    if (!Env("TESTSIGNER_SIGNAL").empty()) std::raise(std::atoi(Env("TESTSIGNER_SIGNAL").c_str()));
    return ExitCodeForCall(call);
}
