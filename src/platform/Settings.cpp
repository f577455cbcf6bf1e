#include "platform/Settings.h"

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <map>
#include <optional>
#include <set>

namespace fs = std::filesystem;

namespace
{
// A longer line is no setting of ours (a folder's path is a few kilobytes at most): it is
// dropped and the lines after it still read. So many names are no file of ours either: the
// ones after them are dropped rather than fill the memory.
constexpr size_t MaxLineBytes = 64 * 1024;
constexpr size_t MaxNames = 4096;

// Values whose write failed: they still hold for the rest of the run.
std::map<std::string, std::string>& RunValues()
{
    static std::map<std::string, std::string> values;
    return values;
}

// The files whose dropped lines were already reported.
std::set<std::string>& DamageTold()
{
    static std::set<std::string> files;
    return files;
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

// The "name=value" of one line into values (blanks around both are ignored); anything else
// (garbage, sections, comments) is skipped.
void ReadLine(std::string line, std::map<std::string, std::string>& values, size_t& dropped)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    const auto eq = line.find('=');
    if (eq == std::string::npos || line[0] == '#' || line[0] == ';' || line[0] == '[')
        return;
    const std::string name = Trim(line.substr(0, eq));
    if (name.empty())
        return;
    if (values.size() >= MaxNames && !values.contains(name))
    {
        ++dropped;
        return;
    }
    values[name] = Unescape(Trim(line.substr(eq + 1)));
}

// Reads the whole file, keeping every line it can read: a damaged line, or one too long to be
// ours, is dropped alone (said once a run), and the next write rewrites the file whole.
// Anything but a regular file (a folder, a named pipe that would block the start), or a file
// whose read fails, is unreadable: reported, never replaced.
std::map<std::string, std::string> ReadFile(const fs::path& file, bool& unreadable)
{
    std::map<std::string, std::string> values;
    unreadable = false;
    if (file.empty())
        return values;
    size_t dropped = 0, overlong = 0;
    if (!ForEachLine(
            file, MaxLineBytes, [&](const std::string& line) { ReadLine(line, values, dropped); },
            overlong))
    {
        unreadable = errno != ENOENT && errno != ENOTDIR;
        if (unreadable)
            values.clear();
        return values;
    }
    if ((overlong > 0 || dropped > 0) && DamageTold().insert(file.string()).second)
        Log("Settings file %s: %zu lines too long and %zu names too many were dropped\n",
            file.c_str(), overlong, dropped);
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
    if (!text || text->empty())
        return 0;
    // Digits beyond the 32-bit range keep their sign: the nearest number there is read.
    const bool negative = text->front() == '-';
    const size_t first = negative || text->front() == '+' ? 1 : 0;
    if (first == text->size())
        return 0;
    const int64_t limit = negative ? -int64_t(INT32_MIN) : INT32_MAX;
    int64_t value = 0;
    bool beyond = false;
    for (size_t i = first; i < text->size(); ++i)
    {
        const char c = (*text)[i];
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
        if (value > limit)
            beyond = true, value = limit;
    }
    const int32_t read = int32_t(negative ? -value : value);
    if (beyond)
        Log("Setting %s=%s is out of range; read as %d\n", name.c_str(), text->c_str(), int(read));
    return read;
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

bool FullScreen()
{
    return ReadNumber(Key::FullScreen) != 0;
}

bool SetFullScreen(bool fullScreen)
{
    return WriteNumber(Key::FullScreen, fullScreen ? 1 : 0);
}

bool CommonHighscores()
{
    return ReadNumber(Key::SeparateHS) == 0;
}

bool SetCommonHighscores(bool common)
{
    return WriteNumber(Key::SeparateHS, common ? 0 : 1);
}

bool PlayContinuous()
{
    return ReadNumber(Key::PlayContinuous) != 0;
}

bool SetPlayContinuous(bool continuous)
{
    return WriteNumber(Key::PlayContinuous, continuous ? 1 : 0);
}

std::string CurrentPath()
{
    return ReadText(Key::CurrentPath);
}

bool SetCurrentPath(const std::string& path)
{
    return WriteText(Key::CurrentPath, path);
}

std::string SpeedName()
{
    return ReadText(Key::Speed);
}

bool SetSpeedName(const std::string& name)
{
    return WriteText(Key::Speed, name);
}

int32_t AudioOffsetMs()
{
    return ReadNumber(Key::AudioOffset);
}

bool SetAudioOffsetMs(int32_t milliseconds)
{
    return WriteNumber(Key::AudioOffset, milliseconds);
}

bool ShowHiddenFolders()
{
    return ReadNumber(Key::ShowHiddenFolders) == 1;
}

std::string WindowScale()
{
    return ReadText(Key::WindowScale);
}

bool SetWindowScale(const std::string& scale)
{
    return WriteText(Key::WindowScale, scale);
}

void ForgetRunValues()
{
    RunValues().clear();
    WriteFailureLogged() = false;
    ReadFailureLogged() = false;
    DamageTold().clear();
}
} // namespace Settings
