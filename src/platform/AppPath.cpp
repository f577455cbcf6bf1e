#include "platform/AppPath.h"

#include "platform/Paths.h"

std::string BuildAppPath(const std::string& relative)
{
    return Paths::ProgramFolder() + relative;
}
