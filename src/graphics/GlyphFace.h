#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H
#include <harfbuzz/hb.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// The ink of one glyph: a block of 32-bit ARGB pixels (for a one-colour glyph only the alpha
// counts), placed from the pen at the baseline: Left pixels right of it, Top pixels above.
struct SGlyphInk
{
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Colour = false;
    std::vector<uint32_t> Pixels;
};

// One font file at one size, as HarfBuzz shapes it and FreeType draws it. A scalable face is
// drawn at the size asked for; a face of fixed bitmaps (colour emoji) has its nearest strike
// scaled to it. Glyphs are kept once drawn. Main thread only.
class CGlyphFace
{
public:
    CGlyphFace() = default;
    virtual ~CGlyphFace() { Free(); }
    CGlyphFace(const CGlyphFace&) = delete;
    CGlyphFace& operator=(const CGlyphFace&) = delete;

    // Opens the face; false (nothing open) when FreeType or HarfBuzz cannot read it. With
    // placeMarks, HarfBuzz places marks on their letters by their ink and combining class and
    // leaves the font's own positioning aside: for a font whose marks have no anchors.
    bool Open(FT_Library library, const std::string& file, int index, bool placeMarks = false);
    // Its x-height as a share of its em: its "x", else what the font states; 0 for neither.
    double XHeightPerEm() const;
    // The height of c's ink as a share of its em; 0 when it has no glyph for c.
    double InkHeightPerEm(char32_t c) const;
    // The size glyphs are shaped and drawn at, em_px pixels to the em; thickens the strokes by
    // emboldenPx pixels (a lighter face beside a bold font), or thins them when negative.
    bool SetSize(double em_px, double emboldenPx = 0.0);
    // How thick its strokes are, as a share of its em: the typical run of ink across the
    // strokes of the sample's glyphs, along rows and columns, at the size set; 0 when it draws
    // none of them.
    double StrokePerEm(const std::u32string& sample);
    double Em() const { return Em_px; }
    // Shapes characters [start, end) of the line, the rest of it as context.
    void Shape(hb_buffer_t* buffer, const std::u32string& line, size_t start, size_t end,
               hb_script_t script, bool rightToLeft);
    // The font's own glyph for c, before shaping; 0 when it has none.
    unsigned GlyphOf(char32_t c) const;
    bool IsColour() const { return Face && FT_HAS_COLOR(Face); }
    // The glyph's ink, drawn on first use; empty for a glyph that cannot be drawn.
    const SGlyphInk& Ink(unsigned glyph);
    void Free();

private:
    SGlyphInk Rasterize(unsigned glyph);
    SGlyphInk Scaled(const FT_Bitmap& bitmap, int left, int top) const;

    FT_Face Face = nullptr;
    hb_font_t* Font = nullptr;
    double Em_px = 0.0;
    double BitmapScale = 1.0; // strike pixels to drawn pixels, for a face of fixed bitmaps
    FT_Pos Embolden = 0;      // 26.6 pixels
    std::unordered_map<unsigned, SGlyphInk> Drawn;
};
