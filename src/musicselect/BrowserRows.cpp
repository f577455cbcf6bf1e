#include "musicselect/BrowserRows.h"

#include "graphics/FontManager.h"
#include "graphics/Graphics.h"
#include "graphics/OwnedSurface.h"
#include "songs/FolderItem.h"
#include "songs/Highscores.h"

#include <cstdio>
#include <utility>

namespace
{
constexpr int NameX = 10;
constexpr int NameMaxWidth = 580;
constexpr int RatingRight = 699;
constexpr int RatingMaxWidth = 100;
constexpr int MedalX = 720;
constexpr int RowWidth = ListGeometry::ScrollBarX;

// Blits at most maxWidth pixels of the source's left part onto the row.
void BlitLeftPart(SDL_Surface* source, SDL_Surface* row, int x, int maxWidth)
{
    if (!source)
        return;
    SDL_Rect part{0, 0, static_cast<Uint16>(maxWidth), static_cast<Uint16>(source->h)};
    SDL_Rect to{static_cast<Sint16>(x), 0, 0, 0};
    SDL_UpperBlit(source, &part, row, &to);
}

// A copy of the background to draw on; without one, a see-through row keeps the text visible.
SDL_Surface* RowCanvas(SDL_Surface* background)
{
    if (background)
        return SDL_ConvertSurface(background, background->format, background->flags);
    const SDL_Surface* screen = SDL_GetVideoSurface();
    if (!screen)
        return nullptr;
    const SDL_PixelFormat& format = *screen->format;
    SDL_Surface* row =
        SDL_CreateRGBSurface(SDL_SWSURFACE, RowWidth, CBrowserRows::Height, format.BitsPerPixel,
                             format.Rmask, format.Gmask, format.Bmask, 0);
    if (!row)
        return nullptr;
    const Uint32 key = SDL_MapRGB(row->format, 255, 0, 255);
    SDL_FillRect(row, nullptr, key);
    SDL_SetColorKey(row, SDL_SRCCOLORKEY, key);
    return row;
}
} // namespace

void CBrowserRows::FreeRow(int row)
{
    if (Rows[row])
        SDL_FreeSurface(Rows[row]);
    Rows[row] = nullptr;
    Looks[row] = SLook{};
}

void CBrowserRows::Free()
{
    for (int r = 0; r < Count; ++r)
        FreeRow(r);
}

void CBrowserRows::Render(CFontManager& fonts, const SRowPictures& pictures, const SRowView& view)
{
    const size_t entries = view.Items ? view.Items->size() : 0;
    for (int r = 0; r < Count; ++r)
    {
        const uint64_t index = uint64_t(view.ScrollTop) + uint64_t(r);
        if (index >= entries)
        {
            FreeRow(r);
            continue;
        }
        const CFolderItem& item = *(*view.Items)[index];
        SLook look;
        look.Name = item.GetDisplayName();
        look.Song = item.GetKind() == CFolderItem::SongKind;
        look.Rating = look.Song ? item.GetBestRating() : 0;
        look.Background = view.SelectedIndex >= 0 && index == uint64_t(view.SelectedIndex)
                              ? pictures.SelectedBackground
                          : index % 2 == 1 ? pictures.OddBackground
                                           : pictures.EvenBackground;
        look.Hovered = r == view.HoverRow;
        if (Rows[r] && look == Looks[r])
            continue;
        FreeRow(r);
        Rows[r] = BuildRow(fonts, pictures, look);
        Looks[r] = std::move(look);
    }
}

SDL_Surface* CBrowserRows::BuildRow(CFontManager& fonts, const SRowPictures& pictures,
                                    const SLook& look) const
{
    SDL_Surface* row = RowCanvas(look.Background);
    if (!row)
        return nullptr;
    const COwnedSurface name(fonts.RenderSmall(look.Name, true, NameMaxWidth));
    BlitLeftPart(name.get(), row, NameX, NameMaxWidth);

    if (look.Song)
    {
        const int32_t rating = look.Rating;
        char text[16] = "---";
        if (rating != 0)
            std::snprintf(text, sizeof text, "%d%%", rating);
        if (const COwnedSurface ratingText{fonts.RenderSmall(text, true)})
            BlitLeftPart(ratingText.get(), row, RatingRight - ratingText->w, RatingMaxWidth);
        const int medal = TrophyFor(rating) - 1; // the trophy the rating earned
        if (medal >= 0 && pictures.Medals[medal])
            BlitLeftPart(pictures.Medals[medal], row, MedalX, pictures.Medals[medal]->w);
    }
    if (look.Hovered && pictures.HoverOverlay)
        BlitLeftPart(pictures.HoverOverlay, row, 0, pictures.HoverOverlay->w);
    return row;
}

void CBrowserRows::Draw(CGraphics& graphics) const
{
    for (int r = 0; r < Count; ++r)
        graphics.Draw(Rows[r], 0, static_cast<int16_t>(Top + r * Height));
}
