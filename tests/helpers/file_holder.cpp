// Holds a file the way a writing program does, until its standard input closes.
//   FileHolder open-write PATH | fcntl-lock PATH | flock PATH
// Prints "ready" once the file is held.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    int fd = open(argv[2], O_RDWR | O_CREAT, 0644);
    if (fd < 0) return 3;
    if (std::strcmp(argv[1], "fcntl-lock") == 0) {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        if (fcntl(fd, F_SETLK, &lock) != 0) return 4;
    } else if (std::strcmp(argv[1], "flock") == 0) {
        if (flock(fd, LOCK_EX) != 0) return 4;
    } else if (std::strcmp(argv[1], "open-write") != 0) {
        return 2;
    }
    std::puts("ready");
    std::fflush(stdout);
    char c;
    while (read(0, &c, 1) > 0) {
    }
    return 0;
}
