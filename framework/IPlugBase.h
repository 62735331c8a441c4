// The host-independent plug-in object: parameters, preset slots, channel
// configuration and buffers, identity, the main lock, and the generic
// serialization of parameters and presets.
//
// Threads: the host calls in from its audio thread (block processing), its
// main thread (programs, chunks, events, idle) and sometimes others (parameter
// get and set). Every host entry and every editor change holds the main lock,
// a recursive mutex, for the whole call; so parameters and engine fields never
// change in the middle of a block and the engine needs no locks of its own.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/IChunk.h"
#include "framework/IMidiMessage.h"
#include "framework/IParameter.h"
#include "framework/IPlugConfig.h"
#include "framework/IPresetSlot.h"
#include "framework/PreparedBank.h"
#include "framework/ITimeInfo.h"

namespace qor {

class IGraphics;

class IPlugBase {
public:
    static constexpr std::size_t kNameCapacity = 128;
    // Capacity of the text that GetMidiNoteName fills.
    static constexpr std::size_t kMidiNoteNameCapacity = 64;
    // Scratch buffers never exceed this many frames, however large a block
    // size the host announces; longer host blocks are rendered in pieces.
    static constexpr int kMaxScratchFrames = 65536;

    explicit IPlugBase(const IPlugConfig& config = {});
    IPlugBase(const IPlugBase&) = delete;
    IPlugBase& operator=(const IPlugBase&) = delete;

    // Hooks, in slot order. "Lock" means the default takes and releases the
    // main lock; overrides run with it already held by the caller.
    virtual ~IPlugBase();
    virtual void Reset();                     // main thread; lock
    virtual void OnParamChange(int index);    // any thread; lock
    // Audio thread, lock held. inputs and outputs hold NInChannels() and
    // NOutChannels() pointers to frames doubles each.
    virtual void ProcessBlock(double** inputs, double** outputs, int frames);
    virtual void OnEditorOpen() {}
    virtual void OnEditorClose() {}
    virtual void OnIdle() {}
    virtual void OnActivate(bool active);     // lock
    virtual void ProcessMidi(IMidiMessage* message);  // default: MIDI thru
    virtual void ProcessSysEx(ISysExMessage* message) {}
    // text holds kMidiNoteNameCapacity bytes.
    virtual bool GetMidiNoteName(int note, char* text);
    virtual bool SerializeState(IChunk& chunk);
    virtual int UnserializeState(const IChunk& chunk, int position);
    // True when every parameter differs by less than 0.00001 from the doubles
    // stored in data from position on.
    virtual bool CompareState(std::span<const uint8_t> data, int position);
    virtual void OnEditorResize() {}
    virtual bool ShowAboutBox() { return false; }
    virtual void OnHostIdentified() {}
    virtual void ReservedHook1() {}
    // Editor thread: sets the parameter, tells the host, then the engine.
    virtual void SetParameterFromEditor(int index, double normalized);
    // Host-specific calls; the host binding fills them in.
    virtual void BeginParamEdit(int index) {}
    virtual void NotifyHostOfParam(int index, double normalized) {}
    virtual void EndParamEdit(int index) {}
    virtual void NotifyHostOfProgramChange() {}
    virtual bool IsOffline() { return false; }
    virtual int64_t GetSamplePosition() { return 0; }
    virtual double GetTempo() { return 0.0; }
    virtual void GetTimeSignature(int& numerator, int& denominator)
    {
        numerator = 0;
        denominator = 0;
    }
    // Overwrites only what the host reports; the caller pre-fills info.
    virtual void GetTimeInfo(ITimeInfo& info) {}
    virtual int GetHostKind() { return mHostKind; }
    virtual int GetApiKind() { return mApiKind; }
    virtual void ResizeEditor(int width, int height) {}
    virtual void HostSpecificInit() {}
    virtual void AttachEditor(IGraphics* editor);
    virtual void SetLatency(int frames);
    virtual bool SendMidi(const IMidiMessage* message) { return false; }
    virtual bool SendSysEx(const ISysExMessage* message) { return false; }
    virtual void RefreshEditor();
    // Reads a whole bank into the slots, then restores the current one; a
    // bank that breaks off changes nothing and returns -1. The reading runs
    // without the main lock (unless the caller holds it); the slots change
    // in one step under it.
    virtual int UnserializePresets(const IChunk& chunk, int position);
    // Stores the live state into the current slot (a slot that holds the
    // same program keeps its bytes); a non-empty name renames it.
    virtual void ModifyCurrentPreset(const char* name = nullptr);
    virtual bool RestorePreset(int index);
    virtual void ReservedHook2() {}
    virtual void OnPresetsChanged() {}
    virtual void SetSampleRate(double rate);
    virtual void SetBlockSize(int frames);
    // After the host has loaded one program's state through a program chunk
    // (the bank path restores the current slot, which already makes the
    // program whole). The instrument refreshes what the state reader alone
    // leaves stale: the user waves it plays.
    virtual void OnProgramStateLoaded() {}
    // The display text of a parameter at a plain value, and the value of a
    // text typed at the host, for host and editor alike. Where a parameter's
    // text depends on more than its own value, the product knows the rest and
    // overrides these; the defaults are the parameter's own. text holds
    // IParameter::kDisplayCapacity bytes.
    virtual void FormatParamDisplay(int index, double value, char* text) const
    {
        if (const IParameter* param = GetParam(index)) param->FormatDisplay(value, false, text, true);
    }
    virtual std::optional<double> ParseParamText(int index, std::string_view text) const
    {
        const IParameter* param = GetParam(index);
        return param ? param->ParseHostText(text) : std::nullopt;
    }
    // The part of a state that holds the program itself. The default state
    // is nothing else; a product whose states also record when and where
    // they were written leaves that record out here, so that two states of
    // one program compare equal whoever wrote them.
    virtual std::span<const uint8_t> ProgramOf(std::span<const uint8_t> state) const { return state; }
    // Reads one state at position as UnserializeState would, and appends to
    // out what SerializeState would then write, with `current` as the
    // current program named `name`. Changes nothing in the plug-in and reads
    // only what never changes after construction (the parameter ranges), so
    // any thread may call it without the main lock. Returns what
    // UnserializeState would return. With `values` (plain, one per
    // parameter), the state written holds them instead of the values read.
    // The default reads and writes the parameter values.
    virtual int RewriteState(const IChunk& chunk, int position, int current, std::string_view name, IChunk& out,
                             std::span<const double> values = {}) const;
    // Makes a state written by RewriteState record another current program
    // and name; the program in it stays as it is. The default state records
    // neither.
    virtual void RestampState(IChunk& state, int current, std::string_view name) const {}

