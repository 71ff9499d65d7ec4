// cli/logerror.cpp - messages go to standard error, so the levels on standard output stay clean.
#include "cli/logerror.h"

#include <array>
#include <cstdarg>
#include <cstdio>

std::uint8_t quiet_mode = 0;
std::string *log_capture = nullptr;

void logerror(const char *format, ...)
{
    if (quiet_mode && !log_capture) // the editor shows what it captures, -quiet or not
        return;
    va_list args;
    va_start(args, format);
    if (log_capture) {
        std::array<char, 512> line;
        std::vsnprintf(line.data(), line.size(), format, args);
        *log_capture += line.data();
    } else {
        std::vfprintf(stderr, format, args);
    }
    va_end(args);
}
