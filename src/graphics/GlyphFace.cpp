#include "graphics/GlyphFace.h"

#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <harfbuzz/hb-ft.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
constexpr size_t MaxDrawnGlyphs = 2048; // per face and size; a full cache starts again

uint32_t Argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b)
{
    return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

// The coverage or premultiplied BGRA colour of one bitmap pixel, as premultiplied ARGB parts.
void Sample(const FT_Bitmap& bitmap, unsigned x, unsigned y, double (&sum)[4])
{
    const unsigned char* row = bitmap.buffer + long(y) * bitmap.pitch;
    switch (bitmap.pixel_mode)
    {
    case FT_PIXEL_MODE_BGRA:
        sum[0] += row[4 * x + 3];
        sum[1] += row[4 * x + 2];
        sum[2] += row[4 * x + 1];
        sum[3] += row[4 * x];
        break;
    case FT_PIXEL_MODE_MONO:
        sum[0] += (row[x / 8] >> (7 - x % 8) & 1) ? 255 : 0;
        break;
    default:
        sum[0] += bitmap.num_grays > 1 ? row[x] * 255.0 / (bitmap.num_grays - 1) : 0;
        break;
    }
}
} // namespace

bool CGlyphFace::Open(FT_Library library, const std::string& file, int index, bool placeMarks)
{
    Free();
    if (FT_New_Face(library, file.c_str(), index, &Face) != 0)
    {
        Face = nullptr;
        return false;
    }
    hb_face_t* face = hb_ft_face_create_referenced(Face);
    if (placeMarks)
    {
        // The font's tables without its positioning: HarfBuzz then places marks itself.
        hb_face_t* unpositioned = hb_face_create_for_tables(
            [](hb_face_t*, hb_tag_t tag, void* whole) -> hb_blob_t*
            {
                return tag == HB_TAG('G', 'P', 'O', 'S')
                           ? nullptr
                           : hb_face_reference_table(static_cast<hb_face_t*>(whole), tag);
            },
            face, [](void* whole) { hb_face_destroy(static_cast<hb_face_t*>(whole)); });
        hb_face_set_upem(unpositioned, hb_face_get_upem(face));
        face = unpositioned;
    }
    Font = hb_font_create(face); // HarfBuzz's own reading of the font's tables
    hb_face_destroy(face);
    return true;
}

double CGlyphFace::XHeightPerEm() const
{
    const FT_UInt x = FT_Get_Char_Index(Face, 'x');
    if (FT_IS_SCALABLE(Face) && Face->units_per_EM > 0)
    {
        if (x != 0 && FT_Load_Glyph(Face, x, FT_LOAD_NO_SCALE) == 0)
            return double(Face->glyph->metrics.horiBearingY) / Face->units_per_EM;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(Face, FT_SFNT_OS2));
        if (os2 && os2->version >= 2 && os2->sxHeight > 0)
            return double(os2->sxHeight) / Face->units_per_EM;
    }
    return 0.0;
}

double CGlyphFace::InkHeightPerEm(char32_t c) const
{
    const FT_UInt glyph = FT_Get_Char_Index(Face, c);
    if (glyph == 0 || !FT_IS_SCALABLE(Face) || Face->units_per_EM == 0 ||
        FT_Load_Glyph(Face, glyph, FT_LOAD_NO_SCALE) != 0)
        return 0.0;
    return double(Face->glyph->metrics.height) / Face->units_per_EM;
}

bool CGlyphFace::SetSize(double em_px, double emboldenPx)
{
    Drawn.clear();
    Em_px = em_px;
    const auto em = FT_F26Dot6(std::lround(em_px * 64));
    if (FT_IS_SCALABLE(Face))
    {
        BitmapScale = 1.0;
        if (FT_Set_Char_Size(Face, 0, em, 72, 72) != 0)
            return false;
    }
    else
    {
        if (Face->num_fixed_sizes < 1)
            return false;
        int best = 0; // the smallest strike at least as large, else the largest
        for (int i = 1; i < Face->num_fixed_sizes; ++i)
        {
            const FT_Pos size = Face->available_sizes[i].y_ppem,
                         chosen = Face->available_sizes[best].y_ppem;
            if ((size >= em && (size < chosen || chosen < em)) || (chosen < em && size > chosen))
                best = i;
        }
        if (FT_Select_Size(Face, best) != 0)
            return false;
        BitmapScale = double(em) / double(Face->available_sizes[best].y_ppem);
    }
    Embolden = FT_Pos(std::lround(emboldenPx * 64));
    hb_font_set_scale(Font, int(em), int(em));
    return true;
}

void CGlyphFace::Shape(hb_buffer_t* buffer, const std::u32string& line, size_t start, size_t end,
                       hb_script_t script, bool rightToLeft)
{
    hb_buffer_clear_contents(buffer);
    hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(line.data()), int(line.size()),
                        unsigned(start), int(end - start));
    hb_buffer_set_direction(buffer, rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer, script);
    hb_buffer_set_language(buffer, hb_language_get_default());
    hb_buffer_set_flags(buffer, hb_buffer_flags_t((start == 0 ? HB_BUFFER_FLAG_BOT : 0) |
                                                  (end == line.size() ? HB_BUFFER_FLAG_EOT : 0)));
    hb_shape(Font, buffer, nullptr, 0);
}

