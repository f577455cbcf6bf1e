#pragma once
#include "graphics/FontFallback.h"
#include "graphics/GlyphFace.h"
#include "graphics/TextRuns.h"

#include <SDL/SDL_ttf.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// A run that no installed font can draw: each of its characters is a box.
constexpr int MissingFont = -1;
// A run of the game font's letters with marks it has but SDL_ttf cannot place on them (a
// letter that has no composed form with its accent): the game font shaped by HarfBuzz.
constexpr int ShapedGameFont = 1 << 24;

// One glyph of a shaped run: pen offsets in 26.6 pixels from the run's start, y up.
struct SShapedGlyph
{
    unsigned Id = 0;
    int X = 0, Y = 0;
    unsigned Cluster = 0; // the index in the line of its first character
};

// A run as it is drawn: the game font's characters in screen order (SDL_ttf draws them as
// it draws the game font alone), or the glyphs HarfBuzz placed, or boxes.
struct SShapedRun
{
    STextRun Run;
    CGlyphFace* Face = nullptr; // the fallback font, at the size it is drawn at
    double Em_px = 0.0;         // the fallback font's size
    std::u32string GameText;
    std::vector<SShapedGlyph> Glyphs;
    int Advance = 0; // 26.6 pixels
};

struct SShapedLine
{
    std::vector<SShapedRun> Runs; // left to right on screen
    int Advance = 0;              // 26.6 pixels
};

// Lays out and draws lines that hold more than the game font draws: FriBidi orders them,
// each run is drawn by the game font through SDL_ttf, or shaped by HarfBuzz and drawn by
// FreeType in a fallback font scaled so that its x-height is the game font's, or, for
// ideographs and Hangul, so that a full ideograph fills the usual 88 % of the game font's em,
// its strokes thickened or thinned to the game font's (the weight of a bold font whatever the
// weights the desktop has of each script).
// Main thread only; Free before TTF_Quit.
class CTextShaper
{
public:
    CTextShaper() = default;
    virtual ~CTextShaper() { Free(); }
    CTextShaper(const CTextShaper&) = delete;
    CTextShaper& operator=(const CTextShaper&) = delete;

    // The game font's file: its weight and x-height are what fallback fonts match.
    void SetGameFont(const std::string& file);
    // Whether the game font at `font` draws every visible character of the line.
    bool DrawsAlone(TTF_Font* font, const std::u32string& line) const;
    SShapedLine Shape(TTF_Font* font, int points, const std::u32string& line);
    // A new 32-bit surface with per-pixel alpha in `colour` (emoji in their own), the game
    // font's baseline and height kept, grown for ink beyond them; null for an empty line.
    SDL_Surface* Render(TTF_Font* font, const SShapedLine& line, SDL_Color colour);
    // Where a missing character's box is drawn: x is the gap on either side, y its top below
    // the line's top; as high as the game font's ascent.
    static SDL_Rect MissingBox(TTF_Font* font);
    void Free();

private:
    bool Start();
    int Pick(TTF_Font* font, const std::u32string& line, size_t start, size_t end, int wanted);
    CGlyphFace* Face(int key, int points, hb_script_t script);
    CGlyphFace* GameFace(int points); // the game font at the size SDL_ttf draws it
    // A fallback font's x-height (or its ideograph's height) and its strokes' thickness, per
    // em, in one script: -1 height when the font cannot be read, 0 when a measure is missing.
    struct SMeasure
    {
        double Height = -1.0;
        double Stroke = 0.0;
    };
    SMeasure Measure(const CFontFallback::SFace& file, hb_script_t script);
    void ShapeRun(SShapedRun& run, const std::u32string& line);

    std::string GameFontFile;
    bool Started = false;
    FT_Library Library = nullptr;
    hb_buffer_t* Buffer = nullptr;
    double GameXHeight = 0.5; // per em
    double GameStroke = 0.0;  // per em; 0 unknown
    CFontFallback Fallback;
    std::map<std::pair<int, hb_script_t>, SMeasure> Measures; // by key and script
    // By key, 26.6 em and 26.6 emboldening.
    std::map<std::tuple<int, long, long>, std::unique_ptr<CGlyphFace>> Faces;
};
