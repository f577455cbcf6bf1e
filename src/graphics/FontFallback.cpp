#include "graphics/FontFallback.h"

#include "platform/Log.h"

void CFontFallback::Load()
{
    Loaded = true;
    Config = FcInitLoadConfigAndFonts();
    FcPattern* pattern =
        Config ? FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:bold")) : nullptr;
    if (pattern)
    {
        FcConfigSubstitute(Config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        Sorted = FcFontSort(Config, pattern, FcTrue, nullptr, &result);
        FcPatternDestroy(pattern);
    }
    for (int i = 0; Sorted && i < Sorted->nfont; ++i)
    {
        const FcPattern* font = Sorted->fonts[i];
        FcChar8* file = nullptr;
        FcCharSet* characters = nullptr;
        FcBool scalable = FcFalse, colour = FcFalse;
        SFace face;
        FcPatternGetInteger(font, FC_INDEX, 0, &face.Index);
        FcPatternGetBool(font, FC_SCALABLE, 0, &scalable);
        FcPatternGetBool(font, FC_COLOR, 0, &colour);
        // The font library draws outlines in one colour: bitmap and colour fonts are left out.
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
            FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) != FcResultMatch || !scalable ||
            colour)
            continue;
        face.File = reinterpret_cast<const char*>(file);
        face.Characters = characters;
        Faces.push_back(std::move(face));
    }
    if (Faces.empty())
        Log("No fallback font found: characters the game font lacks are shown as boxes\n");
}

int CFontFallback::Find(char32_t c)
{
    if (!Loaded)
        Load();
    const auto known = Chosen.find(c);
    if (known != Chosen.end())
        return known->second;
    int key = 0;
    for (size_t i = 0; i < Faces.size() && key == 0; ++i)
        if (!Faces[i].Broken && FcCharSetHasChar(Faces[i].Characters, c))
            key = int(i) + 1;
    Chosen.emplace(c, key);
    return key;
}

bool CFontFallback::Provides(int key, char32_t c) const
{
    return key >= 1 && size_t(key) <= Faces.size() &&
           FcCharSetHasChar(Faces[size_t(key) - 1].Characters, c);
}

TTF_Font* CFontFallback::Font(int key, int points)
{
    if (key < 1 || size_t(key) > Faces.size())
        return nullptr;
    SFace& face = Faces[size_t(key) - 1];
    for (const auto& [size, font] : face.Opened)
        if (size == points)
            return font;
    if (face.Broken)
        return nullptr;
    TTF_Font* font = TTF_OpenFontIndex(face.File.c_str(), points, face.Index);
    if (!font)
    {
        Log("Could not open the fallback font %s: %s\n", face.File.c_str(), SDL_GetError());
        face.Broken = true;
        Chosen.clear(); // its characters go to the next font that has them
        return nullptr;
    }
    face.Opened.emplace_back(points, font);
    return font;
}

void CFontFallback::Free()
{
    for (SFace& face : Faces)
        for (const auto& opened : face.Opened)
            TTF_CloseFont(opened.second);
    Faces.clear();
    Chosen.clear();
    if (Sorted)
        FcFontSetDestroy(Sorted);
    Sorted = nullptr;
    if (Config)
        FcConfigDestroy(Config);
    Config = nullptr;
    Loaded = false;
}
