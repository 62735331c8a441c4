#include "plugin/Synth.h"

#include <cstdio>

#include "engine/ParameterIndex.h"
#include "framework/IGraphics.h"
#include "platform/Folders.h"
#include "plugin/TuningClient.h"

namespace qor {

namespace {

constexpr std::array<const char*, 24> kInfoMessages{
    "QOR Version 1.1.1.N",
    "Program is copied.",
    "Program is initialized.",
    "Memory Protection is ON.",
    "Memory Protection is OFF.",
    "Program was successfully loaded.",
    "Program bank was successfully loaded.",
    "All Programs are loaded from cartridge.",
    "All Programs are saved to cartridge.",
    "User Wave is written to internal memory.",
    "User Wave is written to cartridge.",
    "Internal User Wave was loaded.",
    "Cartridge User Wave was loaded.",
    "Internal User Wave was saved.",
    "Cartridge User Wave was saved.",
    "Write calculated User Wave?",
    "Write program?",
    "Add linked program...",
    "Program Link chain saved.",
    "Program Link chain is empty.",
    "Cannot read file!",
    "Only MONO WAV files are allowed!",
    "MIDI Learn is active...",
    "MIDI Unlearn is active...",
};

}  // namespace

const char* InfoMessageText(int index)
{
    if (index < 0 || index >= static_cast<int>(kInfoMessages.size())) return "";
    return kInfoMessages[static_cast<size_t>(index)];
}

Synth::Synth(vst::HostCallback host) : IPlugVST(host)
{
    controllerMap.fill(-1);
    SetOutputLabel(0, "QOR Left");
    SetOutputLabel(1, "QOR Right");

    // The configuration lives in <config folder>/Marrowind/qor.ini; the
    // folders are made on the first run.
    const std::string config = platform::ConfigFolder();
    platform::MakeFolder(config);
    const std::string folder = platform::JoinPath(config, "Marrowind");
    platform::MakeFolder(folder);
    configPath = platform::JoinPath(folder, "qor.ini");

    documentsFolder = platform::DocumentsFolder();
    programFolder = documentsFolder;

    // A missing file is created empty, so reading it keeps every default.
    if (platform::PathExists(configPath) || platform::TouchFile(configPath)) ReadConfiguration();

    tuningClient = std::make_unique<TuningClient>();
    engine.SetTuning(tuningClient.get());
}

Synth::~Synth() = default;

void Synth::Reset()
{
    auto lock = LockMain();
    engine.Queue().Resize(GetBlockSize());
    learnActive = false;
    engine.Reset(GetSampleRate());
}

void Synth::OnParamChange(int index)
{
    auto lock = LockMain();
    // The working parameter only moves the panel's selection: it is never
    // learned. Nor is a sweep over every parameter (a program change, a chunk,
    // an activation), which would learn whichever parameter came last.
    if (learnActive && !PushingAllParams() && index >= 0 && index < kNumParams && index != kWorkingParameter) {
        learnParameter = index;
        CompleteMidiLearn();
    }
}

void Synth::OnActivate(bool active)
{
    auto lock = LockMain();
    if (active) PushAllParams();
}

void Synth::SetMidiLevel(int level)
{
    k3FunctionLevel = level < 0 ? 0 : (level > 4 ? 4 : level);
    engine.SetMidiLevel(k3FunctionLevel);
}

void Synth::AllNotesOff() { engine.AllNotesOff(); }

void Synth::SelectProgram(int index)
{
    if (!SwitchProgram(index)) return;
    if (sendParameterSysEx) {
        IMidiMessage change;
        change.status = 0xC0;
        change.data1 = static_cast<uint8_t>(index & 0x7F);
        SendMidi(&change);
    }
}

bool Synth::SwitchProgram(int index)
{
    if (index < 0 || index >= NPresets()) return false;
    {
        auto lock = LockMain();
        ModifyCurrentPreset(nullptr);  // the outgoing program keeps its edits
        RestorePreset(index);
        NotifyHostOfProgramChange();
        NotifyHostOfAllParams();
    }
    programEdited = false;
    return true;
}

std::string Synth::InitialProgramName(int slot)
{
    char name[32];
    if (slot < 50)
        std::snprintf(name, sizeof name, "PROGRAM I%02i", slot + 1);
    else
        std::snprintf(name, sizeof name, "PROGRAM C%02i", slot - 49);
    return name;
}

// Initialising loads a program: the engine takes every default at once and the
// host hears of them once, at the end. No parameter-change SysEx goes out;
// those are for a musician's own edits.
void Synth::InitProgram()
{
    auto lock = LockMain();
    // While constructing nothing lands (there is no program to initialise yet).
    if (!suppressParameterEcho) {
        for (int i = 0; i < NParams(); ++i) {
            IParameter* param = GetParam(i);
            param->SetNormalized(param->GetNormalized(param->Default()));
        }
        PushAllParams();
        programEdited = true;
    }
    ModifyCurrentPreset(InitialProgramName(GetCurrentPresetIndex()).c_str());
    RefreshEditor();
    NotifyHostOfAllParams();
    infoMessage = kInfoProgramInitialized;
}

void Synth::SetWriteProtect(bool on)
{
    writeProtect = on;
    WriteConfiguration(43);
}

IUserServices& Synth::Services() {
    static IUserServices nobody;  // answers every question as dismissed
    if (mServices) return *mServices;
    if (IGraphics* editor = GetEditor()) return *editor;
    return nobody;
}

}  // namespace qor
