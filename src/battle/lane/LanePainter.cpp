#include "battle/lane/LanePainter.h"

#include "battle/rules/BattleRules.h"
#include "graphics/Graphics.h"

#include <string>

namespace
{
constexpr int NoAlpha = -1;
} // namespace

template <typename Each> void CLanePainter::ForEachImage(Each each)
{
    each(MinimImage, "data/minim.png", NoAlpha);
    // The shields are glass: Minim shows through.
    each(ShieldImages[0], "data/shield60.png", 128);
    each(ShieldImages[1], "data/shield90.png", 128);
    each(ShieldImages[2], "data/shield120.png", 128);
    for (int octave = 0; octave < Lane::Octaves; ++octave)
        each(BeamBodyImages[octave],
             "data/laser" + std::to_string(Lane::FirstOctave + octave) + ".png", NoAlpha);
    each(BeamLowerCapImage, "data/lazerbottom.png", NoAlpha);
    each(BeamUpperCapImage, "data/lazertop.png", NoAlpha);
    for (int i = 0; i < 3; ++i)
    {
        each(BurstImages[i], "data/burst" + std::to_string(i) + ".png", NoAlpha);
        each(BigBurstImages[i], "data/bigburst" + std::to_string(i) + ".png", NoAlpha);
    }
}

void CLanePainter::Load()
{
    ForEachImage(
        [](CImage& image, const std::string& file, int alpha)
        {
            image.Load(file, true);
            if (alpha != NoAlpha)
                image.SetAlpha(uint8_t(alpha));
        });
}

void CLanePainter::Free()
{
    ForEachImage([](CImage& image, const std::string&, int) { image.Free(); });
}

void CLanePainter::DrawMinim(CGraphics& graphics, const CBattleRules& rules) const
{
    const int x = rules.MinimX;
    const int width = rules.ShieldWidth;
    graphics.Draw(MinimImage.GetSurface(), int16_t(x + width / 2 - MinimImage.GetWidth() / 2),
                  int16_t(rules.MinimY + 10));
    graphics.Draw(ShieldImages[rules.ShieldForm()].GetSurface(), int16_t(x), int16_t(rules.MinimY));
}

void CLanePainter::DrawLane(CGraphics& graphics, const CBattleRules& rules) const
{
    for (int r = 0; r < Lane::Rows; ++r)
    {
        const SLaneRow& row = rules.LaneRows[size_t(r)];
        const CImage* slice = nullptr;
        switch (row.Slice)
        {
        case ESlice::None:
            continue;
        case ESlice::Body:
            slice = &BeamBodyImages[Lane::Octave(row.Note) - Lane::FirstOctave];
            break;
        case ESlice::LowerCap:
            slice = &BeamLowerCapImage;
            break;
        case ESlice::UpperCap:
            slice = &BeamUpperCapImage;
            break;
        }
        graphics.Draw(slice->GetSurface(), int16_t(Lane::ColumnX(row.Note)),
                      int16_t(Lane::RowY(r)));
    }
    if (rules.BurstNote == 0)
        return;
    const CImage* bursts = rules.BigBurst ? BigBurstImages : BurstImages;
    graphics.Draw(bursts[rules.BurstPicture].GetSurface(), int16_t(Lane::BurstX(rules.BurstNote)),
                  int16_t(Lane::BurstY(rules.BigBurst)));
}
