#pragma once
#include "graphics/Label.h"

class CFontManager;
class CGraphics;

// What the browser's panel says in place of "Select a file to play" when a song or a folder
// failed, until the player picks something else.
class CBrowserMessage
{
public:
    enum class EMessage
    {
        None,
        Refused,      // the battle could not read the song
        Gone,         // the song went since the list was read; its row went too
        Unreadable,   // the player may not read the song
        FolderLocked, // the player may not open the folder
        NoSongs,      // Randomize in a folder without songs
    };

    void Say(CFontManager& fonts, EMessage message);
    void Clear() { Message = EMessage::None; }
    bool IsShown() const { return Message != EMessage::None; }
    void Draw(CGraphics& graphics) const;

private:
    EMessage Message = EMessage::None;
    CLabel Text;
};
