// cli/logerror.cpp - messages go to standard error, so the levels on standard output stay clean.
#include "cli/logerror.h"

#include <cstdarg>
#include <cstdio>

std::uint8_t quiet_mode = 0;

void logerror(const char *format, ...)
{
    if (quiet_mode)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}
