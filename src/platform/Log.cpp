#include "platform/Log.h"

#include <cstdarg>
#include <cstdio>

void Log(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
}

void DebugTrace(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::fputs("debug: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
}
