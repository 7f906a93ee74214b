// Holds a file the way a writing Windows program does, until its standard input closes.
//   FileHolder open-write PATH    open for writing, others may only read
//   FileHolder exclusive PATH     open for reading and writing, no sharing at all
//   FileHolder read PATH          open for reading, others may read and write but not rename or delete
// Prints "ready" once the file is held.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    DWORD access = 0, share = 0;
    if (std::strcmp(argv[1], "open-write") == 0) {
        access = GENERIC_WRITE;
        share = FILE_SHARE_READ;
    } else if (std::strcmp(argv[1], "exclusive") == 0) {
        access = GENERIC_READ | GENERIC_WRITE;
    } else if (std::strcmp(argv[1], "read") == 0) {
        access = GENERIC_READ;
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    } else {
        return 2;
    }
    HANDLE file = CreateFileA(argv[2], access, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    std::puts("ready");
    std::fflush(stdout);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char c;
    DWORD got = 0;
    while (ReadFile(input, &c, 1, &got, nullptr) && got > 0) {
    }
    CloseHandle(file);
    return 0;
}