unsigned CGlyphFace::GlyphOf(char32_t c) const
{
    return FT_Get_Char_Index(Face, c);
}

const SGlyphInk& CGlyphFace::Ink(unsigned glyph)
{
    if (const auto known = Drawn.find(glyph); known != Drawn.end())
        return known->second;
    if (Drawn.size() >= MaxDrawnGlyphs)
        Drawn.clear();
    return Drawn.emplace(glyph, Rasterize(glyph)).first->second;
}

SGlyphInk CGlyphFace::Rasterize(unsigned glyph)
{
    const bool colour = IsColour();
    FT_Int32 flags = colour ? FT_LOAD_COLOR : FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP;
    if (FT_Load_Glyph(Face, glyph, flags) != 0)
        return {};
    FT_GlyphSlot slot = Face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE)
    {
        if (Embolden != 0)
            FT_Outline_Embolden(&slot->outline, Embolden);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
            return {};
    }
    if (BitmapScale != 1.0)
        return Scaled(slot->bitmap, slot->bitmap_left, slot->bitmap_top);
    SGlyphInk ink{slot->bitmap_left,
                  slot->bitmap_top,
                  int(slot->bitmap.width),
                  int(slot->bitmap.rows),
                  slot->bitmap.pixel_mode == FT_PIXEL_MODE_BGRA,
                  {}};
    ink.Pixels.reserve(size_t(ink.Width) * size_t(ink.Height));
    for (unsigned y = 0; y < slot->bitmap.rows; ++y)
        for (unsigned x = 0; x < slot->bitmap.width; ++x)
        {
            double sum[4] = {};
            Sample(slot->bitmap, x, y, sum);
            const double a = std::max(sum[0], 1.0);
            ink.Pixels.push_back(Argb(uint8_t(sum[0]), uint8_t(sum[1] * 255 / a),
                                      uint8_t(sum[2] * 255 / a), uint8_t(sum[3] * 255 / a)));
        }
    return ink;
}

// A strike's bitmap brought to the drawn size, each pixel the average of what it covers.
SGlyphInk CGlyphFace::Scaled(const FT_Bitmap& bitmap, int left, int top) const
{
    const double s = BitmapScale;
    if (bitmap.width == 0 || bitmap.rows == 0)
        return {};
    SGlyphInk ink{int(std::lround(left * s)),
                  int(std::lround(top * s)),
                  std::max(1, int(std::lround(bitmap.width * s))),
                  std::max(1, int(std::lround(bitmap.rows * s))),
                  bitmap.pixel_mode == FT_PIXEL_MODE_BGRA,
                  {}};
    ink.Pixels.reserve(size_t(ink.Width) * size_t(ink.Height));
    for (int y = 0; y < ink.Height; ++y)
        for (int x = 0; x < ink.Width; ++x)
        {
            const unsigned x0 = std::min(unsigned(x / s), bitmap.width - 1);
            const unsigned y0 = std::min(unsigned(y / s), bitmap.rows - 1);
            const unsigned x1 = std::clamp(unsigned((x + 1) / s), x0 + 1, bitmap.width);
            const unsigned y1 = std::clamp(unsigned((y + 1) / s), y0 + 1, bitmap.rows);
            double sum[4] = {};
            for (unsigned v = y0; v < y1; ++v)
                for (unsigned u = x0; u < x1; ++u)
                    Sample(bitmap, u, v, sum);
            const double n = double(y1 - y0) * (x1 - x0), a = std::max(sum[0], 1.0);
            ink.Pixels.push_back(Argb(uint8_t(sum[0] / n), uint8_t(sum[1] * 255 / a),
                                      uint8_t(sum[2] * 255 / a), uint8_t(sum[3] * 255 / a)));
        }
    return ink;
}

double CGlyphFace::StrokePerEm(const std::u32string& sample)
{
    std::vector<int> runs;
    // A run of ink along a row or a column, from the first pixel at least half covered.
    const auto measure = [&](const SGlyphInk& ink, bool rows)
    {
        const int lines = rows ? ink.Height : ink.Width, length = rows ? ink.Width : ink.Height;
        for (int line = 0; line < lines; ++line)
        {
            int run = 0;
            for (int at = 0; at <= length; ++at)
            {
                const size_t pixel = rows ? size_t(line) * size_t(ink.Width) + size_t(at)
                                          : size_t(at) * size_t(ink.Width) + size_t(line);
                if (at < length && (ink.Pixels[pixel] >> 24) >= 128)
                    ++run;
                else if (run > 0)
                    runs.push_back(run), run = 0;
            }
        }
    };
    for (const char32_t c : sample)
        if (const unsigned glyph = GlyphOf(c))
        {
            const SGlyphInk& ink = Ink(glyph);
            measure(ink, true);
            measure(ink, false);
        }
    if (runs.empty() || Em_px <= 0)
        return 0.0;
    std::nth_element(runs.begin(), runs.begin() + long(runs.size() / 2), runs.end());
    return runs[runs.size() / 2] / Em_px;
}

void CGlyphFace::Free()
{
    Drawn.clear();
    if (Font)
        hb_font_destroy(Font);
    Font = nullptr;
    if (Face)
        FT_Done_Face(Face);
    Face = nullptr;
}
