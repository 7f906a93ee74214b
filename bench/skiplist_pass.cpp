// A collection pass over a hot folder whose files are all on the skip list (files that could not be moved):
// the cost every pass pays for them. Prints the time per pass and per file for each folder size given.
//
//   bench_skiplist_pass SIZE...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/settings.h"
#include "service/collect.h"

namespace fs = std::filesystem;

namespace {

double TimePass(SkipList& skipList) {
    auto start = std::chrono::steady_clock::now();
    CollectFiles(skipList);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void Measure(int size) {
    fs::path root = fs::temp_directory_path() / ("qc-bench-skip-" + std::to_string(size));
    fs::remove_all(root);
    fs::create_directories(root / "hot");
    SetProgramDirectoryForTesting(root.string());
    std::ofstream((root / "QuillCollector.ini").string())
        << "[General]\nHotFolderPath=" << (root / "hot").string() << "\nFileTypeMask=*.txt\nUseBackupFolder=1\n"
        << "BackupFolder=" << (root / "hot").string() << "\nDetailedLog=0\n";
    SkipList skipList;
    for (int i = 0; i < size; ++i) {
        std::string path = (root / "hot" / ("held-" + std::to_string(i) + ".txt")).string();
        std::ofstream(path) << "KEY\n";
        skipList.Add(path);
    }
    TimePass(skipList);  // warm the directory cache
    double best = 1e300;
    for (int run = 0; run < 3; ++run) best = std::min(best, TimePass(skipList));
    std::printf("skip-list pass: %6d files on the skip list: %8.1f ms per pass, %6.2f us per file\n", size, best,
                best * 1000.0 / size);
    fs::remove_all(root);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) Measure(std::atoi(argv[i]));
    return 0;
}
