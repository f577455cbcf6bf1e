#pragma once
#include <cstdint>

class CFolderItem;
class CSharedData;

// Which song of the browser's list the battle plays (the shared SelectedItem) and which one
// follows it: PageDown and PageUp wrap round the folder's songs, continuous play goes on to
// the last one, Q goes back to the browser. Main thread only.
class CSongQueue
{
public:
    // What the player asked for during a song, in the order keys of one frame give way:
    // PageDown over PageUp over Q.
    enum class EAsked
    {
        Nothing,  // the song ran out: continuous play goes on
        Back,     // Q
        Previous, // PageUp
        Next,     // PageDown
    };

    CSongQueue() = default;
    virtual ~CSongQueue() = default;

    void SetShared(CSharedData* shared) { Shared = shared; }
    // The selected entry when it is a song of the list, else null.
    CFolderItem* Current() const;
    // Selects the song that follows after `asked`; false when the battle is over.
    bool Advance(EAsked asked);

private:
    CSharedData* Shared = nullptr;
};
