// The wave display: its bitmap with the current wave traced over it, one
// point per column. Noise, which has no stored samples, is drawn as a
// random trace that changes with every draw.
#pragma once

#include <array>
#include <cstdint>

#include "framework/IControl.h"
#include "graphics/Bitmap.h"

namespace qor {

class PanelView;

class IMwWaveDisplay : public IControl {
public:
    static constexpr int kNoiseWave = 33;
    static constexpr int kSamples = 512;
    static constexpr int kCentreY = 28;  // the zero line, below the top

    IMwWaveDisplay(IPlugBase& plug, int x, int y, const gfx::Bitmap& bitmap, PanelView& panel);

    // The trace's height at column i of n for the stored samples:
    // top + 28 - (sample - 128) / 5, with sample index (floor(i x 512 / n) x 2
    // + 1024) mod 1024 (the samples are read as if the table were 1024 long).
    static float SampleY(const uint8_t* samples, int i, int n, int top);

    bool IsDirty() const override;
    bool IsHit(int x, int y) const override { return false; }
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;

private:
    const gfx::Bitmap& mBitmap;
    PanelView& mPanel;
    int mDrawnWave = -1;
    bool mDrawnHasSamples = false;
    std::array<uint8_t, kSamples> mDrawnSamples{};  // a user wave may change in place
};

}  // namespace qor
