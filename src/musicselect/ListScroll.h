#pragma once
#include "musicselect/ListGeometry.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

// The browser's scroll position: the first visible row of a list of `entries`, and the
// thumb that shows it. Unsigned arithmetic, so the thumb never lands above the bar.
namespace ListScroll
{
constexpr uint64_t VisibleRows = ListGeometry::Rows;

// The thumb's top edge for a list of `entries` scrolled to scrollTop.
inline int ThumbY(uint32_t scrollTop, size_t entries)
{
    if (entries <= VisibleRows)
        return ListGeometry::Top;
    return ListGeometry::Top + static_cast<int>(uint64_t(scrollTop) * ListGeometry::ThumbTravel /
                                                (entries - VisibleRows));
}

// The first visible row for a thumb dragged to y (clamped to the bar); lists of more than
// 20 entries only.
inline uint32_t ScrollTopAt(int y, size_t entries)
{
    const int top = ListGeometry::Top;
    const uint64_t offset = uint64_t(std::clamp(y, top, top + ListGeometry::ThumbTravel) - top);
    return static_cast<uint32_t>((entries - VisibleRows) * offset / ListGeometry::ThumbTravel);
}

// scrollTop moved by `rows` (negative: up), kept where the last row is still at the bottom.
inline uint32_t ScrolledBy(uint32_t scrollTop, int64_t rows, size_t entries)
{
    const int64_t last = entries > VisibleRows ? int64_t(entries - VisibleRows) : 0;
    return static_cast<uint32_t>(std::clamp<int64_t>(int64_t(scrollTop) + rows, 0, last));
}

// The smallest change of scrollTop that brings list index `index` into view.
inline uint32_t Showing(uint32_t scrollTop, uint64_t index)
{
    if (index < scrollTop)
        return static_cast<uint32_t>(index);
    if (index >= scrollTop + VisibleRows)
        return static_cast<uint32_t>(index + 1 - VisibleRows);
    return scrollTop;
}

// The screen row under y, or -1 outside the rows (both edges excluded).
inline int64_t RowAt(int y)
{
    if (y <= ListGeometry::Top || y >= ListGeometry::Bottom)
        return -1;
    return (y - ListGeometry::Top) / ListGeometry::RowHeight;
}

// On the thumb drawn at thumbY: a 16 × 16 box, its edges excluded.
inline bool OnThumb(int x, int y, int thumbY)
{
    return x > ListGeometry::ThumbX && x < ListGeometry::ThumbX + ListGeometry::ThumbSize &&
           y > thumbY && y < thumbY + ListGeometry::ThumbSize;
}

// On the scroll bar's track: the column right of the rows where the thumb travels.
inline bool OnTrack(int x, int y)
{
    return x >= ListGeometry::ScrollBarX && x < ListGeometry::ThumbX + ListGeometry::ThumbSize &&
           RowAt(y) >= 0;
}
} // namespace ListScroll
