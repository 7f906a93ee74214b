// Test service host: appends one line about how it was started to host_calls.txt beside itself (its
// arguments, current folder, standard input, session, open descriptors and process id), then stays alive
// while a file named "hold" lies beside it (30 seconds at most), so that a test can see nobody waits for it.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadLink(const char* path) {
    char buffer[PATH_MAX];
    ssize_t n = readlink(path, buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

int OpenDescriptors() {
    DIR* fds = opendir("/proc/self/fd");
    if (!fds) return -1;
    int count = 0;
    while (dirent* entry = readdir(fds))
        if (entry->d_name[0] != '.') ++count;
    closedir(fds);
    return count - 1;  // the directory stream's own descriptor
}

}  // namespace

int main(int argc, char** argv) {
    std::string self = ReadLink("/proc/self/exe");
    std::string dir = self.substr(0, self.rfind('/'));
    char cwd[PATH_MAX] = "";
    std::ostringstream line;
    for (int i = 0; i < argc; ++i)
        line << '<' << argv[i] << "> ";
    line << "cwd=" << (getcwd(cwd, sizeof cwd) ? cwd : "?") << " stdin=" << ReadLink("/proc/self/fd/0")
         << " session=" << (getsid(0) == getpid() ? "own" : "inherited") << " fds=" << OpenDescriptors()
         << " pid=" << getpid() << '\n';
    std::ofstream(dir + "/host_calls.txt", std::ios::app) << line.str();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline && access((dir + "/hold").c_str(), F_OK) == 0)
        usleep(10000);
    return 0;
}
