#include "platform/Log.h"

#include <cstdarg>
#include <cstdio>

namespace
{
std::FILE* LogStream = nullptr; // null: standard output
}

void SetLogStream(std::FILE* stream)
{
    LogStream = stream;
}

void Log(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(LogStream ? LogStream : stdout, format, args);
    va_end(args);
}

void ShowMessage(const char* text)
{
    std::fprintf(stderr, "%s\n", text);
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
