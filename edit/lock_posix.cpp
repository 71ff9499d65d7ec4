// edit/lock_posix.cpp - one editor at a time in a folder, on POSIX.
#include "edit/state.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// The lock is flock's, on the folder itself, kept open: no name in the folder can stand in its
// way and none is left behind, a folder that takes no new file is locked as any other, and the
// kernel lets go of it when the process ends, however it ends.
static int lock_fd = -1;

lock_result lock_folder(const char *)
{
    int fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return lock_result::none;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        lock_fd = fd;
        return lock_result::held;
    }
    const bool busy = errno == EWOULDBLOCK;
    close(fd);
    return busy ? lock_result::busy : lock_result::none;
}

void unlock_folder()
{
    if (lock_fd >= 0)
        close(lock_fd);
    lock_fd = -1;
}
