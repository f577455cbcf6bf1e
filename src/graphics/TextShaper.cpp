#include "graphics/TextShaper.h"

#include "graphics/TextDecode.h"
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
    return true;
}

bool CTextShaper::DrawsAlone(TTF_Font* font, const std::u32string& line) const
{
    for (char32_t c : line)
        if (!GameFontHas(font, c))
            return false;
    return true;
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
        return 0;
    const int key = Fallback.Find(line, start, end);
    return key > 0 ? key : MissingFont;
}

CGlyphFace* CTextShaper::Face(int key, int points, hb_script_t script)
{
    const CFontFallback::SFace* file = Fallback.Face(key);
    if (!file)
        return nullptr;
    const bool ideographic = IsIdeographic(script);
    const std::pair<int, hb_script_t> kind{key, ideographic ? script : HB_SCRIPT_COMMON};
    auto known = Heights.find(kind);
    if (known == Heights.end())
    {
        CGlyphFace probe;
        double height = -1.0;
        if (probe.Open(Library, file->File, file->Index))
            height = !ideographic
                         ? probe.XHeightPerEm()
                         : probe.InkHeightPerEm(script == HB_SCRIPT_HANGUL ? U'한' : U'国');
        known = Heights.emplace(kind, height).first;
    }
    if (known->second < 0)
    {
        Fallback.MarkBroken(key);
        return nullptr;
    }
    // A face without the measure keeps the game font's em.
    const double target = ideographic ? IdeographPerEm : GameXHeight;
    const double em_px = known->second > 0 ? points * target / known->second : double(points);
    const std::pair<int, long> size{key, std::lround(em_px * 64)};
    auto& face = Faces[size];
    if (!face)
    {
        face = std::make_unique<CGlyphFace>();
        if (!face->Open(Library, file->File, file->Index) || !face->SetSize(em_px, file->Embolden))
        {
            Faces.erase(size);
            known->second = -1.0;
            Fallback.MarkBroken(key);
            return nullptr;
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
            for (size_t i = run.Start; i < run.End; ++i)
                if (i == run.Start || !JoinsPrevious(line[i - 1], line[i]))
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
    Heights.clear();
    Fallback.Free();
    if (Buffer)
        hb_buffer_destroy(Buffer);
    Buffer = nullptr;
    if (Library)
        FT_Done_FreeType(Library);
    Library = nullptr;
    Started = false;
}
