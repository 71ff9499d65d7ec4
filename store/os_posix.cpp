// store/os_posix.cpp - the file seam on POSIX: a new file beside the target, made with mkstemp,
// flushed with fsync and renamed over it; backups as hard links where the file system allows.
#include "store/os_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

int create_temp_beside(const char *target, int text, temp_file &t)
{
    (void)text; // POSIX text mode is binary mode
    std::error_code ec;
    fs::path real = fs::canonical(target, ec);
    t.target = ec ? std::string(target) : real.string();
    mode_t mode;
    struct stat st;
    if (stat(t.target.c_str(), &st) == 0) {
        // no write bit at all is refused even for root, as Windows refuses a read-only file
        if (S_ISDIR(st.st_mode) || access(t.target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
            return 0;
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    t.name = directory_of(t.target) + "/." + fs::path(t.target).filename().string() + ".XXXXXX";
    int fd = mkstemp(t.name.data());
    if (fd < 0)
        return 0;
    if (fchmod(fd, mode) != 0 || !(t.f = fdopen(fd, "w"))) {
        close(fd);
        std::remove(t.name.c_str());
        return 0;
    }
    return 1;
}

int flush_to_disk(std::FILE *f) { return fsync(fileno(f)) == 0; }

// A rename lasts only once its directory reaches the disk.
static void flush_directory_of(const std::string &path)
{
    int dir = open(directory_of(path).c_str(), O_RDONLY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

int rename_over(const temp_file &t)
{
    if (std::rename(t.name.c_str(), t.target.c_str()) != 0)
        return 0;
    flush_directory_of(t.target);
    return 1;
}

// A second name for old under a temporary name beside backup, then renamed to it.
int link_as(const std::string &old, const std::string &backup)
{
    std::string base = fs::path(backup).filename().string();
    for (unsigned attempt = 0; attempt < 100; attempt++) {
        std::string temp = directory_of(backup) + "/." + base + "." + std::to_string(getpid()) +
                           "." + std::to_string(attempt);
        if (link(old.c_str(), temp.c_str()) != 0) {
            if (errno == EEXIST)
                continue;
            return 0;
        }
        int ok = std::rename(temp.c_str(), backup.c_str()) == 0;
        unlink(temp.c_str()); // left where the rename failed, or found backup already old's
        if (ok)
            flush_directory_of(backup);
        return ok;
    }
    return 0;
}

int copy_mode(const std::string &from, std::FILE *to)
{
    struct stat st;
    return stat(from.c_str(), &st) == 0 && fchmod(fileno(to), st.st_mode & 07777) == 0;
}
