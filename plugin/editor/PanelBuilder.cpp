#include "plugin/editor/PanelBuilder.h"

#include <memory>
#include <string>

#include "framework/IBitmapControl.h"
#include "framework/IGraphics.h"
#include "framework/ITextControl.h"
#include "plugin/PanelLayout.h"
#include "plugin/PanelView.h"
#include "plugin/Synth.h"
#include "plugin/editor/IMwKnobControl.h"
#include "plugin/editor/IMwLED.h"
#include "plugin/editor/IMwLEDDisplay.h"
#include "plugin/editor/IMwOptionMenu.h"
#include "plugin/editor/IMwParamControl.h"
#include "plugin/editor/IMwProgramName.h"
#include "plugin/editor/IMwSwitchControl.h"
#include "plugin/editor/IMwTextDisplay.h"
#include "plugin/editor/IMwUtilityKick.h"
#include "plugin/editor/IMwUtilityKickMasterAware.h"
#include "plugin/editor/IMwWaveDisplay.h"
#include "plugin/editor/PanelStyle.h"

namespace qor {

namespace {

constexpr int kVolume = 0;
constexpr int kOutput = 1;

const gfx::Bitmap& Load(IGraphics& graphics, const panel::BitmapInfo& info)
{
    return graphics.LoadBitmap(info.id, info.resource, info.frames);
}

}  // namespace

const char* PanelVersionText()
{
    // The information line's version, "QOR Version 1.1.1.N", as "v.1.1.1.N".
    static const std::string text = [] {
        const std::string line = InfoMessageText(kInfoVersion);
        const size_t space = line.find_last_of(' ');
        return "v." + (space == std::string::npos ? line : line.substr(space + 1));
    }();
    return text.c_str();
}

PanelControls BuildPanel(IGraphics& graphics, IPlugBase& plug, PanelView& panel, CommandRunner& commands)
{
    using namespace panel;
    PanelControls at;
    auto add = [&](auto control) { return graphics.AttachControl(std::move(control)); };

    add(std::make_unique<IBitmapControl>(plug, 0, 0, -1, Load(graphics, kBack)));
    add(std::make_unique<ITextControl>(plug, kVersionText, style::VersionText(), PanelVersionText()));
    add(std::make_unique<IMwOptionMenu>(plug, kUtilityMenu, commands));
    for (const Key& key : kUtilityKeys)
        add(std::make_unique<IMwUtilityKick>(plug, key.rect, key.number, panel, commands));
    add(std::make_unique<IMwSwitchControl>(plug, kOutputSwitchX, kOutputSwitchY, kOutput,
                                           Load(graphics, kOutputSwitch)));
    add(std::make_unique<IMwKnobControl>(plug, kVolumeKnobX, kVolumeKnobY, kVolume, Load(graphics, kKnob)));
    add(std::make_unique<IMwSwitchControl>(plug, kProtectSwitchX, kProtectSwitchY, Load(graphics, kProtectSwitch),
                                           panel));
    for (const LedDisplay& display : kLedDisplays)
        add(std::make_unique<IMwLEDDisplay>(plug, display.rect, display.number,
                                            Load(graphics, display.orange ? kLedSegmentsOrange : kLedSegments),
                                            panel));
    at.programName = add(std::make_unique<IMwProgramName>(plug, kProgramName, panel));
    at.infoText = add(std::make_unique<ITextControl>(plug, kInfoText, style::InfoText()));
    at.waveDisplay =
        add(std::make_unique<IMwWaveDisplay>(plug, kWaveDisplayX, kWaveDisplayY, Load(graphics, kWaveDisplay), panel));
    at.textDisplay = add(std::make_unique<IMwTextDisplay>(plug, kTextDisplayX, kTextDisplayY, kTextDisplayTextX,
                                                          kTextDisplayTextY, Load(graphics, kTextDisplay), panel));
    at.valueUp = add(std::make_unique<IMwUtilityKick>(plug, kValueUp.rect, kValueUp.number, panel, commands));
    at.valueDown = add(std::make_unique<IMwUtilityKick>(plug, kValueDown.rect, kValueDown.number, panel, commands));

    // The mode keys, a row of LEDs then a row of keys, twice.
    const gfx::Bitmap& led = Load(graphics, kLed);
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < 4; ++i) {
            const ModeKey& m = kModeKeys[size_t(row * 4 + i)];
            add(std::make_unique<IMwLED>(plug, m.ledX / 2, m.ledY / 2, m.ledNumber, led, panel));
        }
        for (int i = 0; i < 4; ++i) {
            const Key& key = kModeKeys[size_t(row * 4 + i)].key;
            add(std::make_unique<IMwUtilityKick>(plug, key.rect, key.number, panel, commands));
        }
    }

    for (int n = 0; n < kNumberKeys; ++n) {
        const Key key = NumberKey(n);
        if (n < kMasterAwareKeys)
            add(std::make_unique<IMwUtilityKickMasterAware>(plug, key.rect, key.number, panel, commands));
        else
            add(std::make_unique<IMwUtilityKick>(plug, key.rect, key.number, panel, commands));
    }

    for (int p = kFirstFieldParam; p <= kLastFieldParam; ++p)
        add(std::make_unique<IMwParamControl>(plug, ParameterField(p), p, panel));
    return at;
}

}  // namespace qor
