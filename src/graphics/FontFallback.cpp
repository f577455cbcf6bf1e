#include "graphics/FontFallback.h"

#include "graphics/TextDecode.h"
#include "platform/Log.h"

namespace
{
// An emoji asks for a colour font: the pictographic planes, or a character that asks for its
// emoji form with U+FE0F.
bool WantsColour(const std::u32string& line, size_t start, size_t end)
{
    return line[start] >= 0x1F000 || line.find(U'\uFE0F', start) < end;
}

constexpr char32_t ColourKey = 0x80000000; // the cache's key bit for an emoji's choice
} // namespace

int CFontFallback::GameFontWeight() const
{
    int weight = FC_WEIGHT_BOLD, count = 0;
    FcPattern* query = GameFont.empty()
                           ? nullptr
                           : FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(GameFont.c_str()), 0,
                                             nullptr, &count);
    if (query)
    {
        FcPatternGetInteger(query, FC_WEIGHT, 0, &weight);
        FcPatternDestroy(query);
    }
    return weight;
}

void CFontFallback::Load()
{
    Loaded = true;
    Config = FcInitLoadConfigAndFonts();
    Pattern = Config ? FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif")) : nullptr;
    if (Pattern)
    {
        // Each script's regular face: the shaper thickens its strokes to the game font's, which
        // a bold face of one script and a regular one of another would not both meet.
        FcPatternAddInteger(Pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
        FcConfigSubstitute(Config, Pattern, FcMatchPattern);
        FcDefaultSubstitute(Pattern);
        FcResult result = FcResultNoMatch;
        Sorted = FcFontSort(Config, Pattern, FcTrue, nullptr, &result);
    }
    for (int i = 0; Sorted && i < Sorted->nfont; ++i)
    {
        FcPattern* font = Sorted->fonts[i];
        FcChar8* file = nullptr;
        SEntry entry;
        FcBool scalable = FcFalse, colour = FcFalse;
        FcPatternGetInteger(font, FC_INDEX, 0, &entry.Face.Index);
        FcPatternGetBool(font, FC_SCALABLE, 0, &scalable);
        FcPatternGetBool(font, FC_COLOR, 0, &colour);
        // Fixed-size bitmap fonts are left out; colour ones are scaled to the text.
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
            FcPatternGetCharSet(font, FC_CHARSET, 0, const_cast<FcCharSet**>(&entry.Characters)) !=
                FcResultMatch ||
            (!scalable && !colour))
            continue;
        entry.Face.File = reinterpret_cast<const char*>(file);
        entry.Face.Colour = colour;
        entry.Font = font;
        Entries.push_back(std::move(entry));
    }
    if (Entries.empty())
        Log("No fallback font found: characters the game font lacks are shown as boxes\n");
}

bool CFontFallback::Has(const SEntry& entry, const std::u32string& line, size_t start,
                        size_t end) const
{
    for (size_t i = start; i < end; ++i)
        if (!IsInvisible(line[i]) && !FcCharSetHasChar(entry.Characters, line[i]))
            return false;
    return true;
}

int CFontFallback::Find(const std::u32string& line, size_t start, size_t end)
{
    if (!Loaded)
        Load();
    const bool colour = WantsColour(line, start, end);
    const char32_t cacheKey = line[start] | (colour ? ColourKey : 0);
    const bool single = end == start + 1;
    if (single)
        if (const auto known = Chosen.find(cacheKey); known != Chosen.end())
            return known->second;
    // A colour font for an emoji, then any font with the whole character, then with its base.
    int key = 0;
    for (int pass = colour ? 0 : 1; pass < 3 && key == 0; ++pass)
        for (size_t i = 0; i < Entries.size() && key == 0; ++i)
        {
            const SEntry& entry = Entries[i];
            if (!entry.Broken && (pass != 0 || entry.Face.Colour) &&
                Has(entry, line, start, pass == 2 ? start + 1 : end))
                key = int(i) + 1;
        }
    if (single)
        Chosen.emplace(cacheKey, key);
    return key;
}

bool CFontFallback::Provides(int key, const std::u32string& line, size_t start, size_t end) const
{
    return key >= 1 && size_t(key) <= Entries.size() && !Entries[size_t(key) - 1].Broken &&
           Has(Entries[size_t(key) - 1], line, start, end);
}

const CFontFallback::SFace* CFontFallback::Face(int key)
{
    if (key < 1 || size_t(key) > Entries.size() || Entries[size_t(key) - 1].Broken)
        return nullptr;
    SEntry& entry = Entries[size_t(key) - 1];
    if (!entry.Prepared)
    {
        entry.Prepared = true;
        // Without a measure of its strokes, a face lighter than the game font is thickened as
        // fontconfig thickens a regular face asked for in bold.
        int weight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(entry.Font, FC_WEIGHT, 0, &weight);
        entry.Face.Embolden = weight < GameFontWeight() && !entry.Face.Colour;
    }
    return &entry.Face;
}

void CFontFallback::MarkBroken(int key)
{
    if (key >= 1 && size_t(key) <= Entries.size())
    {
        Log("Could not open the fallback font %s\n", Entries[size_t(key) - 1].Face.File.c_str());
        Entries[size_t(key) - 1].Broken = true;
        Chosen.clear();
    }
}

void CFontFallback::Free()
{
    Entries.clear();
    Chosen.clear();
    if (Sorted)
        FcFontSetDestroy(Sorted);
    Sorted = nullptr;
    if (Pattern)
        FcPatternDestroy(Pattern);
    Pattern = nullptr;
    if (Config)
        FcConfigDestroy(Config);
    Config = nullptr;
    Loaded = false;
}
