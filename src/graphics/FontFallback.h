#pragma once
#include <fontconfig/fontconfig.h>

#include <string>
#include <unordered_map>
#include <vector>

// The fonts that draw what the game font lacks: for each character, the first font of the
// desktop's own fallback order that has it (fontconfig's sorted list for a regular sans-serif),
// a colour font first for an emoji. Fonts are keys from 1; 0 means none.
// Fontconfig is read on the first character asked for. Without fontconfig or any usable
// font, every answer is 0. Main thread only.
class CFontFallback
{
public:
    struct SFace
    {
        std::string File;
        int Index = 0;
        bool Colour = false;
        bool Embolden = false; // lighter than the game font by its weight class
    };

    CFontFallback() = default;
    virtual ~CFontFallback() { Free(); }
    CFontFallback(const CFontFallback&) = delete;
    CFontFallback& operator=(const CFontFallback&) = delete;

    // The game font's file, whose weight class tells the fonts lighter than it (bold without it).
    void SetGameFont(const std::string& file) { GameFont = file; }
    // The key of the font that draws characters [start, end) of the line, or 0.
    int Find(const std::u32string& line, size_t start, size_t end);
    bool Provides(int key, const std::u32string& line, size_t start, size_t end) const;
    // The key's font file, or null for 0 or a font that could not be opened.
    const SFace* Face(int key);
    // A font that could not be opened: its characters go to the next font that has them.
    void MarkBroken(int key);
    void Free();

private:
    struct SEntry
    {
        SFace Face;
        const FcCharSet* Characters = nullptr; // owned by Sorted
        FcPattern* Font = nullptr;             // owned by Sorted
        bool Prepared = false;
        bool Broken = false;
    };

    void Load();
    int GameFontWeight() const;
    bool Has(const SEntry& entry, const std::u32string& line, size_t start, size_t end) const;

    std::string GameFont;
    bool Loaded = false;
    FcConfig* Config = nullptr;
    FcPattern* Pattern = nullptr;
    FcFontSet* Sorted = nullptr;
    std::vector<SEntry> Entries;
    std::unordered_map<char32_t, int> Chosen;
};
