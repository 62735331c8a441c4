// The emulated front panel: what each key does in each panel mode and what
// the LED displays, the indicator LEDs and the text display show.
//
// Modes: 0 program play, 1 parameter select, 2 function, 3 transpose. The
// value keys change one parameter at a time, the working parameter
// (parameter 7) outside function mode. Keys are numbered as the editor's key
// controls number them (256..321, positive here).
//
// Editor thread. Questions to the musician (memory copies, writing a user
// wave) go through Synth::Services() and act when the answer arrives.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "plugin/LinkChain.h"
#include "plugin/PanelView.h"
#include "plugin/UserWaveEditor.h"

namespace qor {

class QOR;

class FrontPanel {
public:
    // Keys by number.
    static constexpr int kWrite = 256;
    static constexpr int kPortamento = 257;
    static constexpr int kTransposeMode = 258;
    static constexpr int kMono = 259;
    static constexpr int kParameterMode = 260;
    static constexpr int kInternalBank = 261;
    static constexpr int kFunctionMode = 262;
    static constexpr int kCartridgeBank = 263;
    static constexpr int kFirstNumber = 264;  // number keys 1..50
    static constexpr int kLink = 314;         // also number key 51 in function mode
    static constexpr int kValueDown = 316;
    static constexpr int kValueUp = 317;
    static constexpr int kProtect = 318;

    // Functions, selected in function mode by number keys 37..51.
    static constexpr int kFunctionVoiceAllocation = 1;  // "Voice Allocation Mode"
    static constexpr int kFunctionChorusDepth = 2;
    static constexpr int kFunctionChorusSpeed = 3;
    static constexpr int kFunctionMidiLearn = 4;
    static constexpr int kFunctionMidiUnlearn = 5;
    static constexpr int kFunctionK3Level = 6;  // 0..4, shown 1..5
    static constexpr int kFunctionPriority = 7;
    static constexpr int kFunctionSendUserWave = 8;
    static constexpr int kFunctionLfoSync = 9;
    static constexpr int kFunctionUserWave = 10;
    static constexpr int kFunctionWorking1 = 11;  // 11 and 12: the working parameter
    static constexpr int kFunctionWorking2 = 12;
    static constexpr int kFunctionInternalToCartridge = 13;
    static constexpr int kFunctionCartridgeToInternal = 14;
    static constexpr int kFunctionMasterTune = 15;
    // The parameter a function's value keys change, or -1.
    static int FunctionParameter(int function);

    // Key repeat in idle calls: the first repeat, then the interval.
    static constexpr int kRepeatDelay = 30;
    static constexpr int kRepeatInterval = 2;

    explicit FrontPanel(QOR& plug);

    void PressKey(int key, bool alternate);
    void ReleaseKey(int key);
    // The host's idle call: key repeat and the blink phase.
    void Idle();
    // A program was restored into the working program (host, MIDI, a load).
    void ProgramRestored() { mUserWave.Forget(); }

    int Mode() const { return mMode; }
    int Function() const { return mFunction; }
    bool WriteMode() const { return mWriteMode; }
    bool ProtectionWarning() const;
    // The user wave being edited (function 10), else -1.
    int EditedUserWave() const { return mUserWave.Active() ? mUserWave.Memory() : -1; }

    // --- what the panel shows ---
    uint16_t SegmentPattern(int display) const;
    bool LedOn(int led) const;
    std::string DisplayText() const;
    PanelView::WaveView CurrentWave() const;

private:
    void StepValue(int step);
    void NumberKey(int key, bool internalPrefix, bool cartridgePrefix, const LinkChain::Flags& before);
    void SelectFunction(int function);
    void LeaveFunction();
    void ProgramKey(int index, const LinkChain::Flags& before);
    void WriteKey();
    void WriteProgramTo(int index);
    void CopyMemory(bool toCartridge);
    void AskToWriteUserWave();
    void BankKeyInFunction(int memory);
    bool Refused();  // memory protection: raises the warning
    int WorkingParameter() const;
    bool Blink() const { return mBlinkPhase < 0; }

    QOR& mPlug;
    LinkChain mLink;
    UserWaveEditor mUserWave;
    int mMode = 0;
    int mFunction = 0;
    bool mInternalPrefix = false;
    bool mCartridgePrefix = false;
    bool mWriteMode = false;
    int mSendCounter = 0;  // function 8
    int mRepeatCountdown = 0;
    bool mUpHeld = false;
    bool mDownHeld = false;
    int mBlinkPhase = -5;  // -5..4; lit while negative
    mutable std::array<uint8_t, 512> mWaveSamples{};
};

}  // namespace qor
