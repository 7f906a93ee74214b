// The PostgreSQL test server's processes, signalled directly: Linux only (the server runs only there).
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "database_servers.h"

namespace testing_support {

namespace postgres_server {

namespace {

// The server's main process and every child of it.
std::vector<int> ServerProcesses() {
    std::ifstream pidFile(ServerValue("StateDir") + "/data/postmaster.pid");
    int main = 0;
    if (!(pidFile >> main) || main <= 0)
        throw std::runtime_error("the PostgreSQL test server is not running");
    std::vector<int> processes{main};
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        std::size_t close = line.rfind(')');  // the program name may hold blanks and parentheses
        if (close == std::string::npos) continue;
        char state = 0;
        int parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) == 2 && parent == main)
            processes.push_back(std::atoi(entry.path().filename().c_str()));
    }
    return processes;
}

void SignalServer(int signal) {
    for (int process : ServerProcesses())
        kill(process, signal);
}

}  // namespace

void Freeze() {
    SignalServer(SIGSTOP);
}

void Thaw() {
    SignalServer(SIGCONT);
}

}  // namespace postgres_server

}  // namespace testing_support
