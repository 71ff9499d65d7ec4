// tests/hold_file.cpp - holds a file open for reading, sharing reads only, as a virus scanner does
// with a file just written: hold_file NAME MILLISECONDS. Says "held", and "let go" as it ends.
#include <cstdio>
#include <cstdlib>
#include <windows.h>

int main(int argc, char **argv)
{
    if (argc != 3 || CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                 nullptr) == INVALID_HANDLE_VALUE)
        return 1;
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    std::printf("let go\n"); // the handle closes as the process ends
    return 0;
}
