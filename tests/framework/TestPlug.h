// A small plug-in and a recording host for driving the framework exactly as a
// VST 2 host would: through the effect record and the host callback.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "framework/IPlugVST.h"

namespace qor::test {

// What the plug-in sent to the host, copied out during the callback.
struct SentEvent {
    int32_t type = 0;
    int32_t byteSize = 0;
    int32_t deltaFrames = 0;
    int32_t flags = 0;
    int32_t noteLength = 0;
    int32_t noteOffset = 0;
    std::vector<uint8_t> bytes;  // MIDI: the 4 data bytes and detune, velocity, reserved; SysEx: the dump
    intptr_t resvd1 = -1;
    intptr_t resvd2 = -1;
    const void* dumpPointer = nullptr;
};

struct TestHost {
    std::string vendor;
    std::string product;
    intptr_t vendorVersion = 0;
    intptr_t processLevel = 0;
    bool hasTime = false;
    vst::VstTimeInfo time{};
    intptr_t processEventsAnswer = 1;

    std::mutex mutex;
    std::vector<std::pair<int, float>> automated;
    std::vector<int> beginEdits;
    std::vector<int> endEdits;
    int updateDisplays = 0;
    int wantMidi = 0;
    int vendorQueries = 0;
    int productQueries = 0;
    std::vector<intptr_t> timeRequests;
    std::vector<SentEvent> sent;
    std::vector<int32_t> numEventsSeen;
};

inline TestHost* gTestHost = nullptr;

// The host's next process call, without audio: what the plug-in has sent
// since the last one reaches the host now.
inline void HostProcesses(vst::AEffect* effect)
{
    effect->processReplacing(effect, nullptr, nullptr, 0);
}
inline void HostProcesses(IPlugVST& plug) { HostProcesses(plug.GetEffect()); }

inline intptr_t VSTCALL TestHostCallback(vst::AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                         void* ptr, float opt)
{
    TestHost* host = gTestHost;
    if (!host) return 0;
    std::lock_guard<std::mutex> guard(host->mutex);
    switch (opcode) {
        case vst::audioMasterAutomate:
            host->automated.emplace_back(index, opt);
            return 0;
        case vst::audioMasterBeginEdit:
            host->beginEdits.push_back(index);
            return 0;
        case vst::audioMasterEndEdit:
            host->endEdits.push_back(index);
            return 0;
        case vst::audioMasterUpdateDisplay:
            ++host->updateDisplays;
            return 1;
        case vst::audioMasterWantMidi:
            ++host->wantMidi;
            return 1;
        case vst::audioMasterGetCurrentProcessLevel:
            return host->processLevel;
        case vst::audioMasterGetTime:
            host->timeRequests.push_back(value);
            return host->hasTime ? reinterpret_cast<intptr_t>(&host->time) : 0;
        case vst::audioMasterGetVendorString:
            ++host->vendorQueries;
            std::snprintf(static_cast<char*>(ptr), 256, "%s", host->vendor.c_str());
            return 1;
        case vst::audioMasterGetProductString:
            ++host->productQueries;
            std::snprintf(static_cast<char*>(ptr), 256, "%s", host->product.c_str());
            return 1;
        case vst::audioMasterGetVendorVersion:
            return host->vendorVersion;
        case vst::audioMasterProcessEvents: {
            const auto* events = static_cast<const vst::VstEvents*>(ptr);
            host->numEventsSeen.push_back(events->numEvents);
            for (int32_t i = 0; i < events->numEvents; ++i) {
                const vst::VstEvent* e = events->events[i];
                SentEvent s;
                s.type = e->type;
                s.byteSize = e->byteSize;
                s.deltaFrames = e->deltaFrames;
                s.flags = e->flags;
                if (e->type == vst::kVstMidiType) {
                    const auto* m = reinterpret_cast<const vst::VstMidiEvent*>(e);
                    s.noteLength = m->noteLength;
                    s.noteOffset = m->noteOffset;
                    const auto* raw = reinterpret_cast<const uint8_t*>(m->midiData);
                    s.bytes.assign(raw, raw + 8);
                } else if (e->type == vst::kVstSysExType) {
                    const auto* x = reinterpret_cast<const vst::VstMidiSysexEvent*>(e);
                    s.resvd1 = x->resvd1;
                    s.resvd2 = x->resvd2;
                    s.dumpPointer = x->sysexDump;
                    s.bytes.assign(x->sysexDump, x->sysexDump + x->dumpBytes);
                }
                host->sent.push_back(std::move(s));
            }
            return host->processEventsAnswer;
        }
        default:
            return 0;
    }
}

// Parameters: 0 continuous 0..1 step 0.01, 1 integer -50..50, 2 "OFF"/"ON",
// 3 texts with a display function, 4 continuous with negated display,
// 5 a long name, 12 integer 1..8, the rest integers 0..127.
class TestPlug : public IPlugVST {
public:
    static IPlugConfig Config(int nParams, std::string_view channelIO)
    {
        IPlugConfig config;
        config.nParams = nParams;
        config.channelIO = channelIO;
        config.effectName = "TestPlug";
        config.productName = "Framework Test";
        return config;
    }

