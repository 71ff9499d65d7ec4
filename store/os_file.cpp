// store/os_file.cpp - the only place that knows which system it runs on.
#include "store/os_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
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

static int rename_over(const temp_file &t)
{
    if (std::rename(t.name.c_str(), t.target.c_str()) != 0)
        return 0;
    // the rename itself lasts only once the directory reaches the disk
    int dir = open(directory_of(t.target).c_str(), O_RDONLY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return 1;
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

int replace_file(temp_file &t)
{
    if (rename_over(t))
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
