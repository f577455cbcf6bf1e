#pragma once
// Where the browser's list sits on the 800 × 600 screen: 20 rows of 20 pixels from y = 28,
// the scroll bar right of them and its 16-pixel thumb. Everything that draws, hit-tests or
// scrolls the list takes its numbers from here.
namespace ListGeometry
{
constexpr int Rows = 20;
constexpr int RowHeight = 20;
constexpr int Top = 28;                        // screen y of row 0, and of the scroll bar
constexpr int Bottom = Top + Rows * RowHeight; // the rows end, and the lower separator starts
constexpr int ScrollBarX = 780;                // also the width of a row
constexpr int ThumbX = ScrollBarX - 4;
constexpr int ThumbSize = 16;
constexpr int ThumbTravel = Bottom - Top - ThumbSize; // 384
} // namespace ListGeometry
