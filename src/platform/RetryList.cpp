#include "platform/RetryList.h"

bool CRetryList::Retry(const std::string& name)
{
    const auto kept = Attempts.find(name);
    if (kept == Attempts.end())
        return true;
    if (!kept->second())
        return false;
    Attempts.erase(kept);
    return true;
}

bool CRetryList::RetryAll()
{
    for (auto it = Attempts.begin(); it != Attempts.end();)
        it = it->second() ? Attempts.erase(it) : std::next(it);
    return Attempts.empty();
}
