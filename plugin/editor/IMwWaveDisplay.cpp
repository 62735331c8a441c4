#include "plugin/editor/IMwWaveDisplay.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "plugin/PanelView.h"
#include "plugin/editor/PanelStyle.h"

namespace qor {

namespace {

// The noise trace's generator: r = r x 16807, wrapping, from 1 once per
// program run; it keeps running between draws and between instances.
std::atomic<int32_t> gNoiseState{1};

int32_t NextNoise()
{
    int32_t r = gNoiseState.load(std::memory_order_relaxed);
    r = static_cast<int32_t>(static_cast<uint32_t>(r) * 16807u);
    gNoiseState.store(r, std::memory_order_relaxed);
    return r;
}

}  // namespace

IMwWaveDisplay::IMwWaveDisplay(IPlugBase& plug, int x, int y, const gfx::Bitmap& bitmap, PanelView& panel)
    : IControl(plug, {x, y, x + bitmap.Width(), y + bitmap.FrameHeight()}, -324), mBitmap(bitmap), mPanel(panel)
{
}

float IMwWaveDisplay::SampleY(const uint8_t* samples, int i, int n, int top)
{
    const double s = double(kSamples) / n;
    const int index = static_cast<int>(std::floor(i * s)) % kSamples;
    return float(top + kCentreY - (int(samples[index]) - 128) / 5);
}

bool IMwWaveDisplay::IsDirty() const
{
    if (mDirty) return true;
    const PanelView::WaveView wave = mPanel.CurrentWave();
    // Noise moves on every frame.
    if (!wave.samples && wave.wave == kNoiseWave) return true;
    if (wave.wave != mDrawnWave || (wave.samples != nullptr) != mDrawnHasSamples) return true;
    return wave.samples && !std::equal(mDrawnSamples.begin(), mDrawnSamples.end(), wave.samples);
}

void IMwWaveDisplay::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    const PanelView::WaveView wave = mPanel.CurrentWave();
    mDrawnWave = wave.wave;
    mDrawnHasSamples = wave.samples != nullptr;
    if (wave.samples) std::copy(wave.samples, wave.samples + kSamples, mDrawnSamples.begin());
    if (!mBitmap.Empty()) surface.DrawBitmapFrame(mBitmap, 0, mRECT.left, mRECT.top);
    const bool noise = !wave.samples && wave.wave == kNoiseWave;
    if (!wave.samples && !noise) return;
    const int n = mRECT.W() - 2;
    if (n <= 0) return;
    float lastX = 0.0f, lastY = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float x = float(mRECT.left + 1 + i);
        const float y = noise ? float(mRECT.top + kCentreY - 24.0 * NextNoise() / 2147483648.0)
                              : SampleY(wave.samples, i, n, mRECT.top);
        // Through the pixels' centres, so that a flat stretch is one crisp row.
        if (i > 0) surface.DrawLine(lastX + 0.5f, lastY + 0.5f, x + 0.5f, y + 0.5f, panel::style::kWaveLine);
        lastX = x;
        lastY = y;
    }
}

}  // namespace qor