    // The main lock. Product code writes `auto lock = LockMain();`.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> LockMain() const
    {
        return std::unique_lock<std::recursive_mutex>(mMutex);
    }
    std::recursive_mutex& MainMutex() const { return mMutex; }

    IParameter* GetParam(int index);
    const IParameter* GetParam(int index) const;
    int NParams() const { return static_cast<int>(mParams.size()); }
    // The slot's name, or "" when index is out of range.
    const char* GetPresetName(int index) const;
    int NPresets() const { return static_cast<int>(mPresets.size()); }
    IPresetSlot* GetPresetSlot(int index);
    int GetCurrentPresetIndex() const { return mCurrentPreset; }
    // The name of the program as it plays: the current slot's, unless a
    // program loaded into it kept its own name out of the slot (memory
    // protection). A new current program, or a stored name, ends that.
    const char* LiveProgramName() const;
    void NameLiveProgram(std::string_view name);
    bool SameProgram(std::span<const uint8_t> a, std::span<const uint8_t> b) const;

    bool SerializeParams(IChunk& chunk);
    int UnserializeParams(const IChunk& chunk, int position);
    bool SerializePresets(IChunk& chunk);
    // A bank read from chunk at position and made ready for the slots, on
    // any thread; the main lock is taken only for a moment.
    PreparedBank PreparePresets(const IChunk& chunk, int position) const;
    // Main lock held: the prepared slots take their places (moves only), then
    // the current slot is restored. Returns the bank's end position, or -1
    // for a broken bank, which changes nothing.
    int ApplyPresets(PreparedBank& bank);
    // The same bytes, but the current slot's entry holds the program as it
    // plays, with its name, rather than what the slot has stored (they differ
    // while memory protection keeps edits out of the slot).
    bool SerializePresetsWithLiveProgram(IChunk& chunk);
    // count times: the first uninitialised slot gets the live state and the
    // name (or "Empty" when none is given).
    void FillEmptyPresets(const char* name, int count);
    void NotifyHostOfAllParams();
    // OnParamChange for every parameter in index order, as after a program,
    // a chunk or an activation; OnParamChange can tell such a sweep from one
    // parameter being moved by PushingAllParams().
    void PushAllParams();
    bool PushingAllParams() const { return mPushingAllParams; }

