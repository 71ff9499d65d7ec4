// edit/lock_posix.cpp - one editor at a time in a folder, on POSIX.
#include "edit/state.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// The lock is flock's, on a file kept open: the kernel lets go of it when the process ends,
// however it ends. A file left by a killed editor is taken over, and removed by the next quit.
static int lock_fd = -1;
static std::string lock_name;

int lock_folder(const char *name)
{
    for (int attempt = 0; attempt < 10; attempt++) {
        int fd = open(name, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0)
            return 1; // no lock can be made in a folder we cannot write: nor by another
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            int busy = errno == EWOULDBLOCK;
            close(fd);
            return !busy;
        }
        // the file an editor removed as it quit is no lock: take the one in the folder now
        struct stat held, named;
        if (fstat(fd, &held) == 0 && stat(name, &named) == 0 && held.st_ino == named.st_ino &&
            held.st_dev == named.st_dev) {
            lock_fd = fd;
            lock_name = name;
            return 1;
        }
        close(fd);
    }
    return 1;
}

// Removed while still held, so that no other editor can take the name's lock in between.
void unlock_folder()
{
    if (lock_fd < 0)
        return;
    unlink(lock_name.c_str());
    close(lock_fd);
    lock_fd = -1;
}
