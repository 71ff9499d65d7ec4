// store/os_win.cpp - the file seam on Windows: a new file beside the target, made with _open, and
// replaced over it with MoveFileEx; backups as hard links where NTFS allows them.
#include "store/os_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace fs = std::filesystem;

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

int flush_to_disk(std::FILE *f)
{
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)))) != 0;
}

int rename_over(const temp_file &t)
{
    return MoveFileExA(t.name.c_str(), t.target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

// A second name for old under a temporary name beside backup, then renamed to it.
int link_as(const std::string &old, const std::string &backup)
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

int copy_mode(const std::string &, std::FILE *) { return 1; } // no read-only file gets here
