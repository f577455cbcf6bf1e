#include "musicselect/BrowserMessage.h"

namespace
{
// Small enough to end before "Current Speed : ".
constexpr const char* Texts[] = {"",
                                 "Cannot play this file: not an audio file we can read",
                                 "This file is gone",
                                 "You may not read this file",
                                 "You may not open this folder",
                                 "No songs here to shuffle"};
constexpr int X = 10, Y = 444;
} // namespace

void CBrowserMessage::Say(CFontManager& fonts, EMessage message)
{
    Message = message;
    if (message != EMessage::None)
        Text.Create(fonts, Texts[int(message)], X, Y, false, 0);
}

void CBrowserMessage::Draw(CGraphics& graphics) const
{
    if (IsShown())
        Text.Draw(graphics);
}
