// What the controls put on the screen, read back from an offscreen surface.
#include <cmath>
#include <cstdlib>

#include "framework/ITextControl.h"
#include "plugin/editor/IMwKnobControl.h"
#include "plugin/editor/IMwLEDDisplay.h"
#include "plugin/editor/IMwOptionMenu.h"
#include "plugin/editor/IMwParamControl.h"
#include "plugin/editor/IMwUtilityKick.h"
#include "plugin/editor/IMwUtilityKickMasterAware.h"
#include "plugin/editor/IMwWaveDisplay.h"
#include "plugin/editor/PanelStyle.h"
#include "tests/editor/EditorFixture.h"

namespace qor::test {
namespace {

class ControlDrawing : public EditorFixture {};

TEST_F(ControlDrawing, KnobShowsTheFrameOfItsValue)
{
    const gfx::Bitmap knob = NumberedFrames(20, 20, 65);
    editor->AttachControl(std::make_unique<IMwKnobControl>(*plug, 10, 10, kField, knob));
    Attach();
    // Normalized 0.5 of 65 frames: frame 33 counting from 1.
    editor->SetParameterFromPlug(kField, 0.5, true);
    EXPECT_EQ(At(DrawAll(), 15, 15).r, 32);
    editor->SetParameterFromPlug(kField, 1.0, true);
    EXPECT_EQ(At(DrawAll(), 15, 15).r, 64);
    editor->SetParameterFromPlug(kField, 0.0, true);
    gfx::Surface s = DrawAll();
    EXPECT_EQ(At(s, 15, 15).r, 0);
    EXPECT_EQ(At(s, 15, 15).g, 100);
    EXPECT_EQ(At(s, 35, 15), (gfx::Color{255, 0, 0, 0}));  // nothing beside the knob
}

// Segment bitmaps of 8 frames: frame i is transparent but for a 2 x 2 dot at
// (2i, 0), so every lit segment shows at its own place.
gfx::Bitmap SegmentDots()
{
    gfx::Bitmap bitmap(16, 4 * 8, 8);
    for (int f = 0; f < 8; ++f) {
        const int top = bitmap.FrameRect(f).top;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) bitmap.Row(top + y)[2 * f + x] = gfx::Pack({255, 255, 40, 40});
    }
    return bitmap;
}

TEST_F(ControlDrawing, LedDisplayLightsTheSegmentsOfItsPattern)
{
    const gfx::Bitmap segments = SegmentDots();
    const gfx::Rect rect{100, 50, 172, 102};
    editor->AttachControl(
        std::make_unique<IMwLEDDisplay>(*plug, rect, PanelView::kDisplayLeft, segments, panel));
    Attach();
    // Left digit "7" with its dot (a, b, c, dot); right digit "-" (g).
    panel.pattern = uint16_t((PanelView::kSegA | PanelView::kSegB | PanelView::kSegC | PanelView::kSegDot) << 8 |
                             PanelView::kSegG);
    const gfx::Surface s = DrawAll();
    // Frame order: a, f, e, d, c, b, dot, g.
    const bool leftLit[8] = {true, false, false, false, true, true, true, false};
    const bool rightLit[8] = {false, false, false, false, false, false, false, true};
    for (int f = 0; f < 8; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(At(s, rect.left + 6 + 2 * f, rect.top + 12).r == 255, leftLit[f]);
        EXPECT_EQ(At(s, rect.left + 38 + 2 * f, rect.top + 12).r == 255, rightLit[f]);
    }
    // A new pattern makes the display dirty without anyone telling it.
    gfx::Rect dirty;
    EXPECT_FALSE(editor->IsDirty(dirty));
    panel.pattern = 0;
    ASSERT_TRUE(editor->IsDirty(dirty));
    EXPECT_EQ(dirty, rect);
}

TEST_F(ControlDrawing, WaveDisplayTracesTheWaveInItsColour)
{
    const gfx::Bitmap back = Solid(130, 60, {255, 0, 0, 0});
    editor->AttachControl(std::make_unique<IMwWaveDisplay>(*plug, 20, 30, back, panel));
    Attach();
    // A rising ramp over the cycle: 128 - 64 .. 128 + 63.
    uint8_t ramp[512];
    for (int k = 0; k < 512; ++k) ramp[k] = uint8_t(64 + k / 4);
    panel.wave = {5, ramp};
    const gfx::Surface s = DrawAll();
    const int n = 130 - 2;
    for (int i = 4; i < n - 4; i += 9) {
        SCOPED_TRACE(i);
        const int x = 20 + 1 + i;
        const int y = int(std::lround(IMwWaveDisplay::SampleY(ramp, i, n, 30)));
        const int sample = ramp[int(std::floor(i * 512.0 / n))];
        EXPECT_EQ(y, 30 + 28 - (sample - 128) / 5);
        // On the path: the trace's green; well off it: the black display.
        const gfx::Color on = At(s, x, y);
        EXPECT_GT(on.g, 120);
        EXPECT_GT(on.g, on.r);
        EXPECT_EQ(At(s, x, y + 8).g, 0);
        EXPECT_EQ(At(s, x, y - 8).g, 0);
    }
}

TEST_F(ControlDrawing, NoiseIsARandomTraceAroundTheZeroLine)
{
    const gfx::Bitmap back = Solid(130, 60, {255, 0, 0, 0});
    editor->AttachControl(std::make_unique<IMwWaveDisplay>(*plug, 0, 0, back, panel));
    Attach();
    panel.wave = {IMwWaveDisplay::kNoiseWave, nullptr};
    const gfx::Surface first = DrawAll();
    int lit = 0, differing = 0;
    const gfx::Surface second = DrawAll();
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 130; ++x) {
            const bool on = At(first, x, y).g > 0;
            if (on) {
                ++lit;
                EXPECT_LE(std::abs(y - 28), 25) << x << "," << y;
            }
            if (At(first, x, y).g != At(second, x, y).g) ++differing;
        }
    EXPECT_GT(lit, 128);
    EXPECT_GT(differing, 0) << "noise moves from one draw to the next";
    // Noise keeps the display dirty, so a window animates it.
    gfx::Rect dirty;
    EXPECT_TRUE(editor->IsDirty(dirty));
    // No samples and no noise: the bare display.
    panel.wave = {0, nullptr};
    const gfx::Surface bare = DrawAll();
    for (int x = 0; x < 130; ++x) EXPECT_EQ(At(bare, x, 28).g, 0);
}

