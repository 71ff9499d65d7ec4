// store/os_posix.cpp - the file seam on POSIX: a new file beside the target, made with mkstemp,
// flushed with fsync and renamed over it; backups as hard links where the file system allows.
#include "store/os_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

// The temporary files of this run, the last few, where a signal handler may read them. A name
// already renamed or removed is none any more: removing it again does nothing.
static char temps[4][4096];
static volatile std::sig_atomic_t nb_temps = 0;

static void note_temp(const std::string &name)
{
    sigset_t all, was; // a handler never reads a name half written
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &was);
    if (name.size() < sizeof temps[0]) {
        std::memcpy(temps[nb_temps % 4], name.c_str(), name.size() + 1);
        nb_temps = nb_temps + 1;
    }
    sigprocmask(SIG_SETMASK, &was, nullptr);
}

static void remove_temps(int sig)
{
    for (int k = 0; k < 4 && k < nb_temps; k++)
        unlink(temps[k]);
    signal(sig, SIG_DFL);
    raise(sig);
}

void remove_temps_on_interrupt()
{
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        struct sigaction was;
        if (sigaction(sig, nullptr, &was) == 0 && was.sa_handler == SIG_DFL)
            signal(sig, remove_temps);
    }
}

int create_temp_beside(const char *target, int text, temp_file &t, bool own_entry)
{
    (void)text; // POSIX text mode is binary mode
    std::error_code ec;
    fs::path real = own_entry ? fs::path(target) : fs::canonical(target, ec);
    t.target = ec ? std::string(target) : real.string();
    mode_t mask = umask(0);
    umask(mask);
    mode_t mode = 0666 & ~mask;
    struct stat st;
    if (!own_entry && stat(t.target.c_str(), &st) == 0) {
        // no write bit at all is refused even for root, as Windows refuses a read-only file
        if (!S_ISREG(st.st_mode) || access(t.target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
            return 0;
        mode = st.st_mode & 07777;
    }
    t.name = directory_of(t.target) + "/." + fs::path(t.target).filename().string() + ".XXXXXX";
    int fd = mkstemp(t.name.data());
    if (fd < 0)
        return 0;
    note_temp(t.name);
    if (fchmod(fd, mode) != 0 || !(t.f = fdopen(fd, "w"))) {
        close(fd);
        std::remove(t.name.c_str());
        return 0;
    }
    return 1;
}

std::FILE *open_regular(const char *path)
{
    // O_NONBLOCK: a FIFO with no writer must not hold the open; a regular file ignores it
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st;
    if (fd < 0)
        return nullptr;
    std::FILE *f = nullptr;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && fcntl(fd, F_SETFL, 0) == 0)
        f = fdopen(fd, "rb");
    if (!f) {
        close(fd);
        errno = EACCES;
    }
    return f;
}

std::FILE *open_unnamed_temp()
{
    // in the folder, where the saves write too; its name removed at once, so never left behind
    std::string name = "./.vellumix.XXXXXX";
    int fd = mkstemp(name.data());
    if (fd < 0)
        return nullptr;
    std::remove(name.c_str());
    std::FILE *f = fdopen(fd, "w+b");
    if (!f)
        close(fd);
    return f;
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

int rename_over(const std::string &from, const std::string &to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return 0;
    flush_directory_of(to);
    return 1;
}

int replace_target(const std::string &from, const std::string &target)
{
    return rename_over(from, target);
}

// A link fails where a name is taken, which rename would replace; a file system without hard
// links can only be asked first.
int rename_new(const std::string &from, const std::string &to)
{
    struct stat st;
    if (link(from.c_str(), to.c_str()) == 0) {
        std::remove(from.c_str());
        flush_directory_of(to);
        return 1;
    }
    return errno != EEXIST && lstat(to.c_str(), &st) != 0 && errno == ENOENT &&
           rename_over(from, to);
}

int link_beside(const std::string &old, const std::string &near, std::string &name)
{
    std::string base = fs::path(near).filename().string();
    for (unsigned attempt = 0; attempt < 100; attempt++) {
        name = directory_of(near) + "/." + base + "." + std::to_string(getpid()) + "." +
               std::to_string(attempt);
        if (link(old.c_str(), name.c_str()) == 0) {
            note_temp(name);
            return 1;
        }
        if (errno != EEXIST)
            return 0;
    }
    return 0;
}

int wait_replaceable(const std::string &) { return 1; } // an open file never stops a rename

int copy_mode(const std::string &from, std::FILE *to)
{
    struct stat st;
    return stat(from.c_str(), &st) == 0 && fchmod(fileno(to), st.st_mode & 07777) == 0;
}
