#include "plugin/FrontPanel.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/ParameterIndex.h"
#include "plugin/QOR.h"

namespace qor {

namespace {

// Function mode: number keys 37..51 select functions 1..15.
constexpr int kFirstFunctionKey = 300;
// Parameter mode: number keys 1..39 select parameters 8..46.
constexpr int kLastParameterKey = 302;

}  // namespace

int FrontPanel::FunctionParameter(int function)
{
    switch (function) {
    case kFunctionVoiceAllocation: return kVoiceAllocationMode;
    case kFunctionChorusDepth: return kChorusDepth;
    case kFunctionChorusSpeed: return kChorusSpeed;
    case kFunctionPriority: return kPriority;
    case kFunctionLfoSync: return kLfoSync;
    case kFunctionMasterTune: return kMasterTune;
    default: return -1;
    }
}

FrontPanel::FrontPanel(QOR& plug) : mPlug(plug), mLink(plug.linkChain), mUserWave(plug) {}

bool FrontPanel::ProtectionWarning() const { return mPlug.storeRefused; }

bool FrontPanel::Refused()
{
    if (!mPlug.writeProtect) return false;
    mPlug.storeRefused = true;
    return true;
}

int FrontPanel::WorkingParameter() const
{
    return static_cast<int>(std::lround(mPlug.GetParam(kWorkingParameter)->Value()));
}

void FrontPanel::PressKey(int key, bool alternate)
{
    mPlug.infoMessage = kInfoVersion;
    mRepeatCountdown = 0;
    if (key == kWrite) {
        WriteKey();
        return;
    }
    const LinkChain::Flags before = mLink.TakeFlags();
    mPlug.storeRefused = false;
    const bool internalPrefix = mInternalPrefix;
    const bool cartridgePrefix = mCartridgePrefix;
    mInternalPrefix = mCartridgePrefix = false;

    switch (key) {
    case kValueUp:
    case kValueDown:
        (key == kValueUp ? mUpHeld : mDownHeld) = true;
        StepValue(key == kValueUp ? 1 : -1);
        mRepeatCountdown = kRepeatDelay;
        return;
    case kParameterMode:
        LeaveFunction();
        if (mMode == 1) {
            mMode = 0;
            mPlug.programEdited = false;
        } else {
            mMode = 1;
            mPlug.programEdited = true;
        }
        return;
    case kFunctionMode:
        LeaveFunction();
        mPlug.programEdited = false;
        mMode = mMode == 2 ? 0 : 2;
        return;
    case kTransposeMode:
        LeaveFunction();
        if (mMode == 3) {
            mMode = 0;
            mPlug.programEdited = false;
        } else {
            mMode = 3;
        }
        return;
    case kPortamento:
    case kMono: {
        const int index = key == kPortamento ? qor::kPortamento : qor::kMono;
        mPlug.ChangeParameter(index, 1.0 - mPlug.GetParam(index)->GetNormalized(), true);
        return;
    }
    case kProtect:
        mPlug.SetWriteProtect(!mPlug.writeProtect);
        return;
    case kInternalBank:
    case kCartridgeBank:
        if (mMode == 2 && (mFunction == kFunctionUserWave || mFunction == kFunctionSendUserWave)) {
            BankKeyInFunction(key == kInternalBank ? 0 : 1);
            return;
        }
        // A bank key only says where the next program key points: a chain
        // being recorded goes on through it, so it can mix both memories.
        (key == kInternalBank ? mInternalPrefix : mCartridgePrefix) = true;
        mLink.Keep(before);
        return;
    case PanelView::kDisplayLeft:
    case PanelView::kDisplayRight:
        if (mMode == 2 && mFunction == kFunctionUserWave) mUserWave.DisplayKey(key, alternate);
        return;
    default:
        if (key >= kFirstNumber && key <= kLink) NumberKey(key, internalPrefix, cartridgePrefix, before);
        return;
    }
}

void FrontPanel::ReleaseKey(int key)
{
    if (key == kValueUp) mUpHeld = false;
    if (key == kValueDown) mDownHeld = false;
}

void FrontPanel::Idle()
{
    if (++mBlinkPhase == 5) mBlinkPhase = -5;
    if (mRepeatCountdown <= 0 || --mRepeatCountdown > 0) return;
    if (!mUpHeld && !mDownHeld) return;
    PressKey(mUpHeld ? kValueUp : kValueDown, false);
    mRepeatCountdown = kRepeatInterval;
}

void FrontPanel::NumberKey(int key, bool internalPrefix, bool cartridgePrefix, const LinkChain::Flags& before)
{
    if (mMode == 1) {
        if (key <= kLastParameterKey) mPlug.ChangeParameter(kWorkingParameter, key - 256, false);
        return;
    }
    if (mMode == 2) {
        if (key >= kFirstFunctionKey)
            SelectFunction(key - kFirstFunctionKey + 1);
        else if (mFunction == kFunctionUserWave && key - kFirstNumber < UserWaveEditor::kPresetSpectra)
            mUserWave.LoadPreset(key - kFirstNumber + 1);
        return;
    }
    if (key == kLink) {
        if (mWriteMode) {
            mLink.StartAdding();
            mPlug.infoMessage = kInfoAddLinkedProgram;
        } else if (const auto index = mLink.Next(before)) {
            mPlug.SelectProgram(*index);
        } else {
            mPlug.infoMessage = kInfoLinkChainEmpty;
        }
        return;
    }
    const bool cartridge = cartridgePrefix || (!internalPrefix && mPlug.CurrentIsCartridge());
    ProgramKey(key - kFirstNumber + (cartridge ? QOR::kProgramsPerMemory : 0), before);
}

void FrontPanel::ProgramKey(int index, const LinkChain::Flags& before)
{
    if (!mWriteMode) {
        mPlug.SelectProgram(index);
        return;
    }
    if (Refused()) return;
    if (before.pressed) {
        mPlug.SelectProgram(index);
        mLink.Add(index, before);
        mPlug.infoMessage = kInfoAddLinkedProgram;
        return;
    }
    WriteProgramTo(index);
    mWriteMode = false;
}

// The working program into another slot, as the hardware does it: copy,
// select, paste. The musician's clipboard is kept as it was.
void FrontPanel::WriteProgramTo(int index)
{
    if (index == mPlug.GetCurrentPresetIndex()) {
        const std::string name = mPlug.GetPresetName(index);
        mPlug.ModifyCurrentPreset(name.c_str());
        return;
    }
    const IChunk clipboard = mPlug.clipboard;
    const int32_t copied = mPlug.copiedProgram;
    mPlug.CopyProgram();
    mPlug.SelectProgram(index);
    mPlug.PasteProgram();
    // The program goes on sounding as it did: its user waves too.
    mPlug.CopyStoredToActive(0, 0);
    mPlug.CopyStoredToActive(1, 1);
    mPlug.clipboard = clipboard;
    mPlug.copiedProgram = copied;
}

void FrontPanel::WriteKey()
{
    if (mMode == 2 && mFunction == kFunctionUserWave) {
        AskToWriteUserWave();
        return;
    }
    mWriteMode = !mWriteMode;
    if (mWriteMode) {
        if (mMode != 2) mPlug.infoMessage = kInfoWriteProgram;
        return;
    }
    if (mLink.Recorded()) {
        mPlug.WriteLinkChain();
        mPlug.infoMessage = kInfoLinkChainSaved;
    }
}

void FrontPanel::SelectFunction(int function)
{
    // Choosing the user-wave edit again keeps the edit; the functions that
    // act (learn, unlearn, the memory copies) act on every choice.
    if (function == mFunction && function == kFunctionUserWave) return;
    LeaveFunction();
    mFunction = function;
    switch (function) {
    case kFunctionMidiLearn: mPlug.StartMidiLearn(true); break;
    case kFunctionMidiUnlearn: mPlug.StartMidiUnlearn(true); break;
    case kFunctionInternalToCartridge: CopyMemory(true); break;
    case kFunctionCartridgeToInternal: CopyMemory(false); break;
    case kFunctionUserWave: mUserWave.Begin(mPlug.CurrentIsCartridge() ? 1 : 0); break;
    default: break;
    }
}

void FrontPanel::LeaveFunction()
{
    if (mFunction == kFunctionUserWave) mUserWave.End();
    mFunction = 0;
}

void FrontPanel::StepValue(int step)
{
    if (mMode == 2) {
        if (const int p = FunctionParameter(mFunction); p >= 0) {
            mPlug.ChangeParameter(p, mPlug.GetParam(p)->Value() + step, false);
            return;
        }
        switch (mFunction) {
        case kFunctionK3Level:
            mPlug.SetMidiLevel(mPlug.k3FunctionLevel + step);
            mPlug.WriteK3Function();
            return;
        case kFunctionSendUserWave: mSendCounter = std::clamp(mSendCounter + step, 0, 3); return;
        case kFunctionUserWave: mUserWave.Step(step); return;
        case kFunctionWorking1:
        case kFunctionWorking2: break;  // the working parameter, as in the other modes
        default: return;
        }
    } else if (mMode == 3) {
        mPlug.ChangeParameter(kTranspose, mPlug.GetParam(kTranspose)->Value() + step, false);
        return;
    }
    const int w = WorkingParameter();
    double value = mPlug.GetParam(w)->Value() + step;
    // Under "LFO Sync" the speed moves by note values, five steps apart.
    if (w == kLfoSpeed && mPlug.GetParam(kLfoSync)->Value() >= 0.5)
        value = std::round((mPlug.GetParam(w)->Value() + 5.0 * step) / 5.0) * 5.0;
    mPlug.ChangeParameter(w, value, false);
}

void FrontPanel::BankKeyInFunction(int memory)
{
    if (mFunction == kFunctionUserWave) {
        mUserWave.ChooseMemory(memory);
        return;
    }
    // Function 8: each bank key counts the counter down; at 3 and at 1 the
    // key also sends that memory's user wave as SysEx.
    if (mSendCounter == 1 || mSendCounter == 3) mPlug.SendUserWaveDump(memory);
    mSendCounter = std::max(mSendCounter - 1, 0);
}

void FrontPanel::CopyMemory(bool toCartridge)
{
    if (Refused()) return;
    const char* text = toCartridge ? "Do you really want to overwrite all cartridge programs?"
                                   : "Do you really want to overwrite all internal programs?";
    const char* title = toCartridge ? "Load Internal To Cartridge" : "Load Cartridge To Internal";
    mPlug.Services().ShowMessage(text, title, IUserServices::kYesNo, [this, toCartridge](int answer) {
        if (answer != IUserServices::kAnswerYes) return;
        // The protection may have been switched on while the box was open.
        if (Refused()) return;
        mPlug.CopyMemory(toCartridge ? 0 : 1, toCartridge ? 1 : 0);
        mPlug.infoMessage = toCartridge ? kInfoSavedToCartridge : kInfoLoadedFromCartridge;
    });
}

void FrontPanel::AskToWriteUserWave()
{
    if (Refused()) return;
    mPlug.infoMessage = kInfoWriteUserWave;
    const int memory = mUserWave.Memory();
    mPlug.Services().ShowMessage(InfoMessageText(kInfoWriteUserWave), "User Wave", IUserServices::kYesNo,
                                 [this, memory](int answer) {
                                     mPlug.infoMessage = kInfoVersion;
                                     if (answer != IUserServices::kAnswerYes || !mUserWave.Active()) return;
                                     if (Refused()) return;
                                     mPlug.CopyActiveToStored(memory, memory);
                                     mPlug.ModifyCurrentPreset(nullptr);
                                     mUserWave.Written(memory);
                                     mPlug.infoMessage = memory == 0 ? kInfoUserWaveWrittenInternal
                                                                     : kInfoUserWaveWrittenCartridge;
                                 });
}

}  // namespace qor
