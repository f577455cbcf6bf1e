#pragma once
// The game's log: standard output, line-buffered, texts exactly as the game words them.
// Debug traces go to standard error prefixed "debug: ". Main thread only.
#include <cstdio>

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The only message box of the game: a line on standard error.
void ShowMessage(const char* text);
// Where Log writes (standard output unless a tool needs that for its own results).
void SetLogStream(std::FILE* stream);
