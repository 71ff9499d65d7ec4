// cli/logerror.h - the one channel for progress and error messages: standard error, unless quiet.
#ifndef CLI_LOGERROR_H
#define CLI_LOGERROR_H

#include <cstdint>
#include <string>

extern std::uint8_t quiet_mode; // not 0: logerror prints nothing
// Not null: logerror appends there instead, as the console editor does while its screen is up.
extern std::string *log_capture;

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void logerror(const char *format, ...);

#endif
