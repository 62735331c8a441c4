// QOR, the instrument: the engine's parameter mapping, the two program
// memories with their user waves, the hardware's SysEx exchange, the factory
// sound sets and the state chunk, on top of Synth.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/CommandRunner.h"
#include "plugin/PanelView.h"
#include "plugin/Synth.h"
#include "plugin/editor/PanelBuilder.h"
#include "programs/HarmonicMap.h"

namespace qor {

class Commands;
class FrontPanel;
class SysExWorker;
class UpdateCheck;

class QOR final : public Synth, public CommandRunner, public PanelView, private ControllerListener {
public:
    static constexpr int kProgramsPerMemory = 50;
    // Longest SysEx the receiver collects before giving up on an unterminated
    // message: well above the largest message the instrument knows (3508 bytes).
    static constexpr size_t kMaxSysExBytes = 65536;

    explicit QOR(vst::HostCallback host);
    ~QOR() override;

    // --- framework hooks ---
    void Reset() override;
    void OnParamChange(int index) override;
    void ProcessBlock(double** inputs, double** outputs, int frames) override;
    void ProcessMidi(IMidiMessage* message) override;
    void ProcessSysEx(ISysExMessage* message) override;
    bool SerializeState(IChunk& chunk) override;
    std::span<const uint8_t> ProgramOf(std::span<const uint8_t> state) const override;
    int UnserializeState(const IChunk& chunk, int position) override;
    int RewriteState(const IChunk& chunk, int position, int current, std::string_view name, IChunk& out,
                     std::span<const double> values = {}) const override;
    void RestampState(IChunk& state, int current, std::string_view name) const override;
    void SetParameterFromEditor(int index, double normalized) override;
    void ModifyCurrentPreset(const char* name = nullptr) override;
    bool RestorePreset(int index) override;
    void OnProgramStateLoaded() override;
    // Wave names and LFO note values depend on the current memory and on "LFO Sync".
    void FormatParamDisplay(int index, double value, char* text) const override;
    std::optional<double> ParseParamText(int index, std::string_view text) const override;

    // --- Synth's operations ---
    void AllNotesOff() override;
    void StartMidiLearn(bool on) override;
    void StartMidiUnlearn(bool on) override;
    void InitProgram() override;
    void SetWriteProtect(bool on) override;
    void CompleteMidiLearn() override;

    // --- program memory ---
    void CopyProgram();
    void PasteProgram();
    bool CurrentIsCartridge() const { return GetCurrentPresetIndex() >= kProgramsPerMemory; }

    // --- user waves (memory 0 internal, 1 cartridge) ---
    void ComputeUserWaveTables(int memory, const HarmonicMap& harmonics);
    void WriteUserWaveSamples(int memory, const double* samples, int count);
    void WriteUserWaveBytes(int memory, const uint8_t* bytes);  // 512 bytes
    void CopyStoredToActive(int from, int to);
    void CopyActiveToStored(int from, int to);
    bool LoadUserWaveWav(int memory, const std::string& path);
    bool SaveUserWaveWav(int memory, const std::string& path);

    // --- the hardware's SysEx ---
    // Acts on every complete message in the queue, in order, and empties it:
    // each is decoded without the main lock, then acts under it in one step.
    // False when any was refused. Not for the audio thread (dumps take long
    // to decode); the host's SysEx goes through ProcessSysEx.
    bool ReceiveSysExMessages(std::vector<uint8_t>& queue);
    // What a refused message does to the others: nothing (kGoOn), ends
    // the reception (kStop), or undoes all of them (kUndo: the memories and
    // the working program are put back; the replies have gone out).
    enum class OnRefusal { kGoOn, kStop, kUndo };
    // The same for every complete message in bytes: all are decoded first,
    // then act in order in one step under the main lock, and `then` runs in
    // that step after them, told the program that was current before them
    // (unless a refusal stopped or undid them). Not with the main lock held
    // (the decoding would hold it).
    bool ReceiveSysExBytes(std::span<const uint8_t> bytes, OnRefusal onRefusal = OnRefusal::kGoOn,
                           const std::function<void(int before)>& then = {});
    // Waits until the dumps the host delivered have been acted on (they are
    // decoded on the SysEx worker thread). Not for the audio thread, and not
    // with the main lock held.
    void FinishReceivedSysEx();
    // The working program, numbered as the caller says.
    bool SendProgramDump(int number, const std::string& path = {});
    // What slot 0..99 holds, to the host: the answer to a librarian's request.
    // Unsaved edits of the current program are not in its slot and not sent;
    // the working program stays as it is.
    bool SendStoredProgramDump(int slot);
    bool SendBankDump(int memory, const std::string& path = {});
    bool SendUserWaveDump(int memory, const std::string& path = {});
    void SendSysExReply(int functionCode);
    // undoOnRefusal: a file with a refused message changes nothing.
    bool LoadSysExFile(const std::string& path, bool undoOnRefusal = false);
    int ClassifySysExFile(const std::string& path);

