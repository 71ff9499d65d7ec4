// store/os_win.cpp - the file seam on Windows: a new file beside the target, made with _open, and
// put in its place with ReplaceFileW (MoveFileEx where there is none yet); backups as hard links
// where NTFS allows them. Every replace and backup step waits up to 2 s for another program that
// holds a file open (a virus scanner or an indexer reading a file just written).
#include "store/os_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace fs = std::filesystem;

// 1 = step succeeded, at once or after a wait for another program; 0 = it failed, or that
// program held on for 2 s, GetLastError saying why. Nothing else is tried again.
template <typename step> static int patiently(step try_once)
{
    const ULONGLONG until = GetTickCount64() + 2000;
    for (;;) {
        if (try_once())
            return 1;
        DWORD e = GetLastError();
        if ((e != ERROR_SHARING_VIOLATION && e != ERROR_LOCK_VIOLATION &&
             e != ERROR_ACCESS_DENIED && e != ERROR_UNABLE_TO_REMOVE_REPLACED) ||
            GetTickCount64() >= until)
            return 0;
        Sleep(50);
        SetLastError(e);
    }
}

// The temporary files of this run, the last few, for an interrupt to remove (those that are
// closed: Windows removes no open file). A name already renamed or removed is none any more.
static char temps[4][MAX_PATH];
static volatile LONG nb_temps = 0;

static void note_temp(const std::string &name)
{
    if (name.size() < sizeof temps[0]) {
        std::memcpy(temps[nb_temps % 4], name.c_str(), name.size() + 1);
        InterlockedIncrement(&nb_temps);
    }
}

static BOOL WINAPI remove_temps(DWORD)
{
    for (int k = 0; k < 4 && k < nb_temps; k++)
        DeleteFileA(temps[k]);
    return FALSE; // and the run ends as it would have
}

void remove_temps_on_interrupt() { SetConsoleCtrlHandler(remove_temps, TRUE); }

// 1 = path is a file on a disk, or nothing of the name: never a pipe, a device or a folder.
static int regular_or_none(const char *path)
{
    HANDLE h = CreateFileA(path, FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    BY_HANDLE_FILE_INFORMATION info;
    int ok = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
             !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(h);
    return ok;
}

int create_temp_beside(const char *target, int text, temp_file &t, bool own_entry)
{
    t.target = target;
    DWORD attributes = GetFileAttributesA(target);
    // a read-only file was protected by its user: replacing it would undo that
    if (!own_entry &&
        ((attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) ||
         !regular_or_none(target)))
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
        note_temp(t.name);
        t.f = _fdopen(fd, text ? "w" : "wb");
        if (t.f)
            return 1;
        _close(fd);
        std::remove(t.name.c_str());
        return 0;
    }
    return 0;
}

// A stream over h, which it then owns; nullptr, h closed, when none can be made.
static std::FILE *stream_of(HANDLE h, int flags, const char *mode)
{
    int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(h), flags);
    std::FILE *f = fd >= 0 ? _fdopen(fd, mode) : nullptr;
    if (!f) {
        if (fd >= 0)
            _close(fd);
        else
            CloseHandle(h);
    }
    return f;
}

// Shared for deletion too, so that holding a file open never stops its own replacement.
std::FILE *open_regular(const char *path)
{
    HANDLE h =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        errno = e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
        return nullptr;
    }
    std::FILE *f = nullptr;
    if (GetFileType(h) == FILE_TYPE_DISK)
        f = stream_of(h, _O_RDONLY | _O_BINARY, "rb");
    else
        CloseHandle(h);
    if (!f)
        errno = EACCES;
    return f;
}

std::FILE *open_unnamed_temp()
{
    // in the folder, where the saves write too; Windows removes it as its handle closes
    std::string name = "~vellumix." + std::to_string(GetCurrentProcessId()) + ".tmp";
    HANDLE h = CreateFileA(
        name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    return stream_of(h, _O_RDWR | _O_BINARY, "w+b");
}

int flush_to_disk(std::FILE *f)
{
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)))) != 0;
}

// A plain move, not ReplaceFileW: what is moved here (a backup, a recovery file kept) is to keep
// its own attributes, not take those of the file it replaces.
int rename_over(const std::string &from, const std::string &to)
{
    return patiently([&] {
        return MoveFileExA(from.c_str(), to.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    });
}

// ReplaceFileW keeps the old file's attributes and access rights on the new one. Its own backup
// is not the .bak: it would replace an older backup before the replacement is sure, and on one
// failure leaves the old file under the backup's name alone. So the old file goes under a fresh
// name, put back should the replacement fail half way, and removed once it is done.
int replace_target(const std::string &from, const std::string &target)
{
    std::wstring wide_from = fs::path(from).wstring(), wide_target = fs::path(target).wstring();
    if (GetFileAttributesW(wide_target.c_str()) == INVALID_FILE_ATTRIBUTES)
        return rename_over(from, target);
    std::wstring old = wide_from + L".old";
    int ok = patiently([&] {
        return ReplaceFileW(wide_target.c_str(), wide_from.c_str(), old.c_str(),
                            REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                            nullptr, nullptr);
    });
    if (!ok && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        MoveFileExW(old.c_str(), wide_target.c_str(), MOVEFILE_WRITE_THROUGH);
    patiently([&] { return DeleteFileW(old.c_str()); });
    return ok;
}

int rename_new(const std::string &from, const std::string &to)
{
    return patiently([&] { return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH); });
}

int link_beside(const std::string &old, const std::string &near, std::string &name)
{
    for (unsigned attempt = 0; attempt < 100; attempt++) {
        name = near + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(attempt) +
               ".tmp";
        if (patiently([&] { return CreateHardLinkA(name.c_str(), old.c_str(), nullptr); })) {
            note_temp(name);
            return 1;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return 0;
    }
    return 0;
}

// Open for deletion, as a replacement must: a program that holds the file without sharing that
// would stop it half way, after the backups were made, and hard links of a held file cannot be
// removed again.
int wait_replaceable(const std::string &target)
{
    int ok = patiently([&] {
        HANDLE h = CreateFileA(target.c_str(), DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return h != INVALID_HANDLE_VALUE && CloseHandle(h);
    });
    return ok || GetLastError() == ERROR_FILE_NOT_FOUND;
}

int copy_mode(const std::string &, std::FILE *) { return 1; } // no read-only file gets here
