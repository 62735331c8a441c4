// What the panel's controls ask of QOR, answered as simply as honesty allows
// until the front panel exists: the displays stay dark, the LEDs off, the
// keys do nothing, the text display shows the information line. The front
// panel's own implementation replaces these bodies.
#include <algorithm>

#include "engine/ParameterIndex.h"
#include "engine/WaveMemory.h"
#include "framework/IParameter.h"
#include "plugin/QOR.h"

namespace qor {

uint16_t QOR::SegmentPattern(int display) const { return 0; }

bool QOR::LedOn(int led) const { return false; }

bool QOR::ProtectSwitchOn() const
{
    auto lock = LockMain();
    return writeProtect;
}

int QOR::PanelMode() const { return 0; }

int QOR::FunctionNumber() const { return 0; }

std::string QOR::DisplayText() const
{
    auto lock = LockMain();
    return InfoMessageText(infoMessage);
}

// Oscillator 1's wave when it is one of the fixed waves; nothing otherwise.
PanelView::WaveView QOR::CurrentWave() const
{
    auto lock = LockMain();
    WaveView view;
    const IParameter* wave = GetParam(kOsc1Wave);
    view.wave = wave ? wave->Int() : 0;
    if (view.wave < 1 || view.wave >= kWaveSlots) return view;
    // The slot's full-resolution cycle: every other byte from its start.
    const size_t base = size_t(view.wave) * kWaveSlotBytes;
    for (size_t k = 0; k < mShownWave.size(); ++k) mShownWave[k] = waveRom[base + 2 * k];
    view.samples = mShownWave.data();
    return view;
}

std::string QOR::LfoSpeedText() const
{
    auto lock = LockMain();
    char text[IParameter::kDisplayCapacity] = {};
    if (const IParameter* speed = GetParam(kLfoSpeed)) FormatParamDisplay(kLfoSpeed, speed->Value(), text);
    return text;
}

bool QOR::LfoSpeedInFives() const { return false; }

void QOR::PressPanelKey(int key, bool alternate) {}

void QOR::ReleasePanelKey(int key) {}

void QOR::SetProtectSwitch(bool on)
{
    auto lock = LockMain();
    SetWriteProtect(on);
}

void QOR::RenameProgram(const std::string& name)
{
    auto lock = LockMain();
    ModifyCurrentPreset(name.c_str());
    NotifyHostOfProgramChange();
    NotifyHostOfAllParams();
}

}  // namespace qor
