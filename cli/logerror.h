// cli/logerror.h - the one channel for progress and error messages: standard error, unless quiet.
// An error is also kept as a value, so that a caller that shows errors its own way (the editor's
// status line) takes what went wrong from the record, never out of printed text.
#ifndef CLI_LOGERROR_H
#define CLI_LOGERROR_H

#include <cstdint>
#include <string>
#include <vector>

extern std::uint8_t quiet_mode; // not 0: logerror prints nothing
// Not null: logerror appends there instead, as the console editor does while its screen is up.
extern std::string *log_capture;

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void logerror(const char *format, ...);

// Reports an error as the command line prints every one, "\nERROR ! " what " !", with a line
// break after it when line_end, through logerror; and adds what to errors_reported.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void report_error(bool line_end, const char *format, ...);
// What each error said since the last clear_errors(), in order, without the command line's marks.
extern std::vector<std::string> errors_reported;
inline void clear_errors() { errors_reported.clear(); }

// printf into a string of the size it takes: a message is never cut.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
formatted(const char *format, ...);

#endif
