#include "musicselect/SongTypes.h"

namespace
{
struct SExtension
{
    std::string_view Suffix; // lower case, with its dot
    int Group;
};
constexpr SExtension Extensions[] = {{".mp3", 0}, {".ogg", 1}, {".flac", 2}, {".opus", 3},
                                     {".m4a", 4}, {".mp4", 4}, {".aac", 4},  {".wma", 5},
                                     {".wav", 6}, {".aif", 6}, {".aiff", 6}};

bool EndsWithNoCase(std::string_view name, std::string_view suffix)
{
    if (name.size() < suffix.size())
        return false;
    name.remove_prefix(name.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i)
    {
        char c = name[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}
} // namespace

int SongTypes::Group(std::string_view fileName)
{
    for (const SExtension& extension : Extensions)
        if (EndsWithNoCase(fileName, extension.Suffix))
            return extension.Group;
    return -1;
}
