#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

// The browser's scroll bar: 400 pixels high from y = 28, with a 16-pixel thumb that travels
// 384 pixels while the list scrolls from its first row to its last 20. Unsigned arithmetic,
// so the thumb never lands above the bar.
namespace ListScroll
{
constexpr uint64_t VisibleRows = 20;
constexpr int BarTop = 28;
constexpr int ThumbTravel = 384;

// The thumb's top edge for a list of `entries` scrolled to scrollTop.
inline int ThumbY(uint32_t scrollTop, size_t entries)
{
    if (entries <= VisibleRows)
        return BarTop;
    return BarTop + static_cast<int>(uint64_t(scrollTop) * ThumbTravel / (entries - VisibleRows));
}

// The first visible row for a thumb dragged to y (clamped to the bar); lists of more than
// 20 entries only.
inline uint32_t ScrollTopAt(int y, size_t entries)
{
    const uint64_t offset = uint64_t(std::clamp(y, BarTop, BarTop + ThumbTravel) - BarTop);
    return static_cast<uint32_t>((entries - VisibleRows) * offset / ThumbTravel);
}
} // namespace ListScroll
