// cli/logerror.cpp - messages go to standard error, so the levels on standard output stay clean.
#include "cli/logerror.h"

#include <cstdarg>
#include <cstdio>

std::uint8_t quiet_mode = 0;
std::string *log_capture = nullptr;
std::vector<std::string> errors_reported;

// What format makes of args, whatever its length.
static std::string vformatted(const char *format, va_list args)
{
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, again); // its end: the string's own NUL
    va_end(again);
    return text;
}

std::string formatted(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = vformatted(format, args);
    va_end(args);
    return text;
}

static void log_text(const std::string &text)
{
    if (log_capture)
        *log_capture += text;
    else if (!quiet_mode)
        std::fputs(text.c_str(), stderr);
}

void logerror(const char *format, ...)
{
    if (quiet_mode && !log_capture) // the editor shows what it captures, -quiet or not
        return;
    va_list args;
    va_start(args, format);
    log_text(vformatted(format, args));
    va_end(args);
}

void report_error(bool line_end, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::string what = vformatted(format, args);
    va_end(args);
    log_text("\nERROR ! " + what + (line_end ? " !\n" : " !"));
    errors_reported.push_back(std::move(what));
}
