// The panel art the plug-in carries: every bitmap the editor loads is
// embedded, decodes, and has the frames and frame size the layout places it by.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "graphics/Color.h"
#include "graphics/Png.h"
#include "plugin/PanelLayout.h"
#include "platform/Resources.h"

namespace {

using namespace qor::panel;

// "resources/img/knob.png" is the resource PNG/"knob".
std::optional<gfx::Bitmap> Load(const BitmapInfo& info)
{
    std::string_view name = info.resource;
    name = name.substr(name.rfind('/') + 1);
    name = name.substr(0, name.find('.'));
    const auto bytes = qor::platform::FindResource("PNG", name);
    if (!bytes) return std::nullopt;
    return gfx::DecodePng(*bytes, info.frames);
}

// The pixels of one frame, to tell frames apart.
std::vector<uint32_t> FramePixels(const gfx::Bitmap& b, int frame)
{
    const gfx::Rect r = b.FrameRect(frame);
    std::vector<uint32_t> pixels;
    for (int y = r.top; y < r.bottom; ++y) pixels.insert(pixels.end(), b.Row(y), b.Row(y) + b.Width());
    return pixels;
}

TEST(PanelArtTest, EveryBitmapHasItsFramesAndSize)
{
    const struct {
        BitmapInfo info;
        FrameSize size;
    } expected[] = {
        {kBack, {kWidth, kHeight}},          {kKnob, kKnobFrame},
        {kLedSegments, kDigitFrame},         {kLedSegmentsOrange, kDigitFrame},
        {kLed, kLedFrame},                   {kProtectSwitch, kProtectSwitchFrame},
        {kOutputSwitch, kOutputSwitchFrame}, {kTextDisplay, kTextDisplayFrame},
        {kWaveDisplay, kWaveDisplayFrame},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.info.resource);
        const auto bitmap = Load(e.info);
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(bitmap->Width(), e.size.width);
        EXPECT_EQ(bitmap->FrameHeight(), e.size.height);
        EXPECT_EQ(bitmap->Height(), e.size.height * e.info.frames);
        // Every frame shows something different from the one before.
        for (int f = 1; f < e.info.frames; ++f) EXPECT_NE(FramePixels(*bitmap, f), FramePixels(*bitmap, f - 1)) << f;
    }
    // The wave display fits its 128-point trace: 4 samples a point, 3..54 px.
    EXPECT_EQ(512 / (kWaveDisplayFrame.width - 2), 4);
    EXPECT_GE(kWaveDisplayFrame.height, 28 + 26);
    // Digits fit inside their displays.
    for (const LedDisplay& d : kLedDisplays) {
        EXPECT_LE(kDigitRightX + kDigitFrame.width, d.rect.W());
        EXPECT_LE(kDigitY + kDigitFrame.height, d.rect.H());
    }
}

TEST(PanelArtTest, SegmentFramesLightOneSegmentEach)
{
    for (const BitmapInfo& info : {kLedSegments, kLedSegmentsOrange}) {
        SCOPED_TRACE(info.resource);
        const auto strip = Load(info);
        ASSERT_TRUE(strip);
        // Each frame is clear except where its segment is; no two frames
        // light the same pixels, and together they cover the digit's
        // outline: top (a, frame 0), middle (g, frame 7), bottom (d, frame 3).
        std::set<std::vector<bool>> shapes;
        std::vector<int> litFrameAt(size_t(kDigitFrame.width * kDigitFrame.height), -1);
        for (int f = 0; f < 8; ++f) {
            const gfx::Rect r = strip->FrameRect(f);
            std::vector<bool> lit;
            int count = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = 0; x < strip->Width(); ++x) {
                    const bool on = gfx::Unpack(strip->Row(y)[x]).a > 128;
                    lit.push_back(on);
                    if (on) litFrameAt[size_t((y - r.top) * kDigitFrame.width + x)] = f, ++count;
                }
            EXPECT_GT(count, 4) << f;
            EXPECT_LT(count, kDigitFrame.width * kDigitFrame.height / 6) << f;
            shapes.insert(lit);
        }
        EXPECT_EQ(shapes.size(), 8u);
        const int cx = kDigitFrame.width / 2;
        const auto frameInColumn = [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                if (const int f = litFrameAt[size_t(y * kDigitFrame.width + cx)]; f >= 0) return f;
            return -1;
        };
        const int h = kDigitFrame.height;
        EXPECT_EQ(frameInColumn(0, h / 4), 0);          // a
        EXPECT_EQ(frameInColumn(h / 3, 2 * h / 3), 7);  // g
        EXPECT_EQ(frameInColumn(3 * h / 4, h), 3);      // d
    }
}

}  // namespace