TEST_F(ControlDrawing, HoverAndPressedFills)
{
    editor->AttachControl(std::make_unique<IMwOptionMenu>(*plug, gfx::Rect{10, 10, 60, 50}, commands));
    editor->AttachControl(std::make_unique<IMwUtilityKick>(*plug, gfx::Rect{100, 10, 150, 50}, 270, panel, commands));
    Attach();
    EXPECT_EQ(At(DrawAll(), 30, 30).r, 0);
    editor->OnMouseOver(30, 30, {});
    // White at weight 0.3 over black.
    EXPECT_NEAR(At(DrawAll(), 30, 30).r, 77, 1);
    editor->OnMouseOut();
    EXPECT_EQ(At(DrawAll(), 30, 30).r, 0);

    editor->OnMouseOver(120, 30, {});
    editor->OnMouseDown(120, 30, LeftButton());
    const gfx::Surface held = DrawAll();
    EXPECT_NEAR(At(held, 120, 30).g, 128, 1);  // white at 0.5 while held
    EXPECT_EQ(At(held, 99, 30).g, 0);
    editor->OnMouseUp(120, 30, LeftButton());
    EXPECT_EQ(At(DrawAll(), 120, 30).g, 0);
}

TEST_F(ControlDrawing, NumberKeysDimInFunctionModeUnlessTheyChooseAValue)
{
    // Key 264 (a value key under function 10) and key 290 (never one).
    editor->AttachControl(
        std::make_unique<IMwUtilityKickMasterAware>(*plug, gfx::Rect{0, 0, 40, 40}, 264, panel, commands));
    editor->AttachControl(
        std::make_unique<IMwUtilityKickMasterAware>(*plug, gfx::Rect{50, 0, 90, 40}, 290, panel, commands));
    Attach();
    auto dimmed = [&](int x) { return At(DrawAll(), x, 20).r == 35; };  // grey 70 at 0.5 over black
    EXPECT_FALSE(dimmed(20));
    EXPECT_FALSE(dimmed(70));
    panel.mode = 2;
    panel.function = 3;
    gfx::Rect dirty;
    EXPECT_TRUE(editor->IsDirty(dirty)) << "a mode change redraws the keys";
    EXPECT_TRUE(dimmed(20));
    EXPECT_TRUE(dimmed(70));
    panel.function = 10;
    EXPECT_FALSE(dimmed(20));
    EXPECT_TRUE(dimmed(70));
}

TEST_F(ControlDrawing, ParameterFieldLightsWhileItIsTheWorkingParameter)
{
    const gfx::Rect field{10, 10, 74, 32};
    editor->AttachControl(std::make_unique<IMwParamControl>(*plug, field, kField, panel));
    editor->AttachControl(std::make_unique<IMwParamControl>(*plug, gfx::Rect{100, 10, 164, 32}, 10, panel));
    Attach();
    // Field 20 belongs to a grey group, field 10 to the orange ones, both at
    // alpha 32 over black.
    const gfx::Surface s = DrawAll();
    const gfx::Color idle = At(s, 12, 12);
    EXPECT_NEAR(idle.r, 24, 1);
    EXPECT_NEAR(idle.b, 24, 1);
    EXPECT_NEAR(At(s, 102, 12).r, 32, 1);
    EXPECT_NEAR(At(s, 102, 12).g, 16, 1);
    EXPECT_EQ(At(s, 102, 12).b, 0);
    plug->GetParam(kWorking)->Set(kField);
    gfx::Rect dirty;
    EXPECT_TRUE(editor->IsDirty(dirty));
    const gfx::Color working = At(DrawAll(), 12, 12);
    EXPECT_NEAR(working.g, 64, 1);  // green at alpha 64
    EXPECT_EQ(working.r, 0);
}

// Text needs the fonts the plug-in carries.
TEST_F(ControlDrawing, TextStaysInsideItsBox)
{
    IText style;
    style.font = "Arial";
    style.size = 14;
    style.color = {255, 255, 255, 255};
    const gfx::Rect box{40, 40, 140, 60};
    editor->AttachControl(std::make_unique<ITextControl>(*plug, box, style, "QOR 1234 Wxyz"));
    Attach();
    if (!editor->FindFont(style)) GTEST_SKIP() << "this build carries no fonts";
    const gfx::Surface s = DrawAll();
    int inside = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            if (At(s, x, y).r == 0) continue;
            EXPECT_TRUE(box.Contains(x, y)) << x << "," << y;
            ++inside;
        }
    EXPECT_GT(inside, 40);
}

}  // namespace
}  // namespace qor::test
