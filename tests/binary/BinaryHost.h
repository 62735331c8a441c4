// A test host that drives the built qor.so the way a DAW does: dlopen, the
// exported entry, then only the effect record and our host callback. It
// records what the plug-in sends back (MIDI, SysEx, automation) and is safe to
// call from several threads at once, as the stress test does.
//
// Every BinaryHost gives the process a fresh, empty HOME and XDG_CONFIG_HOME
// before the first instance is created, so no test reads or writes the real
// user's settings.
#pragma once

#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/VstAbi.h"

// Everything here lives in a namespace of its own: the other test helpers
// share the test program, and two classes of one name (tests/framework has a
// SentEvent too) would silently share one's inline code.
namespace qor::test::binary {

// The process's HOME and XDG_CONFIG_HOME point at a new temporary folder for
// as long as this lives; the old values come back afterwards.
class IsolatedHome {
public:
    IsolatedHome();
    ~IsolatedHome();
    IsolatedHome(const IsolatedHome&) = delete;
    IsolatedHome& operator=(const IsolatedHome&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    // The instrument's settings file inside it.
    std::filesystem::path ConfigFile() const { return folder_ / "config" / "Marrowind" / "qor.ini"; }
    // Writes the settings file before an instance reads it.
    void WriteConfig(std::string_view text) const;

private:
    std::filesystem::path folder_;
    std::string oldHome_;
    std::string oldConfig_;
    bool hadHome_ = false;
    bool hadConfig_ = false;
};

// The exported entry of qor.so, loaded once per process and kept loaded.
vst::EntryProc PluginEntry();

// One message the plug-in sent through audioMasterProcessEvents.
struct SentEvent {
    int32_t type = 0;
    int32_t deltaFrames = 0;
    std::vector<uint8_t> bytes;  // MIDI: the three data bytes; SysEx: the dump
};

// A host event list for effProcessEvents: it owns the records it points at.
class EventList {
public:
    EventList& Midi(int32_t deltaFrames, uint8_t status, uint8_t data1 = 0, uint8_t data2 = 0);
    EventList& SysEx(int32_t deltaFrames, std::vector<uint8_t> bytes);
    // A null entry and an event of a type the plug-in does not know.
    EventList& Null();
    EventList& Unknown(int32_t deltaFrames);
    // Valid until the list is changed again.
    vst::VstEvents* Get();
    size_t Size() const { return entries_.size(); }

private:
    struct Entry {
        vst::VstMidiEvent midi{};
        vst::VstMidiSysexEvent sysex{};
        std::vector<uint8_t> dump;
        int kind = 0;  // 0 MIDI, 1 SysEx, 2 null, 3 unknown type
    };
    std::vector<Entry> entries_;
    std::vector<intptr_t> list_;
};

class BinaryHost {
public:
    // The vendor string the plug-in reads through audioMasterGetVendorString.
    explicit BinaryHost(std::string vendor = "QOR Binary Tests");
    ~BinaryHost();
    BinaryHost(const BinaryHost&) = delete;
    BinaryHost& operator=(const BinaryHost&) = delete;

    // Calls the entry (of the qor.so every test shares, unless another copy's
    // entry is given); false when it returned no record.
    bool Create(vst::EntryProc entry = nullptr);
    // effOpen, sample rate, block size, effMainsChanged(1).
    void Start(double sampleRate = 44100.0, int blockSize = 512);
    // effClose; the record is gone afterwards.
    void Close();

    vst::AEffect* Effect() const { return effect_; }
    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
    std::string DispatchText(int32_t opcode, int32_t index = 0, intptr_t value = 0);

    float GetParameter(int32_t index);
    void SetParameter(int32_t index, float value);
    std::vector<float> AllParameters();
    std::string ParamName(int index) { return DispatchText(vst::effGetParamName, index); }
    std::string ParamDisplay(int index) { return DispatchText(vst::effGetParamDisplay, index); }
    std::string ParamLabel(int index) { return DispatchText(vst::effGetParamLabel, index); }
    // effString2Parameter's answer.
    intptr_t SetParameterText(int index, const std::string& text);

    std::string ProgramName() { return DispatchText(vst::effGetProgramName); }
    std::string ProgramNameIndexed(int index) { return DispatchText(vst::effGetProgramNameIndexed, index, -1); }
    std::vector<std::string> ProgramNames();
    void SetProgram(int index) { Dispatch(vst::effSetProgram, 0, index); }
    void SetProgramName(const std::string& name);

    // effGetChunk copied out (the plug-in's bytes live only until the next call).
    std::vector<uint8_t> GetChunk(bool program);
    intptr_t SetChunk(std::span<const uint8_t> bytes, bool program);

    intptr_t SendEvents(EventList& events) { return Dispatch(vst::effProcessEvents, 0, 0, events.Get()); }

    // One processReplacing or processDoubleReplacing block into left and right.
    void Render(std::span<float> left, std::span<float> right);
    void RenderDouble(std::span<double> left, std::span<double> right);
    // frames of stereo float audio in blocks of blockSize, interleaved L R.
    std::vector<float> RenderFrames(int frames, int blockSize = 512);

    std::vector<SentEvent> Sent();
    void ClearSent();
    // Waits (up to a few seconds) until the plug-in has sent `count` events
    // since the last ClearSent: it answers dumps once it has decoded them in
    // the background, as the hardware answers a moment later. False on the timeout.
    bool WaitForSent(size_t count);
    int Automations() const { return automations_.load(); }
    // Automation, begin-edit and end-edit calls in the order they came, taken out.
    struct EditCall {
        int32_t opcode;
        int32_t index;
        friend bool operator==(const EditCall&, const EditCall&) = default;
    };
    std::vector<EditCall> TakeEdits();
    int WantMidiCalls() const { return wantMidi_.load(); }

private:
    static intptr_t VSTCALL Callback(vst::AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                     void* ptr, float opt);
    intptr_t Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    std::string vendor_;
    vst::AEffect* effect_ = nullptr;
    vst::VstTimeInfo time_{};
    std::mutex sentMutex_;
    std::vector<SentEvent> sent_;
    std::vector<EditCall> edits_;
    std::atomic<int> automations_{0};
    std::atomic<int> wantMidi_{0};
};

// A test with its own settings folder and one instance, created by Load()
// (after the test has written any settings it wants read).
class BinaryTest : public ::testing::Test {
protected:
    void Load(double sampleRate = 44100.0, int blockSize = 512)
    {
        ASSERT_TRUE(host.Create()) << "the entry returned no effect record";
        host.Start(sampleRate, blockSize);
    }
    vst::AEffect* effect() const { return host.Effect(); }

    IsolatedHome home;
    BinaryHost host;
};

// A plain, dry, steady sound whatever the current program holds: two
// sawtooths, filter open, full sustain, no release, no modulation or chorus.
void PlainSound(BinaryHost& host);

// Largest absolute sample, or infinity when any sample is not finite.
float PeakOf(std::span<const float> samples);

}  // namespace qor::test::binary

#endif
