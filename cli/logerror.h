// cli/logerror.h - the one channel for progress and error messages: standard error, unless quiet.
#ifndef CLI_LOGERROR_H
#define CLI_LOGERROR_H

#include <cstdint>

extern std::uint8_t quiet_mode; // not 0: logerror prints nothing

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void logerror(const char *format, ...);

#endif
