#pragma once
#include <SDL/SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// The fonts that draw what the game font lacks: for each character, the first font of the
// desktop's own fallback order (fontconfig's sorted list for a bold sans-serif) that has it.
// Fonts are keys from 1; 0 means none. Fontconfig is read on the first character asked for,
// fonts are opened on first use at each size. Without fontconfig or any usable font, every
// answer is 0 and the game font's boxes stay. Main thread only; Free before TTF_Quit.
class CFontFallback
{
public:
    CFontFallback() = default;
    virtual ~CFontFallback() { Free(); }
    CFontFallback(const CFontFallback&) = delete;
    CFontFallback& operator=(const CFontFallback&) = delete;

    // The key of the font that draws c, or 0.
    int Find(char32_t c);
    bool Provides(int key, char32_t c) const;
    // The key's font at `points`, or null when it cannot be opened (logged once per font).
    TTF_Font* Font(int key, int points);
    void Free();

private:
    struct SFace
    {
        std::string File;
        int Index = 0;
        const FcCharSet* Characters = nullptr;         // owned by Sorted
        std::vector<std::pair<int, TTF_Font*>> Opened; // points, font
        bool Broken = false;
    };

    void Load();

    bool Loaded = false;
    FcConfig* Config = nullptr;
    FcFontSet* Sorted = nullptr;
    std::vector<SFace> Faces;
    std::unordered_map<char32_t, int> Chosen;
};
