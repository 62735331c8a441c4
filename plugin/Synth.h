// Synth: what the instrument needs around its engine. The global settings,
// the MIDI state (controller map, MIDI learn), the configuration-file paths,
// the program link chain, the program clipboard, and the engine itself with
// its voices, event queue and held keys.
//
// Threads: the host's dispatcher and process calls hold the main lock for the
// whole call (see IPlugVST); so does every parameter change. Nothing here
// takes another lock.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "framework/IChunk.h"
#include "framework/IPlugVST.h"
#include "framework/IUserServices.h"

namespace qor {

class IGraphics;
class TuningClient;

// Information-line messages (index 0 is the version line).
enum InfoMessage : int {
    kInfoVersion = 0,
    kInfoProgramCopied = 1,
    kInfoProgramInitialized = 2,
    kInfoProtectionOn = 3,
    kInfoProtectionOff = 4,
    kInfoProgramLoaded = 5,
    kInfoBankLoaded = 6,
    kInfoLoadedFromCartridge = 7,
    kInfoSavedToCartridge = 8,
    kInfoUserWaveWrittenInternal = 9,
    kInfoUserWaveWrittenCartridge = 10,
    kInfoInternalUserWaveLoaded = 11,
    kInfoCartridgeUserWaveLoaded = 12,
    kInfoInternalUserWaveSaved = 13,
    kInfoCartridgeUserWaveSaved = 14,
    kInfoWriteUserWave = 15,
    kInfoWriteProgram = 16,
    kInfoAddLinkedProgram = 17,
    kInfoLinkChainSaved = 18,
    kInfoLinkChainEmpty = 19,
    kInfoCannotReadFile = 20,
    kInfoOnlyMonoWav = 21,
    kInfoMidiLearn = 22,
    kInfoMidiUnlearn = 23,
};
const char* InfoMessageText(int index);

class Synth : public IPlugVST {
public:
    static constexpr int kControllers = 120;

    explicit Synth(vst::HostCallback host);
    ~Synth() override;

    // The operations the instrument adds to the framework, in slot order.
    virtual IGraphics* GetEditor() { return nullptr; }
    virtual void AllNotesOff();
    virtual void SelectProgram(int index);
    virtual void StartMidiLearn(bool on);
    virtual void StartMidiUnlearn(bool on);
    virtual void InitProgram();
    virtual void SetWriteProtect(bool on);
    virtual void CompleteMidiLearn();

    // "PROGRAM I01".."PROGRAM I50", "PROGRAM C01".."PROGRAM C50": the name of
    // an initialised slot 0..99.
    static std::string InitialProgramName(int slot);

    void Reset() override;
    // Records the parameter half of a MIDI learn.
    void OnParamChange(int index) override;
    void OnActivate(bool active) override;

    // The one route by which program data, SysEx, controllers and panel keys
    // set a parameter: value is normalized when normalized is true, else a
    // plain value (clamped). Informs the host and, for the hardware's
    // parameters 9..49, sends the parameter-change SysEx.
    void ChangeParameter(int index, double value, bool normalized);

    // --- configuration file ---
    // 0, or 11 when the file does not exist.
    int ReadConfiguration();
    // which: 24, 43, 38, 39, 40 for one setting, negative for all of them
    // and the controller map.
    void WriteConfiguration(int which);
    void WriteStartupBank();
    void SetStartupBank(const std::string& path);
    void ClearStartupBank();
    void WriteProgramFolder();
    void WriteSysExFolder();
    void WriteLinkChain();
    void WriteK3Function();
    void ParseLinkChain(const std::string& text);

    // --- MIDI settings and state ---
    Engine engine;
    IChunk clipboard;
    int32_t copiedProgram = -1;
    int32_t k3FunctionLevel = 4;
    std::vector<uint8_t> linkChain;
    bool midiThru = false;
    bool ignoreProgramChange = false;
    bool sendParameterSysEx = true;
    bool writeProtect = true;
    bool showInformation = true;
    std::string documentsFolder;
    std::string configPath;
    std::string startupBankPath;
    std::string programFolder;
    std::string sysexFolder;
    std::array<int32_t, kControllers> controllerMap;
    bool learnActive = false;
    bool learnRemove = false;
    int32_t learnController = -1;
    int32_t learnParameter = -1;

    // True while constructing: parameter changes reach neither the host nor
    // the MIDI output.
    bool suppressParameterEcho = true;
    bool programEdited = false;
    int32_t infoMessage = kInfoVersion;

    void SetMidiLevel(int level);

    // Who answers the instrument's questions (message boxes, file dialogs,
    // menus): the editor, or what a test or a host without an editor sets.
    // With neither, every question is answered as dismissed.
    IUserServices& Services();
    void SetServices(IUserServices* services) { mServices = services; }

protected:
    // SelectProgram without telling the MIDI output: for a program change
    // that came in by MIDI, which sent back would make two instruments joined
    // both ways answer each other without end (MIDI Thru forwards it when the
    // musician wants it). False for an index outside the slots.
    bool SwitchProgram(int index);
    // Sends the hardware's parameter-change message for a parameter.
    virtual void SendParameterChange(int index) {}

private:
    IUserServices* mServices = nullptr;
    // This instance's MTS-ESP client, made last in construction; the engine
    // asks it for the tuning of every started note.
    std::unique_ptr<TuningClient> tuningClient;
};

}  // namespace qor
