// What the panel's displays and LEDs show, read as on the hardware:
//
//   orange display 319   what is being looked at: the memory of the current
//                        program ("In" internal, "Cr" cartridge, or the bank
//                        key just pressed) in play mode, the parameter number
//                        (1..42) in parameter mode, the function number in
//                        function mode ("Fn" before one is chosen), "tr" in
//                        transpose mode; "Pr" flashes in when memory
//                        protection refused a write.
//   displays 320 + 321   its value, read as one four-digit number: the
//                        program number in play mode (flashing in write
//                        mode), the parameter's, function's or transpose
//                        value otherwise. Minus signs and hundreds take the
//                        digit left of the last two ("-15" is " -15").
//                        In function 10 the left display is the harmonic
//                        (hundreds as its left digit's dot) and the right one
//                        its level; the dot of the one the value keys change
//                        is lit.
//   dot of 321's right digit   the program is edited.
//
// The LEDs above the mode keys light for the mode, over portamento and mono
// for their state, over the bank keys for the memory in use (the bank key
// just pressed, the user wave edited in function 10, else the current
// program's). The write LED flashes in write mode and when protection refused.
#include <algorithm>
#include <cmath>

#include "engine/ParameterIndex.h"
#include "engine/WaveMemory.h"
#include "plugin/FrontPanel.h"
#include "plugin/PanelLayout.h"
#include "plugin/QOR.h"
#include "plugin/SevenSegment.h"
#include "programs/ParameterTable.h"

namespace qor {

namespace {

int Rounded(const QOR& plug, int index) { return static_cast<int>(std::lround(plug.GetParam(index)->Value())); }

}  // namespace

uint16_t FrontPanel::SegmentPattern(int display) const
{
    using namespace segments;
    const bool cartridgeShown = mCartridgePrefix || (!mInternalPrefix && mPlug.CurrentIsCartridge());
    uint16_t orange = 0;
    Field field;
    bool edited = mPlug.programEdited;
    switch (mMode) {
    case 0:
        orange = Text(cartridgeShown ? "Cr" : "In");
        if (!mWriteMode || Blink()) field = ValueField(mPlug.GetCurrentPresetIndex() % QOR::kProgramsPerMemory + 1);
        break;
    case 1: {
        const int w = WorkingParameter();
        orange = Number(w - 7);
        field = ValueField(Rounded(mPlug, w));
        break;
    }
    case 2:
        orange = mFunction == 0 ? Text("Fn") : Number(mFunction);
        if (const int p = FunctionParameter(mFunction); p >= 0) {
            field = ValueField(Rounded(mPlug, p));
        } else if (mFunction == kFunctionMidiLearn || mFunction == kFunctionMidiUnlearn) {
            field.right = Text(mPlug.learnActive ? "on" : "oF");
        } else if (mFunction == kFunctionK3Level) {
            field = ValueField(mPlug.k3FunctionLevel + 1);
        } else if (mFunction == kFunctionSendUserWave) {
            field = ValueField(mSendCounter);
        } else if (mFunction == kFunctionUserWave) {
            const int h = mUserWave.Harmonic();
            field.left = static_cast<uint16_t>(Number(h % 100) | (h >= 100 ? kLeftDot : 0));
            field.right = Number(mUserWave.Level());
            (mUserWave.EditingLevel() ? field.right : field.left) |= kRightDot;
            edited = false;
        } else if (mFunction == kFunctionWorking1 || mFunction == kFunctionWorking2) {
            field = ValueField(Rounded(mPlug, WorkingParameter()));
        }
        break;
    default:
        orange = Text("tr");
        field = ValueField(Rounded(mPlug, kTranspose));
        break;
    }
    if (ProtectionWarning() && Blink()) orange = Text("Pr");
    if (edited) field.right |= kRightDot;

    switch (display) {
    case PanelView::kDisplayOrange: return orange;
    case PanelView::kDisplayLeft: return field.left;
    case PanelView::kDisplayRight: return field.right;
    default: return 0;
    }
}

bool FrontPanel::LedOn(int led) const
{
    const auto it = std::find_if(panel::kModeKeys.begin(), panel::kModeKeys.end(),
                                 [led](const panel::ModeKey& k) { return k.ledNumber == led; });
    if (it == panel::kModeKeys.end()) return false;
    const bool cartridge = mUserWave.Active() ? mUserWave.Memory() == 1
                                              : mCartridgePrefix || (!mInternalPrefix && mPlug.CurrentIsCartridge());
    switch (it->key.number) {
    case kWrite: return (mWriteMode || ProtectionWarning()) && Blink();
    case kTransposeMode: return mMode == 3;
    case kParameterMode: return mMode == 1;
    case kFunctionMode: return mMode == 2;
    case kPortamento: return mPlug.GetParam(qor::kPortamento)->Value() >= 0.5;
    case kMono: return mPlug.GetParam(qor::kMono)->Value() >= 0.5;
    case kInternalBank: return !cartridge;
    case kCartridgeBank: return cartridge;
    default: return false;
    }
}

std::string FrontPanel::DisplayText() const
{
    if (mPlug.showInformation && mPlug.infoMessage != kInfoVersion) return InfoMessageText(mPlug.infoMessage);
    if (mUserWave.Active())
        return std::string(userWaveName(kWaveUserOwn, mUserWave.Memory() == 1));
    const int w = WorkingParameter();
    const bool valueKeysOnWorking = mMode == 0 || mMode == 1 || (mMode == 2 && (mFunction == kFunctionWorking1 || mFunction == kFunctionWorking2));
    if (valueKeysOnWorking && (w == kOsc1Wave || w == kOsc2Wave))
        return std::string(WaveName(mPlug, w, mPlug.CurrentIsCartridge()));
    return mPlug.showInformation ? InfoMessageText(kInfoVersion) : "";
}

PanelView::WaveView FrontPanel::CurrentWave() const
{
    const bool cartridge = mPlug.CurrentIsCartridge();
    int wave = 0;
    int memory = -1;
    if (mUserWave.Active()) {
        memory = mUserWave.Memory();
        wave = (memory == 1) == cartridge ? kWaveUserOwn : kWaveUserOther;
    } else {
        wave = Rounded(mPlug, WorkingParameter() == kOsc2Wave ? kOsc2Wave : kOsc1Wave);
        if (wave == kWaveUserOwn) memory = cartridge ? 1 : 0;
        if (wave == kWaveUserOther) memory = cartridge ? 0 : 1;
    }
    if (wave <= kWaveOff || wave == kWaveNoise || wave >= kWaveCount) return {wave, nullptr};
    // Level 0 of the wave's slot: every second byte.
    auto lock = mPlug.LockMain();
    const uint8_t* slot = memory >= 0 ? mPlug.ActiveTable(memory) : waveRom.data() + static_cast<std::size_t>(wave) * kWaveSlotBytes;
    for (std::size_t k = 0; k < mWaveSamples.size(); ++k) mWaveSamples[k] = slot[2 * k];
    return {wave, mWaveSamples.data()};
}

}  // namespace qor
