// store/os_file.cpp - the file seam: replacing a file atomically and keeping its backup, on POSIX
// and on Windows. With the console's two files, the only code that knows which system it runs on.
#include "store/os_file.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

static std::string directory_of(const std::string &path)
{
    std::string dir = fs::path(path).parent_path().string();
    return dir.empty() ? std::string(".") : dir;
}

#ifdef _WIN32

int create_temp_beside(const char *target, int text, temp_file &t)
{
    t.target = target;
    DWORD attributes = GetFileAttributesA(target);
    // a read-only file was protected by its user: replacing it would undo that
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return 0;
    std::string base = fs::path(t.target).filename().string();
    for (unsigned attempt = 0; attempt < 100; attempt++) {
        t.name = directory_of(t.target) + "\\~" + base + "." +
                 std::to_string(GetCurrentProcessId()) + "." + std::to_string(attempt) + ".tmp";
        int fd =
            _open(t.name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | (text ? _O_TEXT : _O_BINARY),
                  _S_IREAD | _S_IWRITE);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return 0;
        }
        t.f = _fdopen(fd, text ? "w" : "wb");
        if (t.f)
            return 1;
        _close(fd);
        std::remove(t.name.c_str());
        return 0;
    }
    return 0;
}

static int flush_to_disk(std::FILE *f)
{
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)))) != 0;
}

static int rename_over(const temp_file &t)
{
    return MoveFileExA(t.name.c_str(), t.target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// A second name for old under a temporary name beside backup, then renamed to it.
static int link_as(const std::string &old, const std::string &backup)
{
    for (unsigned attempt = 0; attempt < 100; attempt++) {
        std::string temp = backup + "." + std::to_string(GetCurrentProcessId()) + "." +
                           std::to_string(attempt) + ".tmp";
        if (!CreateHardLinkA(temp.c_str(), old.c_str(), nullptr)) {
            if (GetLastError() == ERROR_ALREADY_EXISTS)
                continue;
            return 0;
        }
        int ok = MoveFileExA(temp.c_str(), backup.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        DeleteFileA(temp.c_str()); // left only where the move failed
        return ok;
    }
    return 0;
}

static int copy_mode(const std::string &, std::FILE *) { return 1; } // no read-only file gets here

// A file nobody else may open while we hold it, gone when its handle closes, however the
// process ends.
static HANDLE lock_handle = INVALID_HANDLE_VALUE;

int lock_folder(const char *name)
{
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() != ERROR_SHARING_VIOLATION; // else no lock can be made here
    lock_handle = h;
    return 1;
}

void unlock_folder()
{
    if (lock_handle != INVALID_HANDLE_VALUE)
        CloseHandle(lock_handle);
    lock_handle = INVALID_HANDLE_VALUE;
}

#else

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

static int flush_to_disk(std::FILE *f) { return fsync(fileno(f)) == 0; }

// A rename lasts only once its directory reaches the disk.
static void flush_directory_of(const std::string &path)
{
    int dir = open(directory_of(path).c_str(), O_RDONLY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

static int rename_over(const temp_file &t)
{
    if (std::rename(t.name.c_str(), t.target.c_str()) != 0)
        return 0;
    flush_directory_of(t.target);
    return 1;
}

// A second name for old under a temporary name beside backup, then renamed to it.
static int link_as(const std::string &old, const std::string &backup)
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

static int copy_mode(const std::string &from, std::FILE *to)
{
    struct stat st;
    return stat(from.c_str(), &st) == 0 && fchmod(fileno(to), st.st_mode & 07777) == 0;
}

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

#endif

int finish_temp(temp_file &t)
{
    int ok = std::fflush(t.f) == 0 && !std::ferror(t.f) && flush_to_disk(t.f);
    ok = std::fclose(t.f) == 0 && ok; // a full disk often shows only at close
    t.f = nullptr;
    if (!ok)
        std::remove(t.name.c_str());
    return ok;
}

int move_file(const char *from, const char *to)
{
    temp_file t;
    t.name = from;
    t.target = to;
    return rename_over(t);
}

int replace_file(temp_file &t)
{
    if (rename_over(t))
        return 1;
    std::remove(t.name.c_str());
    return 0;
}

// 1 = the two files hold the same bytes; 0 = they differ, or one could not be read.
static int same_content(const std::string &a, const std::string &b)
{
    static std::array<char, 65536> x, y;
    std::FILE *fa = std::fopen(a.c_str(), "rb"), *fb = std::fopen(b.c_str(), "rb");
    int same = fa && fb;
    while (same) {
        std::size_t na = std::fread(x.data(), 1, x.size(), fa);
        std::size_t nb = std::fread(y.data(), 1, y.size(), fb);
        same = na == nb && std::memcmp(x.data(), y.data(), na) == 0 && !std::ferror(fa) &&
               !std::ferror(fb);
        if (na < x.size())
            break;
    }
    if (fa)
        std::fclose(fa);
    if (fb)
        std::fclose(fb);
    return same;
}

int copy_stream(std::FILE *from, std::FILE *to, std::uint64_t &copied)
{
    static std::array<char, 65536> chunk;
    for (;;) {
        std::size_t got = std::fread(chunk.data(), 1, chunk.size(), from);
        std::size_t put = std::fwrite(chunk.data(), 1, got, to);
        copied += put;
        if (put != got || std::ferror(from))
            return 0;
        if (got < chunk.size())
            return 1;
    }
}

static int copy_as(const std::string &old, const char *backup)
{
    temp_file b;
    if (!create_temp_beside(backup, 0, b))
        return 0;
    std::FILE *from = std::fopen(old.c_str(), "rb");
    std::uint64_t copied = 0;
    int ok = from && copy_mode(old, b.f) && copy_stream(from, b.f, copied);
    if (from)
        std::fclose(from);
    if (!ok) {
        discard_temp(b);
        return 0;
    }
    return finish_temp(b) && replace_file(b);
}

bool backup_kept = false;

int keep_backup(temp_file &t, const char *backup)
{
    std::error_code ec;
    backup_kept = false;
    if (fs::status(t.target, ec).type() == fs::file_type::not_found ||
        fs::equivalent(t.target, backup, ec) || same_content(t.target, t.name))
        return 1;
    backup_kept = link_as(t.target, backup) || copy_as(t.target, backup);
    if (backup_kept)
        return 1;
    std::remove(t.name.c_str());
    return 0;
}

void discard_temp(temp_file &t)
{
    if (t.f)
        std::fclose(t.f);
    t.f = nullptr;
    std::remove(t.name.c_str());
}
