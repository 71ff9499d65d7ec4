// edit/lock_win.cpp - one editor at a time in a folder, on Windows.
#include "edit/state.h"

#include <windows.h>

// A file nobody else may open while we hold it, gone when its handle closes, however the
// process ends. Only a new file or a plain one is taken: a folder or a link of the name is
// someone else's, and a link followed would make the file elsewhere.
static HANDLE lock_handle = INVALID_HANDLE_VALUE;

lock_result lock_folder(const char *name)
{
    const DWORD access = GENERIC_READ | GENERIC_WRITE,
                flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE;
    DWORD attributes = GetFileAttributesA(name);
    HANDLE h = INVALID_HANDLE_VALUE;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        h = CreateFileA(name, access, 0, nullptr, CREATE_NEW, flags, nullptr);
    else if (!(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        h = CreateFileA(name, access, 0, nullptr, OPEN_EXISTING, flags, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        lock_handle = h;
        return lock_result::held;
    }
    DWORD e = GetLastError();
    if (e == ERROR_SHARING_VIOLATION)
        return lock_result::busy;
    // nothing there that could not be created: a folder that takes no new file
    return GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES && e != ERROR_FILE_EXISTS
               ? lock_result::none
               : lock_result::in_the_way;
}

void unlock_folder()
{
    if (lock_handle != INVALID_HANDLE_VALUE)
        CloseHandle(lock_handle);
    lock_handle = INVALID_HANDLE_VALUE;
}
