#pragma once
#include <cstdint>
#include <string>

class CBattleHud;
class CBattleRules;
class CFolderItem;
class CFontManager;
class CGraphics;

// The result screen of a song. Phase 0: the score bar stays full for a second, then pours into
// the rating over three; phase 1: the trophy, the rating, "- New Highscore -" when the save
// made one (or, in its place, why the save failed), and "Click to continue"; a click or Esc moves
// on a phase, and phase 2 is the end. The rating is saved when the screen starts, before anything
// is shown, so a skipped screen loses nothing. Times are the battle's scene-clock milliseconds.
// Main thread only.
class CBattleResults
{
public:
    CBattleResults() = default;
    virtual ~CBattleResults() = default;

    // Where the rating line starts: centred as "Final Rating : 99%" would be.
    void Layout(CFontManager& fonts);
    // A song without weapons has nothing to rate: 0 %, no trophy, nothing saved.
    void Start(const CBattleRules& rules, CFolderItem& song, int64_t songLength, int64_t nowMs);
    // The pour ends in the frame after the one that showed it full.
    void Update(int64_t nowMs);
    void Next() { ++Phase; }

    int GetPhase() const { return Phase; }
    int GetTrophy() const { return Trophy; }
    bool IsNewBest() const { return NewBest; }
    const std::string& GetSaveError() const { return SaveError; }

    // The texts, the trophy and the bar over the battle's picture; `speed` names the rating.
    void Draw(CGraphics& graphics, CFontManager& fonts, const CBattleHud& hud,
              const CBattleRules& rules, const std::string& title, float speed) const;

private:
    void DrawRating(CGraphics& graphics, CFontManager& fonts, double points, double maxScore,
                    float speed) const;

    int Phase = 0;
    int Trophy = 0;
    bool NewBest = false;
    std::string SaveError; // "" unless the save failed
    int64_t StartMs = 0;
    int64_t ElapsedMs = 0;
    int RatingX = 400;
};
