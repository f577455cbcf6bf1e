#include "platform/Settings.h"

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Paths.h"

#include <charconv>
#include <fstream>
#include <map>
#include <optional>

namespace fs = std::filesystem;

namespace
{
// Values whose write failed: they still hold for the rest of the run.
std::map<std::string, std::string>& RunValues()
{
    static std::map<std::string, std::string> values;
    return values;
}

bool& WriteFailureLogged()
{
    static bool logged = false;
    return logged;
}

// Every read goes back to the file, so without this an unreadable one would be reported
// at each of them.
bool& ReadFailureLogged()
{
    static bool logged = false;
    return logged;
}

fs::path UserSettingsFile()
{
    const fs::path config = Paths::UserConfigFolder();
    return config.empty() ? fs::path() : config / "korvane" / "settings.ini";
}

// Reads "name=value" lines; anything else (garbage, sections, comments) is skipped.
std::map<std::string, std::string> ReadFile(const fs::path& file, bool& unreadable)
{
    std::map<std::string, std::string> values;
    unreadable = false;
    std::error_code ec;
    if (file.empty() || !fs::exists(file, ec))
        return values;
    std::ifstream in(file, std::ios::binary);
    if (!in)
    {
        unreadable = true;
        return values;
    }
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto eq = line.find('=');
        if (eq == std::string::npos || eq == 0 || line[0] == '#' || line[0] == ';' ||
            line[0] == '[')
            continue;
        values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    if (in.bad())
        unreadable = true;
    return values;
}

std::optional<std::string> Lookup(const std::string& name)
{
    if (auto it = RunValues().find(name); it != RunValues().end())
        return it->second;
    bool unreadable = false;
    const fs::path user = UserSettingsFile();
    auto values = ReadFile(user, unreadable);
    if (unreadable && !ReadFailureLogged())
    {
        Log("Settings file %s cannot be read; using defaults\n", user.c_str());
        ReadFailureLogged() = true;
    }
    if (auto it = values.find(name); it != values.end())
        return it->second;
    for (const fs::path& dir : Paths::SystemConfigFolders())
    {
        values = ReadFile(dir / "korvane" / "settings.ini", unreadable);
        if (auto it = values.find(name); it != values.end())
            return it->second;
    }
    return std::nullopt;
}

bool Write(const std::string& name, const std::string& value)
{
    const fs::path file = UserSettingsFile();
    bool unreadable = false;
    auto values = ReadFile(file, unreadable);
    values[name] = value;
    std::string text;
    for (const auto& [key, val] : values)
        text += key + "=" + val + "\n";

    std::error_code ec;
    bool written = !file.empty();
    if (written)
        fs::create_directories(file.parent_path(), ec);
    written = written && !ec && WriteFileAtomically(file, text);
    if (written)
    {
        RunValues().erase(name);
        return true;
    }
    RunValues()[name] = value;
    if (!WriteFailureLogged())
    {
        Log("Settings cannot be saved to %s; changes last until the game ends\n",
            file.empty() ? "(no config folder)" : file.c_str());
        WriteFailureLogged() = true;
    }
    return false;
}
} // namespace

namespace Settings
{
int32_t ReadNumber(const std::string& name)
{
    const auto text = Lookup(name);
    if (!text)
        return 0;
    int64_t value = 0;
    const char* end = text->data() + text->size();
    auto [ptr, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc() || ptr != end)
        return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

std::string ReadText(const std::string& name)
{
    return Lookup(name).value_or(std::string());
}

bool WriteNumber(const std::string& name, int32_t value)
{
    return Write(name, std::to_string(value));
}

bool WriteText(const std::string& name, const std::string& value)
{
    // One value per line: a newline in the text would corrupt the file.
    if (value.find_first_of("\r\n") != std::string::npos)
        return false;
    return Write(name, value);
}

void ForgetRunValues()
{
    RunValues().clear();
    WriteFailureLogged() = false;
    ReadFailureLogged() = false;
}
} // namespace Settings
