// The VST 2 binding of IPlugBase: the effect record the host talks to, the
// dispatcher, the audio and parameter functions, and the calls back into the
// host.
//
// Every effect-record function takes the main lock for the whole call, so a
// block never runs while the host's main thread or another thread changes
// parameters, programs or chunks. The one exception is effSetChunk with a
// bank: the bank is read without the lock and put in place in one short
// step under it, so that a block never waits milliseconds for the reading.
// The host callback is called with the lock held. Outgoing MIDI reaches the
// host only from inside the process call (MidiOutQueue.h). Nothing thrown
// inside may reach the host: the functions catch it.
//
// Text handed to the host is cut to these capacities (terminator included):
// program names kHostProgramNameCapacity (24 characters, the interface's
// limit), parameter names and labels kHostParamNameCapacity, parameter
// display texts kHostParamDisplayCapacity, effect name 32, vendor and product
// 64. Text from the host is read up to the same bounds, as it may lack a
// terminator.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "framework/IPlugBase.h"
#include "framework/MidiOutQueue.h"
#include "framework/VstAbi.h"

namespace qor {

class IPlugVST : public IPlugBase {
public:
    static constexpr std::size_t kHostProgramNameCapacity = vst::kVstMaxProgNameLen + 1;
    static constexpr std::size_t kHostParamNameCapacity = 32;
    static constexpr std::size_t kHostParamDisplayCapacity = 64;
    static constexpr std::size_t kHostTextChars = 63;  // longest text read from the host
    static constexpr std::size_t kHostStringBuffer = 256;  // for vendor and product queries

    using Factory = std::unique_ptr<IPlugVST> (*)(vst::HostCallback host);

    // The entry's work, under a process-wide creation lock: constructs the
    // plug-in, fills the empty preset slots and returns its effect record, or
    // null when construction fails. The host owns the object from then on and
    // ends it with effClose.
    static vst::AEffect* CreateEffect(vst::HostCallback host, Factory make);
    template <class Plug>
    static vst::AEffect* CreateEffect(vst::HostCallback host)
    {
        return CreateEffect(host, [](vst::HostCallback h) -> std::unique_ptr<IPlugVST> { return std::make_unique<Plug>(h); });
    }

    explicit IPlugVST(vst::HostCallback host, const IPlugConfig& config = {});
    ~IPlugVST() override;

    vst::AEffect* GetEffect() { return &mAEffect; }

    // Host calls (any thread; main lock held by the caller or taken here).
    void BeginParamEdit(int index) override;
    void NotifyHostOfParam(int index, double normalized) override;
    void EndParamEdit(int index) override;
    void NotifyHostOfProgramChange() override;
    bool IsOffline() override;
    // Rounded host sample position, 0 when unknown.
    int64_t GetSamplePosition() override;
    double GetTempo() override;
    void GetTimeSignature(int& numerator, int& denominator) override;
    void GetTimeInfo(ITimeInfo& info) override;
    int GetHostKind() override;
    void ResizeEditor(int width, int height) override;
    // Once per object, at effOpen.
    void HostSpecificInit() override;
    void AttachEditor(IGraphics* editor) override;
    void SetLatency(int frames) override;
    // Any thread: queued and handed to the host at the end of the next
    // process call (MidiOutQueue.h). False when the queue is full.
    bool SendMidi(const IMidiMessage* message) override;
    bool SendSysEx(const ISysExMessage* message) override;

    // The editor's size as announced to the host (effEditGetRect).
    void SetEditorSize(int width, int height);
    const vst::ERect& GetEditorRect() const { return mEditRect; }
    // Hosts that store only program chunks (asked once, then cached).
    bool HostNeedsProgramChunks();

protected:
    // The editor window layer opens and closes its window in the host's
    // parent window here; without it there is no window to open.
    // The default opens and closes the attached editor's window.
    virtual bool OpenEditorWindow(void* parent);
    virtual void CloseEditorWindow();

    intptr_t CallHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);

private:
    static IPlugVST* FromEffect(vst::AEffect* effect);
    static intptr_t VSTCALL VSTDispatcher(vst::AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                          void* ptr, float opt);
    static void VSTCALL VSTProcess(vst::AEffect* effect, float** inputs, float** outputs, int32_t frames);
    static void VSTCALL VSTProcessReplacing(vst::AEffect* effect, float** inputs, float** outputs, int32_t frames);
    static void VSTCALL VSTProcessDoubleReplacing(vst::AEffect* effect, double** inputs, double** outputs,
                                                  int32_t frames);
    static void VSTCALL VSTSetParameter(vst::AEffect* effect, int32_t index, float value);
    static float VSTCALL VSTGetParameter(vst::AEffect* effect, int32_t index);

    intptr_t Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    intptr_t GetChunk(void** data, bool isBank);
    intptr_t SetChunk(const void* data, intptr_t size, int32_t index);
    int SetProgramChunk(const IChunk& chunk, int position);
    int SetBankChunk(PreparedBank& bank, const IChunk& chunk);
    bool PlaysHostProgram(const IChunk& chunk, int stateEnd) const;
    intptr_t ProcessEvents(const vst::VstEvents* events);
    intptr_t String2Parameter(int index, const char* text);
    intptr_t PinProperties(int index, vst::VstPinProperties* properties, bool input);
    void SetSpeakerArrangement(const vst::VstSpeakerArrangement* input, const vst::VstSpeakerArrangement* output);
    intptr_t CanDo(const char* text) const;
    intptr_t VendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
    // Our own request: the editor drawn into the caller's pixels (VstAbi.h).
    bool DrawEditorOffscreen(vst::QorEditorPixels* target);
    const vst::VstTimeInfo* HostTime(int32_t flags);
    void BeforeBlock();
    void AfterBlock();
    void InitSpeakerArrangements();

    vst::HostCallback mHostCallback = nullptr;
    vst::ERect mEditRect{};
    vst::VstSpeakerArrangement mInputSpeakers{};
    vst::VstSpeakerArrangement mOutputSpeakers{};
    bool mHostSpecificInitDone = false;
    std::optional<bool> mHostNeedsProgramChunks;
    IChunk mState;      // the last program chunk handed to the host
    IChunk mBankState;  // the last bank chunk handed to the host
    // The last program chunk the host set, in our own form, and where its
    // state ends and the name begins.
    IChunk mHostProgram;
    int mHostProgramStateEnd = 0;
    // Outgoing MIDI: one queue takes what is sent while the other is being
    // handed to the host.
    std::array<MidiOutQueue, 2> mOutgoing;
    std::size_t mOutgoingActive = 0;
    vst::AEffect mAEffect{};
};

}  // namespace qor
