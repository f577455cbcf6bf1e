#pragma once
#include "audio/map/Sample.h"

#include <cstdint>

// Where the battle's play area and lane stand on the screen (pixels, origin top left), and
// how the lane maps song positions to rows and notes to columns. Everything that judges or
// draws the lane uses these, so a beam is caught exactly where it is seen.
namespace Lane
{
// The play area Minim moves in (the scene's FieldRect), and the lane inside it (LaneRect).
constexpr int FieldLeft = 40;
constexpr int FieldTop = 0;
constexpr int FieldWidth = 720;
constexpr int FieldHeight = 550;
constexpr int FieldRight = FieldLeft + FieldWidth;
constexpr int Left = FieldLeft + 60;
constexpr int Top = FieldTop + 50;
constexpr int Width = FieldWidth;
constexpr int Height = FieldHeight - 50;
constexpr int Bottom = Top + Height; // the ground line, where missed weapons land

// Rows are screen lines counted from the bottom. The catch line shows what is heard now; the
// rows above it show the coming song, those below it the song just heard.
constexpr int Rows = Height;
constexpr int CatchRow = 100;
constexpr int RowsPerSpeed = Rows - CatchRow; // the shared Speed is the time of these rows
// A shield catches in rows up to this one; its picture's top is the line just below it.
constexpr int ShieldTopRow = 105;
constexpr int ShieldTop = Bottom - ShieldTopRow;

// Playable notes: one 10-pixel column, and one cannon above it, per semitone.
constexpr int FirstNote = FirstWeaponNote;
constexpr int LastNote = LastWeaponNote;
constexpr int Columns = LastNote - FirstNote + 1;
constexpr int ColumnWidth = 10;
constexpr int CannonY = 31;

constexpr bool IsPlayable(int note)
{
    return note >= FirstNote && note <= LastNote;
}
constexpr int Column(int note)
{
    return note - FirstNote;
}
constexpr int ColumnX(int note)
{
    return Left + ColumnWidth * Column(note);
}
// Where the catch span is tested: the middle of the beam.
constexpr int BeamCentreX(int note)
{
    return ColumnX(note) + ColumnWidth / 2;
}
// The octave of a note picks its beam's body picture; playable notes lie in octaves 3..7.
constexpr int Octave(int note)
{
    return note / 12;
}
constexpr int FirstOctave = Octave(FirstNote);
constexpr int Octaves = Octave(LastNote) - FirstOctave + 1;

constexpr int RowY(int row)
{
    return Bottom - 1 - row;
}
// The song position a row shows while position is heard at the catch line.
constexpr int64_t RowPosition(int64_t position, int row, int64_t bytesPerLine)
{
    return position + (row - CatchRow) * bytesPerLine;
}

// The burst of a catch, over the caught beam's column just above the catch line; the big one
// marks the first sample of a beam.
constexpr int BurstX(int note)
{
    return ColumnX(note) - 5;
}
constexpr int BurstY(bool big)
{
    return Bottom - (big ? 118 : 108);
}
} // namespace Lane
