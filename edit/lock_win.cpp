// edit/lock_win.cpp - one editor at a time in a folder, on Windows.
#include "edit/state.h"

#include <windows.h>

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
