#include "graphics/TextRing.h"

#include <algorithm>
#include <vector>

namespace
{
constexpr Uint8 InkAlpha = 96; // a pixel this opaque or more is part of a stroke

// The text's alpha, with a pixel of transparent margin all round.
class CAlpha
{
public:
    explicit CAlpha(SDL_Surface* text)
        : W(text->w + 2), H(text->h + 2), Values(size_t(W) * size_t(H), 0)
    {
        for (int y = 0; y < text->h; ++y)
            for (int x = 0; x < text->w; ++x)
            {
                Uint8 r, g, b, a;
                SDL_GetRGBA(reinterpret_cast<const Uint32*>(
                                static_cast<const Uint8*>(text->pixels) + y * text->pitch)[x],
                            text->format, &r, &g, &b, &a);
                Values[size_t(y + 1) * size_t(W) + size_t(x + 1)] = a;
            }
    }
    Uint8 At(int u, int v) const
    {
        return u < 0 || v < 0 || u >= W || v >= H ? 0 : Values[size_t(v) * size_t(W) + size_t(u)];
    }
    // Whether a stroke lies within reach on both sides of (u, v) along (du, dv).
    bool Between(int u, int v, int du, int dv) const
    {
        bool before = false, after = false;
        for (int k = 1; k <= RingInsideReach; ++k)
        {
            before = before || At(u - k * du, v - k * dv) >= InkAlpha;
            after = after || At(u + k * du, v + k * dv) >= InkAlpha;
        }
        return before && after;
    }
    const int W, H;

private:
    std::vector<Uint8> Values;
};
} // namespace

SDL_Surface* OutsideRing(SDL_Surface* text, SDL_Color colour)
{
    if (!text || SDL_LockSurface(text) != 0)
        return nullptr;
    const CAlpha alpha(text);
    SDL_UnlockSurface(text);
    SDL_Surface* ring = SDL_CreateRGBSurface(SDL_SWSURFACE, alpha.W, alpha.H, 32, 0x00FF0000,
                                             0x0000FF00, 0x000000FF, 0xFF000000);
    if (!ring)
        return nullptr;
    const Uint32 rgb = Uint32(colour.r) << 16 | Uint32(colour.g) << 8 | colour.b;
    for (int v = 0; v < alpha.H; ++v)
    {
        auto* out = reinterpret_cast<Uint32*>(static_cast<Uint8*>(ring->pixels) + v * ring->pitch);
        for (int u = 0; u < alpha.W; ++u)
        {
            Uint8 strongest = 0;
            if (!alpha.Between(u, v, 1, 0) && !alpha.Between(u, v, 0, 1))
                for (int dv = -1; dv <= 1; ++dv)
                    for (int du = -1; du <= 1; ++du)
                        strongest = std::max(strongest, alpha.At(u + du, v + dv));
            out[u] = Uint32(strongest) << 24 | rgb;
        }
    }
    return ring;
}
