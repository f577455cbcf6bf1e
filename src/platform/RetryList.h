#pragma once
#include <functional>
#include <map>
#include <string>

// Writes that failed (a full disk, a folder that could not be written) and are tried again
// later, so that nothing the player earned is lost in silence: each is kept under the name of
// what it writes, a newer one replacing an older one of the same name. Main thread only.
class CRetryList
{
public:
    using FAttempt = std::function<bool()>; // true once the write went through

    CRetryList() = default;
    virtual ~CRetryList() = default;

    void Keep(const std::string& name, FAttempt attempt) { Attempts[name] = std::move(attempt); }
    bool Holds(const std::string& name) const { return Attempts.count(name) != 0; }
    // Tries the one kept under `name` again, if any; true when nothing is left under it.
    bool Retry(const std::string& name);
    // Tries every one again; true when nothing is left.
    bool RetryAll();
    bool IsEmpty() const { return Attempts.empty(); }

private:
    std::map<std::string, FAttempt> Attempts;
};
