// Times the service as the floor times itself, without a process per look: renames STAGING to HOT (the
// triggers arrive at once), then looks every millisecond until HOT is empty, and prints the seconds taken.
//
//   bench_drop_and_wait STAGING HOT
#include <dirent.h>
#include <time.h>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

// True when the folder holds nothing but "." and "..": the service removes its own folder last.
bool IsEmpty(const char* folder) {
    DIR* dir = opendir(folder);
    if (!dir) return false;
    bool empty = true;
    while (dirent* entry = readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            empty = false;
            break;
        }
    closedir(dir);
    return empty;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_drop_and_wait STAGING HOT\n");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    if (std::rename(argv[1], argv[2]) != 0) {
        std::perror("bench_drop_and_wait: rename");
        return 1;
    }
    const timespec pause{0, 1000000};
    while (!IsEmpty(argv[2]))
        nanosleep(&pause, nullptr);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.4f\n", seconds);
    return 0;
}