    // --- factory sounds ---
    void RestoreFactorySounds(int set);
    bool LoadFactoryBank();
    // Loads the bank file named by the startup-bank setting.
    bool LoadStartupBank();

    // User-wave state of the working program.
    std::array<HarmonicMap, 2> recipes;
    std::array<std::array<uint8_t, kUserWaveBytes>, 2> storedTables{};
    uint8_t* ActiveTable(int memory) { return engine.UserWave(memory); }

    // --- utility commands (editor thread) ---
    void RunCommand(int number) override;
    void OpenUtilityMenu(int x, int y) override;
    Commands& GetCommands() { return *mCommands; }

    // --- the front panel (editor thread) ---
    uint16_t SegmentPattern(int display) const override;
    bool LedOn(int led) const override;
    bool ProtectSwitchOn() const override { return writeProtect; }
    int PanelMode() const override;
    int FunctionNumber() const override;
    std::string DisplayText() const override;
    WaveView CurrentWave() const override;
    std::string LfoSpeedText() const override;
    bool LfoSpeedInFives() const override;
    // Takes the positive key number 256..321; the negated number the key
    // controls keep is taken as well.
    void PressPanelKey(int key, bool alternate) override;
    void ReleasePanelKey(int key) override;
    void SetProtectSwitch(bool on) override
    {
        auto lock = LockMain();
        SetWriteProtect(on);
    }
    void RenameProgram(const std::string& name) override;
    // All 50 programs of one memory (0 internal, 1 cartridge) into the other;
    // the working program is stored first and, when it lies in the
    // destination, restored from its new contents. Protection is the caller's.
    void CopyMemory(int from, int to);

    // The protection warning: a write was refused because of memory
    // protection (shown by the panel, cleared by the next panel key).
    bool storeRefused = false;
    bool constructing = true;
    std::vector<uint8_t> sysexBuffer;

    // --- the editor: the panel's controls, made at construction ---
    IGraphics* GetEditor() override { return mEditor.get(); }
    const PanelControls& EditorControls() const { return mEditorControls; }

    // --- going online: the update check and the maker's web site ---
    // "Check Online for Update" (command 41): asks the update server without
    // waiting for it; the answer is shown from OnIdle when it comes. Editor thread.
    void CheckForUpdate();
    // "Visit ..." in the utility menu: the maker's web site in the browser.
    void VisitMakerSite();
    // The host's idle calls: the panel's key repeat and blink, and the
    // update check's answer.
    void OnIdle() override;

protected:
    void SendParameterChange(int index) override;

private:
    // Due controllers other than the sustain pedal (audio thread, main lock held).
    void ControllerChanged(int controller, int value) override;
    // A complete message collected from the host (main lock held): answered
    // at once, or, when it is a dump or dumps are still waiting, handed to
    // the worker.
    void ReceiveFromHost();

    // Copies of the parameter objects as constructed (ranges, steps and
    // defaults never change): scratch for preparing received programs off
    // the main lock.
    std::vector<IParameter> parameterTemplate;
    std::unique_ptr<SysExWorker> sysexWorker;

    // True while the SysEx receiver acts on messages (main lock held): what
    // came in by SysEx is not sent back as parameter changes, or two
    // instruments joined both ways would echo each other without end.
    bool receivingSysEx = false;

    std::unique_ptr<Commands> mCommands;
    std::unique_ptr<IGraphics> mEditor;
    PanelControls mEditorControls;

    // Made on first use.
    UpdateCheck& Updates();
    std::unique_ptr<UpdateCheck> updateCheck;

    std::unique_ptr<FrontPanel> mPanel;
};

}  // namespace qor
