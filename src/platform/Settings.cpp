#include "platform/Settings.h"

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <cerrno>
#include <charconv>
#include <map>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

namespace
{
constexpr size_t MaxFileBytes = 1 << 20; // four settings take a few hundred bytes

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

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Values are stored one per line: line breaks and backslashes in a value are escaped, and so
// are blanks at its ends, which reading would otherwise trim (a folder named " Music ").
std::string Escape(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i)
    {
        const char c = value[i];
        const bool end = i == 0 || i + 1 == value.size();
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (end && c == ' ')
            out += "\\s";
        else if (end && c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

std::string Unescape(const std::string& stored)
{
    std::string out;
    for (size_t i = 0; i < stored.size(); ++i)
    {
        if (stored[i] != '\\' || i + 1 == stored.size())
        {
            out += stored[i];
            continue;
        }
        const char next = stored[++i];
        out += next == 'n'   ? '\n'
               : next == 'r' ? '\r'
               : next == 's' ? ' '
               : next == 't' ? '\t'
                             : next;
    }
    return out;
}

// Reads "name=value" lines (blanks around both are ignored); anything else (garbage,
// sections, comments) is skipped. Anything but a regular file (a folder, a named pipe that
// would block the start), or one too large to be ours, is unreadable: reported, never replaced.
std::map<std::string, std::string> ReadFile(const fs::path& file, bool& unreadable)
{
    std::map<std::string, std::string> values;
    unreadable = false;
    std::string text;
    if (file.empty())
        return values;
    if (!ReadRegularFile(file, MaxFileBytes + 1, text))
    {
        unreadable = errno != ENOENT && errno != ENOTDIR;
        return values;
    }
    if (text.size() > MaxFileBytes)
    {
        unreadable = true;
        return values;
    }
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto eq = line.find('=');
        if (eq == std::string::npos || line[0] == '#' || line[0] == ';' || line[0] == '[')
            continue;
        const std::string name = Trim(line.substr(0, eq));
        if (!name.empty())
            values[name] = Unescape(Trim(line.substr(eq + 1)));
    }
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
        text += key + "=" + Escape(val) + "\n";

    // A file that exists but cannot be read is not replaced: the player's other values
    // would be lost with it.
    std::error_code ec;
    bool written = !file.empty() && !unreadable;
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
    return Write(name, value);
}

void ForgetRunValues()
{
    RunValues().clear();
    WriteFailureLogged() = false;
    ReadFailureLogged() = false;
}
} // namespace Settings
