#include "graphics/TextShaper.h"

#include "graphics/TextDecode.h"
#include "graphics/TextUnicode.h"
#include "platform/Log.h"

#include <algorithm>
#include <cmath>

namespace
{
// How much of its em a full ideograph (or Hangul syllable) fills in the usual CJK design.
constexpr double IdeographPerEm = 0.88;

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// What the game font draws through SDL_ttf: 16-bit characters (U+FFFE would make it read the
// rest byte-swapped); controls and invisible characters are left to it as they always were.
bool GameFontHas(TTF_Font* font, char32_t c)
{
    return IsInvisible(c) || IsControl(c) ||
           (c <= 0xFFFF && c != 0xFFFE && TTF_GlyphIsProvided(font, Uint16(c)));
}

// The size fonts are measured at: large enough that a pixel is a small part of a stroke.
constexpr double MeasureEm_px = 256.0;

// Letters of a script whose strokes show a font's weight: the script's plain letters, with
// stems and bowls, without marks. Null for a script not listed: its font keeps the weight
// fontconfig gives it.
const char32_t* StrokeSample(hb_script_t script)
{
    switch (script)
    {
    case HB_SCRIPT_LATIN:
        return U"nmhuol";
    case HB_SCRIPT_GREEK:
        return U"ημνοπ";
    case HB_SCRIPT_CYRILLIC:
        return U"пмнио";
    case HB_SCRIPT_ARMENIAN:
        return U"մնոհ";
    case HB_SCRIPT_GEORGIAN:
        return U"მნოჰ";
    case HB_SCRIPT_HEBREW:
        return U"מנוהל";
    case HB_SCRIPT_ARABIC:
        return U"سمنهل";
    case HB_SCRIPT_DEVANAGARI:
        return U"मनहल";
    case HB_SCRIPT_BENGALI:
        return U"মনহল";
    case HB_SCRIPT_GURMUKHI:
        return U"ਮਨਹਲ";
    case HB_SCRIPT_GUJARATI:
        return U"મનહલ";
    case HB_SCRIPT_TAMIL:
        return U"மனல";
    case HB_SCRIPT_TELUGU:
        return U"మనహల";
    case HB_SCRIPT_KANNADA:
        return U"ಮನಹಲ";
    case HB_SCRIPT_MALAYALAM:
        return U"മനഹല";
    case HB_SCRIPT_THAI:
        return U"มนหล";
    case HB_SCRIPT_LAO:
        return U"ມນຫລ";
    case HB_SCRIPT_KHMER:
        return U"មនហល";
    case HB_SCRIPT_HAN:
        return U"国中日田";
    case HB_SCRIPT_HIRAGANA:
        return U"いこなの";
    case HB_SCRIPT_KATAKANA:
        return U"ロコナノ";
    case HB_SCRIPT_HANGUL:
        return U"한국이름";
    default:
        return nullptr;
    }
}

// A mark SDL_ttf would set down beside its letter instead of on it: left to HarfBuzz.
bool HasMark(const std::u32string& line, size_t start, size_t end)
{
    return std::any_of(line.begin() + long(start), line.begin() + long(end),
                       [](char32_t c) { return IsMark(c) && !IsInvisible(c); });
}

// The game font's characters of a run, as SDL_ttf takes them.
std::u32string Drawable(const std::u32string& text)
{
    std::u32string drawn;
    for (char32_t c : text)
        if (!IsInvisible(c) && !IsControl(c))
            drawn += c;
    return drawn;
}
} // namespace

SDL_Rect CTextShaper::MissingBox(TTF_Font* font)
{
    const int height = std::max(3, TTF_FontAscent(font));
    return {Sint16(std::max(1, height / 8)), Sint16(TTF_FontAscent(font) - height),
            Uint16(height * 3 / 4), Uint16(height)};
}

void CTextShaper::SetGameFont(const std::string& file)
{
    GameFontFile = file;
    Fallback.SetGameFont(file);
}

bool CTextShaper::Start()
{
    if (Started)
        return Library != nullptr;
    Started = true;
    if (FT_Init_FreeType(&Library) != 0)
    {
        Log("FreeType did not start: characters the game font lacks are not drawn\n");
        Library = nullptr;
        return false;
    }
    Buffer = hb_buffer_create();
    CGlyphFace game;
    if (game.Open(Library, GameFontFile, 0) && game.XHeightPerEm() > 0)
        GameXHeight = game.XHeightPerEm();
    if (game.SetSize(MeasureEm_px))
        GameStroke = game.StrokePerEm(StrokeSample(HB_SCRIPT_LATIN));
    return true;
}

bool CTextShaper::DrawsAlone(TTF_Font* font, const std::u32string& line) const
{
    for (char32_t c : line)
        if (!GameFontHas(font, c))
            return false;
    return !HasMark(line, 0, line.size());
}

int CTextShaper::Pick(TTF_Font* font, const std::u32string& line, size_t start, size_t end,
                      int wanted)
{
    // A blank stays in the run before it, unless that is an emoji font's, whose blanks are wide.
    const CFontFallback::SFace* before = wanted > 0 ? Fallback.Face(wanted) : nullptr;
    if (before && !before->Colour && Fallback.Provides(wanted, line, start, end))
        return wanted;
    bool game = true;
    for (size_t i = start; i < end && game; ++i)
        game = GameFontHas(font, line[i]);
    if (game)
        return HasMark(line, start, end) ? ShapedGameFont : 0;
    const int key = Fallback.Find(line, start, end);
    return key > 0 ? key : MissingFont;
}

