#pragma once
#include "battle/rules/LaneGeometry.h"
#include "graphics/Image.h"

class CBattleRules;
class CGraphics;

// Draws what the rules' last lane scan decided: Minim under its shield, the beams' slices row
// by row and the burst of a catch. The battle and the audio sync screen draw with it, so a beam
// looks the same wherever it falls. Owns its pictures; main thread only.
class CLanePainter
{
public:
    CLanePainter() = default;
    virtual ~CLanePainter() { Free(); }
    CLanePainter(const CLanePainter&) = delete;
    CLanePainter& operator=(const CLanePainter&) = delete;

    void Load(); // a missing picture leaves its part undrawn
    void Free();
    void DrawMinim(CGraphics& graphics, const CBattleRules& rules) const;
    void DrawLane(CGraphics& graphics, const CBattleRules& rules) const;

private:
    template <typename Each> void ForEachImage(Each each);

    CImage MinimImage;
    CImage ShieldImages[3]; // in the order of ShieldForms
    CImage BeamBodyImages[Lane::Octaves], BeamLowerCapImage, BeamUpperCapImage;
    CImage BurstImages[3], BigBurstImages[3];
};