    // True when a channel configuration matches; a negative argument matches any.
    bool LegalIO(int inputs, int outputs) const;
    int NInChannels() const { return static_cast<int>(mInChannels.size()); }
    int NOutChannels() const { return static_cast<int>(mOutChannels.size()); }
    const std::vector<std::pair<int, int>>& ChannelConfigurations() const { return mChannelIO; }
    bool IsInChannelConnected(int index) const;
    bool IsOutChannelConnected(int index) const;
    void SetInputLabel(int index, std::string_view label);
    void SetOutputLabel(int index, std::string_view label);
    const char* GetInputLabel(int index) const;
    const char* GetOutputLabel(int index) const;

    // Block processing (audio thread; takes the main lock). Host float buffers
    // are converted through the scratch buffers, replacing or adding to the
    // host's samples; host double buffers are rendered into directly. Null
    // buffers are skipped; blocks longer than the scratch buffers are rendered
    // in pieces.
    void ProcessBuffers(float** inputs, float** outputs, int frames, bool accumulate);
    void ProcessBuffers(double** inputs, double** outputs, int frames);

    const char* GetEffectName() const { return mEffectName.data(); }
    const char* GetProductName() const { return mProductName.data(); }
    const char* GetMakerName() const { return mMakerName.data(); }
    int32_t GetUniqueId() const { return mUniqueId; }
    int32_t GetMakerId() const { return mMakerId; }
    // 0xVVVVRRMM, or V * 10000 + R * 100 + M in decimal form.
    int32_t GetVersion(bool decimal = false) const;
    int32_t GetHostVersion() const { return mHostVersion; }
    bool DoesChunks() const { return mDoesChunks; }
    bool IsInstrument() const { return mIsInstrument; }
    bool DoesMidi() const { return mDoesMidi; }
    double GetSampleRate() const { return mSampleRate; }
    int GetBlockSize() const { return mBlockSize; }
    int GetLatency() const { return mLatency; }
    int GetTailSize() const { return mTailSize; }
    IGraphics* GetAttachedEditor() const { return mEditor; }

protected:
    void SetCurrentPresetIndex(int index) { mCurrentPreset = index; }
    void SetHostKind(int kind, int32_t version)
    {
        mHostKind = kind;
        mHostVersion = version;
    }
    void SetTailSize(int frames) { mTailSize = frames; }
    // Connects the first count channels and disconnects the rest; a
    // disconnected channel's pointer goes back to its own scratch buffer.
    void SetInputConnections(int count);
    void SetOutputConnections(int count);
    void DisconnectInput(int index);

private:
    struct InChannel {
        bool connected = false;
        std::vector<double> scratch;
        std::string label;
    };
    struct OutChannel {
        bool connected = false;
        std::vector<double> scratch;
        std::string label;
    };

    void ParseChannelIO(std::string_view text);
    // Points every channel back at its own scratch buffer.
    void ResetChannelPointers();

    std::vector<std::pair<int, int>> mChannelIO;
    mutable std::recursive_mutex mMutex;
    std::array<char, kNameCapacity> mEffectName{};
    std::array<char, kNameCapacity> mProductName{};
    std::array<char, kNameCapacity> mMakerName{};
    int32_t mUniqueId = 0;
    int32_t mMakerId = 0;
    int32_t mVersion = 0;
    int32_t mApiKind = 0;  // VST 2
    int32_t mHostKind = -1;
    int32_t mHostVersion = 0;
    bool mDoesChunks = true;
    bool mIsInstrument = true;
    bool mDoesMidi = true;
    int mCurrentPreset = 0;
    double mSampleRate = 44100.0;
    int mBlockSize = 0;
    int mLatency = 0;
    int mTailSize = 0;
    int mScratchFrames = 0;  // min(block size, kMaxScratchFrames)
    std::vector<IParameter> mParams;
    // Not owned: whoever attaches an editor keeps it alive until it detaches
    // it (AttachEditor(nullptr)) or the plug-in is destroyed.
    IGraphics* mEditor = nullptr;
    std::vector<IPresetSlot> mPresets;
    bool mPushingAllParams = false;
    std::string mLiveName;  // empty: the live program has its slot's name
    IChunk mLiveState;      // scratch for stores, kept to save reallocating
    std::vector<double*> mInputPtrs;
    std::vector<double*> mOutputPtrs;
    std::vector<InChannel> mInChannels;
    std::vector<OutChannel> mOutChannels;
};

}  // namespace qor
