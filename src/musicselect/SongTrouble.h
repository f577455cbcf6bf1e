#pragma once
#include <string>

// Why a song that was listed could not be opened, as far as the file system tells: it is gone
// (deleted or moved since the list was read), the player may not read it, or it is there and
// readable but no audio we decode.
enum class ESongTrouble
{
    Unplayable,
    Gone,
    Unreadable
};

ESongTrouble SongTrouble(const std::string& path);
