// What the editor tests share: a front panel and a command runner that record
// what the controls ask of them, bitmaps whose frames tell themselves apart,
// and a host callback that keeps the order of what the plug-in told it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/IGraphics.h"
#include "framework/IPlugVST.h"
#include "graphics/Bitmap.h"
#include "graphics/Color.h"
#include "graphics/Surface.h"
#include "plugin/CommandRunner.h"
#include "plugin/PanelView.h"

namespace qor::test {

class FakePanel : public PanelView {
public:
    uint16_t SegmentPattern(int display) const override { return display == shownDisplay ? pattern : 0; }
    bool LedOn(int led) const override { return led == litLed; }
    bool ProtectSwitchOn() const override { return protect; }
    int PanelMode() const override { return mode; }
    int FunctionNumber() const override { return function; }
    std::string DisplayText() const override { return text; }
    WaveView CurrentWave() const override { return wave; }
    std::string LfoSpeedText() const override { return lfoText; }
    bool LfoSpeedInFives() const override { return fives; }
    void PressPanelKey(int key, bool alternate) override { pressed.emplace_back(key, alternate); }
    void ReleasePanelKey(int key) override { released.push_back(key); }
    void SetProtectSwitch(bool on) override { protect = on; }
    void RenameProgram(const std::string& name) override { renamed.push_back(name); }

    int shownDisplay = PanelView::kDisplayLeft;
    uint16_t pattern = 0;
    int litLed = -1;
    bool protect = false;
    int mode = 0;
    int function = 0;
    std::string text;
    WaveView wave;
    std::string lfoText = "10";
    bool fives = false;
    std::vector<std::pair<int, bool>> pressed;
    std::vector<int> released;
    std::vector<std::string> renamed;
};

class FakeCommands : public CommandRunner {
public:
    void RunCommand(int number) override { run.push_back(number); }
    void OpenUtilityMenu(int x, int y) override { menus.emplace_back(x, y); }
    std::vector<int> run;
    std::vector<std::pair<int, int>> menus;
};

// A bitmap of `frames` frames, each filled opaque with the colour
// (255, frame, 100, 200): the red channel tells which frame was drawn.
inline gfx::Bitmap NumberedFrames(int width, int frameHeight, int frames)
{
    gfx::Bitmap bitmap(width, frameHeight * frames, frames);
    for (int f = 0; f < frames; ++f) {
        const gfx::Rect r = bitmap.FrameRect(f);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = 0; x < width; ++x) bitmap.Row(y)[x] = gfx::Pack({255, uint8_t(f), 100, 200});
    }
    return bitmap;
}

// One opaque colour, one frame.
inline gfx::Bitmap Solid(int width, int height, gfx::Color c)
{
    gfx::Bitmap bitmap(width, height, 1);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.Row(y)[x] = gfx::Pack(c);
    return bitmap;
}

inline gfx::Color At(const gfx::Surface& s, int x, int y) { return gfx::Unpack(s.Pixel(x, y)); }

// The host's side of the conversation, in order: (opcode, index) of every
// automation, begin-edit and end-edit, and the value automated.
struct OrderedHost {
    struct Call {
        int32_t opcode;
        int32_t index;
        float value;
    };
    std::vector<Call> calls;
    int updateDisplays = 0;

    static inline OrderedHost* current = nullptr;
    static intptr_t VSTCALL Callback(vst::AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt)
    {
        if (!current) return 0;
        if (opcode == vst::audioMasterAutomate || opcode == vst::audioMasterBeginEdit ||
            opcode == vst::audioMasterEndEdit)
            current->calls.push_back({opcode, index, opt});
        if (opcode == vst::audioMasterUpdateDisplay) ++current->updateDisplays;
        return 0;
    }
    OrderedHost() { current = this; }
    ~OrderedHost() { current = nullptr; }
    std::vector<int32_t> Opcodes() const
    {
        std::vector<int32_t> out;
        for (const Call& c : calls) out.push_back(c.opcode);
        return out;
    }
};

}  // namespace qor::test