    explicit TestPlug(vst::HostCallback host, int nParams = 60, std::string_view channelIO = "0-2")
        : IPlugVST(host, Config(nParams, channelIO))
    {
        for (int i = 0; i < NParams(); ++i) {
            IParameter* p = GetParam(i);
            char name[32];
            std::snprintf(name, sizeof(name), "Param %d", i);
            switch (i) {
                case 0: p->InitContinuous("Cutoff", 0.5, 0.0, 1.0, 0.01); break;
                case 1: p->InitInteger("Detune", 0, -50, 50); break;
                case 2: p->InitEnumerated("Chorus", 0, {"OFF", "ON"}); break;
                case 3:
                    p->InitEnumerated("Wave", 0, {"SAW", "SQUARE"});
                    p->SetDisplayFunction([](double v, char* text) {
                        std::snprintf(text, IParameter::kDisplayCapacity, "Wave %d", static_cast<int>(v) + 1);
                    });
                    break;
                case 4:
                    p->InitContinuous("Offset", 0, -10, 10, 0.1);
                    p->SetNegateDisplay(true);
                    break;
                case 5: p->InitEnumerated("Voice Allocation Mode", 0, {"Reassign", "Rotate", "Unison"}); break;
                case 12: p->InitInteger("Range", 4, 1, 8); break;
                default: p->InitInteger(name, i, 0, 127); break;
            }
        }
        SetOutputLabel(0, "Test Left");
        ++alive;
    }
    ~TestPlug() override { --alive; }

    static inline std::atomic<int> alive{0};

    void Reset() override { ++resets; }
    void OnParamChange(int index) override
    {
        ++paramChanges;
        lastParamChanged = index;
    }
    void OnActivate(bool active) override { activations.push_back(active); }
    void OnIdle() override { ++idles; }
    void OnPresetsChanged() override { ++presetsChanged; }
    void OnHostIdentified() override { ++hostIdentified; }
    void ProcessMidi(IMidiMessage* message) override
    {
        midiIn.push_back(*message);
        if (midiThru) IPlugVST::ProcessMidi(message);
    }
    void ProcessSysEx(ISysExMessage* message) override
    {
        sysexIn.emplace_back(message->data, message->data + message->size);
        sysexOffsets.push_back(message->offset);
    }
    bool GetMidiNoteName(int note, char* text) override
    {
        if (note != 60) return IPlugVST::GetMidiNoteName(note, text);
        std::snprintf(text, kMidiNoteNameCapacity, "Middle C");
        return true;
    }
    // Output c carries (c + 1) * level plus the input of the same channel.
    void ProcessBlock(double** inputs, double** outputs, int frames) override
    {
        ++blocks;
        if (frames > maxFrames) maxFrames = frames;
        totalFrames += frames;
        // Under the main lock no parameter may change while a block renders.
        const double detune = NParams() > 1 ? GetParam(1)->Value() : 0.0;
        for (int c = 0; c < NOutChannels(); ++c) {
            for (int s = 0; s < frames; ++s) {
                outputs[c][s] = (c + 1) * level + (c < NInChannels() ? inputs[c][s] : 0.0);
                if (NParams() > 1 && GetParam(1)->Value() != detune) ++torn;
            }
        }
    }

    std::atomic<int> paramChanges{0};
    int lastParamChanged = -1;
    int resets = 0;
    std::vector<bool> activations;
    int idles = 0;
    int presetsChanged = 0;
    int hostIdentified = 0;
    bool midiThru = false;
    std::vector<IMidiMessage> midiIn;
    std::vector<std::vector<uint8_t>> sysexIn;
    std::vector<int32_t> sysexOffsets;
    int blocks = 0;
    int maxFrames = 0;
    long long totalFrames = 0;
    int torn = 0;
    double level = 0.25;
};

inline TestPlug* PlugOf(vst::AEffect* effect)
{
    return static_cast<TestPlug*>(static_cast<IPlugVST*>(effect->object));
}

// A host session: the entry's work, then opcodes through the effect record.
class EffectFixture : public ::testing::Test {
protected:
    void SetUp() override { gTestHost = &host; }
    void TearDown() override
    {
        if (effect) Dispatch(vst::effClose);
        effect = nullptr;
        gTestHost = nullptr;
    }
    // Creates the effect; set the host's strings before, they are read once.
    void Create()
    {
        effect = IPlugVST::CreateEffect<TestPlug>(&TestHostCallback);
        ASSERT_NE(effect, nullptr);
        plug = PlugOf(effect);
    }
    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    TestHost host;
    vst::AEffect* effect = nullptr;
    TestPlug* plug = nullptr;
};

}  // namespace qor::test
