#include "support/LogCapture.h"

#include "platform/Log.h"

#include <cstdlib>

CLogCapture::CLogCapture()
{
    Stream = open_memstream(&Buffer, &Size);
    SetLogStream(Stream);
}

CLogCapture::~CLogCapture()
{
    SetLogStream(nullptr);
    if (Stream)
        std::fclose(Stream);
    std::free(Buffer);
}

std::string CLogCapture::Text()
{
    if (!Stream)
        return {};
    std::fflush(Stream);
    return std::string(Buffer, Size);
}
