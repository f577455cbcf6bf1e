#pragma once
#include <cstdio>
#include <string>

// Captures everything Log writes while it lives.
class CLogCapture
{
public:
    CLogCapture();
    ~CLogCapture();
    CLogCapture(const CLogCapture&) = delete;
    CLogCapture& operator=(const CLogCapture&) = delete;
    std::string Text();

private:
    char* Buffer = nullptr;
    size_t Size = 0;
    std::FILE* Stream = nullptr;
};
