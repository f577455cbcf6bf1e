#pragma once
#include "musicselect/ListGeometry.h"

#include <SDL/SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CFolderItem;
class CFontManager;
class CGraphics;

// The pictures a list row is made of; the scene owns them and keeps them alive while rows
// are rendered. A missing picture leaves that part out.
struct SRowPictures
{
    SDL_Surface* OddBackground = nullptr;      // rows of odd list index
    SDL_Surface* EvenBackground = nullptr;     // rows of even list index
    SDL_Surface* SelectedBackground = nullptr; // opaque: the selected song's row
    SDL_Surface* HoverOverlay = nullptr;       // half-transparent, over the row under the pointer
    SDL_Surface* Medals[4] = {};               // bronze, silver, gold, perfect
};

// What the rows show: the list, its first visible index, the selected list index and the
// hovered screen row (-1 = none for both).
struct SRowView
{
    const std::vector<std::unique_ptr<CFolderItem>>* Items = nullptr;
    uint32_t ScrollTop = 0;
    int32_t SelectedIndex = -1;
    int32_t HoverRow = -1;
};

// The browser's 20 visible list rows, composed into cached surfaces only when something
// visible changes, so a frame only blits them. A render keeps the rows whose look has not
// changed (the pointer moving to the next row rebuilds two). Main thread only.
class CBrowserRows
{
public:
    static constexpr int Count = ListGeometry::Rows;
    static constexpr int Top = ListGeometry::Top; // screen y of row 0
    static constexpr int Height = ListGeometry::RowHeight;

    CBrowserRows() = default;
    virtual ~CBrowserRows() { Free(); }
    CBrowserRows(const CBrowserRows&) = delete;
    CBrowserRows& operator=(const CBrowserRows&) = delete;

    // Rebuilds every visible row; rows past the end of the list stay empty.
    void Render(CFontManager& fonts, const SRowPictures& pictures, const SRowView& view);
    void Draw(CGraphics& graphics) const;
    void Free();

private:
    // Everything a row's pixels depend on.
    struct SLook
    {
        std::string Name;
        bool Song = false;
        int32_t Rating = 0;
        SDL_Surface* Background = nullptr;
        bool Hovered = false;
        bool operator==(const SLook&) const = default;
    };

    SDL_Surface* BuildRow(CFontManager& fonts, const SRowPictures& pictures,
                          const SLook& look) const;
    void FreeRow(int row);

    SDL_Surface* Rows[Count] = {};
    SLook Looks[Count];
};
