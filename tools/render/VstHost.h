// A VST 2 host for one plug-in instance: loads the library, talks to the
// effect through its record exactly as a DAW does, and answers the plug-in's
// calls back. Works with any VST 2 instrument or effect, not only ours.
//
// Threading: everything runs on the caller's thread; the host callback may be
// entered from any call into the plug-in on that thread.
#pragma once

#include "framework/VstAbi.h"
#include "platform/DynamicLibrary.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// Our identity as the plug-in sees it.
constexpr std::string_view kHostVendor = "QOR";
constexpr std::string_view kHostProduct = "qor-render";
constexpr int32_t kHostVersion = 1;
constexpr int32_t kHostVstVersion = 2400;

// A MIDI or SysEx message the plug-in sent us, with its absolute frame.
struct ReceivedEvent {
    int64_t frame = 0;
    std::vector<uint8_t> bytes;
};

// What the host reports through audioMasterGetTime for the next block.
struct HostTransport {
    double ppqPos = 0.0;
    double tempo = 120.0;
    double barStartPos = 0.0;
    int numerator = 4;
    int denominator = 4;
    bool playing = false;
};

struct ParameterInfo {
    int index = 0;
    std::string name;
    std::string display;
    std::string label;
    float value = 0.0f;  // normalized
};

class VstHost {
public:
    VstHost();
    ~VstHost();
    VstHost(const VstHost&) = delete;
    VstHost& operator=(const VstHost&) = delete;

    // Loads the library, calls VSTPluginMain (or the older main) with our
    // callback, checks the record and opens the effect.
    bool load(const std::string& path, std::string& error);
    // Sends effClose and unloads; also done by the destructor.
    void unload();
    bool isLoaded() const { return effect_ != nullptr; }

    // Before start(): the rate and the largest block process() will be given.
    void configure(double sampleRate, int maxBlockSize);
    // effMainsChanged(1), effStartProcess; stop() undoes them.
    void start();
    void stop();
    bool isRunning() const { return running_; }
    // Offline rendering reports process level 4; real time reports 2.
    void setOffline(bool offline) { offline_ = offline; }

    const vst::AEffect& effect() const { return *effect_; }
    int numInputs() const { return effect_->numInputs; }
    int numOutputs() const { return effect_->numOutputs; }
    int numParams() const { return effect_->numParams; }
    int numPrograms() const { return effect_->numPrograms; }
    bool canDoubleReplacing() const { return (effect_->flags & vst::effFlagsCanDoubleReplacing) != 0; }
    bool isSynth() const { return (effect_->flags & vst::effFlagsIsSynth) != 0; }
    std::string effectName();
    std::string vendorString();
    std::string productString();

    ParameterInfo parameter(int index);
    // The index of the parameter whose name equals name, ignoring case and
    // surrounding blanks.
    std::optional<int> findParameter(std::string_view name);
    void setParameter(int index, float normalized);
    float getParameter(int index);
    // effString2Parameter: the plug-in parses a plain or display value.
    bool setParameterText(int index, const std::string& text);

    int program();
    void setProgram(int index);
    // effGetProgramNameIndexed, or when the plug-in does not answer it,
    // selecting each program and asking its name (the current one restored).
    std::vector<std::string> programNames();

    // effGetChunk / effSetChunk; empty when the plug-in has none.
    std::vector<uint8_t> getChunk(bool program);
    bool setChunk(std::span<const uint8_t> chunk, bool program);

    // Queues a message for the next process call at a frame inside it.
    void queueMidi(int deltaFrames, std::span<const uint8_t> bytes);
    void queueSysEx(int deltaFrames, std::span<const uint8_t> bytes);
    void setTransport(const HostTransport& transport) { transport_ = transport; }

    // One block of at most maxBlockSize frames: the queued events, then
    // processReplacing (or the accumulating process) into outputs, which hold
    // numOutputs() channels of frames samples each.
    void process(std::span<float* const> outputs, int frames);
    // A process call of no frames, while running: the plug-in hands over
    // the MIDI output it has waiting (plug-ins send only from inside the
    // process call).
    void collectOutput();
    void processDouble(std::span<double* const> outputs, int frames);
    int64_t samplePosition() const { return samplePos_; }

    // What the plug-in told us. A plug-in may send from a thread of its own
    // (an answer worked out in the background), so these are guarded.
    std::vector<ReceivedEvent> receivedEvents() const;
    void clearReceivedEvents();
    // Waits until done(what was received) is true or the timeout passes;
    // false on the timeout.
    bool waitForReceived(const std::function<bool(const std::vector<ReceivedEvent>&)>& done,
                         std::chrono::milliseconds timeout) const;
    int automationCount() const { return automations_; }
    int nullEffectCalls() const { return nullEffectCalls_; }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);

private:
    struct PendingEvent {
        int32_t deltaFrames;
        bool sysex;
        std::vector<uint8_t> bytes;
    };

    static intptr_t VSTCALL hostCallback(vst::AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                         void* ptr, float opt);
    intptr_t answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
    void receiveEvents(const vst::VstEvents* events);
    void sendQueuedEvents();
    void prepareBuffers();
    vst::VstTimeInfo* timeInfo();
    std::string dispatchString(int32_t opcode, int32_t index, size_t capacity);

    DynamicLibrary library_;
    std::string pluginFolder_;
    vst::AEffect* effect_ = nullptr;
    double sampleRate_ = 44100.0;
    int maxBlockSize_ = 512;
    bool running_ = false;
    bool offline_ = true;
    bool processing_ = false;
    int64_t samplePos_ = 0;
    HostTransport transport_;
    vst::VstTimeInfo timeInfo_{};
    bool transportChanged_ = true;

    std::vector<PendingEvent> pending_;
    // The list handed to effProcessEvents and the records it points at; they
    // must stay alive until the next process call, as the plug-in may keep them.
    std::vector<intptr_t> eventList_;
    std::vector<vst::VstMidiEvent> midiRecords_;
    std::vector<vst::VstMidiSysexEvent> sysexRecords_;
    std::vector<std::vector<uint8_t>> sysexData_;

    std::vector<std::vector<float>> inputs_;
    std::vector<float*> inputPointers_;
    std::vector<std::vector<double>> inputsDouble_;
    std::vector<double*> inputPointersDouble_;

    mutable std::mutex receivedMutex_;
    mutable std::condition_variable receivedChanged_;
    std::vector<ReceivedEvent> received_;
    int automations_ = 0;
    int nullEffectCalls_ = 0;
};

}  // namespace qor