CGlyphFace* CTextShaper::Face(int key, int points, hb_script_t script)
{
    if (key == ShapedGameFont)
        return GameFace(points);
    const CFontFallback::SFace* file = Fallback.Face(key);
    if (!file)
        return nullptr;
    const bool ideographic = IsIdeographic(script);
    auto known = Measures.find({key, script});
    if (known == Measures.end())
        known = Measures.emplace(std::pair{key, script}, Measure(*file, script)).first;
    SMeasure& measure = known->second;
    if (measure.Height < 0)
    {
        Fallback.MarkBroken(key);
        return nullptr;
    }
    // A face without the measure keeps the game font's em.
    const double target = ideographic ? IdeographPerEm : GameXHeight;
    const double em_px = measure.Height > 0 ? points * target / measure.Height : double(points);
    // Its strokes as thick as the game font's at this size: thickened, or thinned a little
    // (more would close small counters and dots); without the measure, as fontconfig thickens a
    // regular face asked for in bold.
    double embolden_px = file->Embolden ? em_px / 24 : 0.0;
    if (measure.Stroke > 0 && GameStroke > 0)
    {
        const double stroke_px = measure.Stroke * em_px;
        embolden_px = std::clamp(GameStroke * points - stroke_px, -0.15 * stroke_px, stroke_px);
    }
    const std::tuple<int, long, long> size{key, std::lround(em_px * 64),
                                           std::lround(embolden_px * 64)};
    auto& face = Faces[size];
    if (!face)
    {
        face = std::make_unique<CGlyphFace>();
        if (!face->Open(Library, file->File, file->Index) || !face->SetSize(em_px, embolden_px))
        {
            Faces.erase(size);
            measure.Height = -1.0;
            Fallback.MarkBroken(key);
            return nullptr;
        }
    }
    return face.get();
}

CTextShaper::SMeasure CTextShaper::Measure(const CFontFallback::SFace& file, hb_script_t script)
{
    SMeasure measure;
    CGlyphFace probe;
    if (!probe.Open(Library, file.File, file.Index))
        return measure;
    measure.Height = !IsIdeographic(script)
                         ? probe.XHeightPerEm()
                         : probe.InkHeightPerEm(script == HB_SCRIPT_HANGUL ? U'한' : U'国');
    const char32_t* sample = StrokeSample(script);
    if (sample && !file.Colour && probe.SetSize(MeasureEm_px))
        measure.Stroke = probe.StrokePerEm(sample);
    return measure;
}

CGlyphFace* CTextShaper::GameFace(int points)
{
    // At the em SDL_ttf draws it at (its points as pixels), so both halves of a line agree.
    const std::tuple<int, long, long> size{ShapedGameFont, long(points) * 64, 0};
    if (const auto known = Faces.find(size); known != Faces.end())
        return known->second.get(); // null: it could not be opened, and was said so
    auto& face = Faces[size];
    {
        face = std::make_unique<CGlyphFace>();
        if (!face->Open(Library, GameFontFile, 0, true) || !face->SetSize(points))
        {
            Log("Could not shape the game font %s\n", GameFontFile.c_str());
            face.reset();
        }
    }
    return face.get();
}

void CTextShaper::ShapeRun(SShapedRun& shaped, const std::u32string& line)
{
    const STextRun& run = shaped.Run;
    shaped.Face->Shape(Buffer, line, run.Start, run.End, run.Script, run.RightToLeft);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(Buffer, &count);
    const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(Buffer, &count);
    int pen = 0;
    for (unsigned i = 0; i < count; ++i)
    {
        shaped.Glyphs.push_back(
            {info[i].codepoint, pen + position[i].x_offset, position[i].y_offset, info[i].cluster});
        pen += position[i].x_advance;
    }
    shaped.Advance = pen;
}

SShapedLine CTextShaper::Shape(TTF_Font* font, int points, const std::u32string& line)
{
    SShapedLine shaped;
    if (!font || !Start())
        return shaped;
    const FFontPick pick = [&](const std::u32string& text, size_t start, size_t end, int wanted)
    { return Pick(font, text, start, end, wanted); };
    for (const STextRun& run : VisualRuns(line, pick))
    {
        SShapedRun out;
        out.Run = run;
        if (run.Font > 0)
            out.Face = Face(run.Font, points, run.Script);
        if (out.Face)
        {
            out.Em_px = out.Face->Em();
            ShapeRun(out, line);
        }
        else if (run.Font == 0)
        {
            out.GameText = Drawable(VisualText(line, run));
            int width = 0;
            if (!out.GameText.empty() &&
                TTF_SizeUNICODE(font, Ucs2(out.GameText).data(), &width, nullptr) == 0)
                out.Advance = width * 64;
        }
        else
        {
            out.Run.Font = MissingFont;
            const SDL_Rect box = MissingBox(font);
            for (const size_t i : ClusterStarts(line)) // a box for each whole character
                if (i >= run.Start && i < run.End)
                {
                    out.Glyphs.push_back({0, out.Advance, 0, unsigned(i)});
                    out.Advance += (box.w + 2 * box.x) * 64;
                }
        }
        shaped.Advance += out.Advance;
        shaped.Runs.push_back(std::move(out));
    }
    return shaped;
}

void CTextShaper::Free()
{
    Faces.clear();
    Measures.clear();
    Fallback.Free();
    if (Buffer)
        hb_buffer_destroy(Buffer);
    Buffer = nullptr;
    if (Library)
        FT_Done_FreeType(Library);
    Library = nullptr;
    Started = false;
}
