// A minimal VST 2 instrument that reports what its host does, used by the
// host tests so they need no third-party plug-in to check the interface:
// event layout and timing, the callback during the entry call, time info,
// chunks, parameters and programs. Its sound shows the events: the left
// channel is 0.25 while any key is down, the right channel an impulse at each
// note-on's frame. Every event it receives is sent back to the host as is.
#include "tools/render/ProbeReport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace {

using namespace vst;

qor::ProbeReport gReport;

constexpr int kNumParams = 2;
constexpr std::array<const char*, 3> kProgramNames = {"Init", "Bright", "Dark"};

struct Probe {
    AEffect effect{};
    HostCallback host = nullptr;
    std::array<float, kNumParams> params{0.5f, 0.0f};
    int program = 0;
    int blockSize = 1024;
    // Note-ons and -offs of the coming block, by frame.
    struct Pending {
        int frame;
        bool on;
    };
    std::vector<Pending> pending;
    int keysDown = 0;
    std::array<uint8_t, 8> chunk{};
};

Probe* probeOf(AEffect* effect) { return static_cast<Probe*>(effect->object); }

void copyText(void* ptr, std::string_view text, size_t capacity)
{
    if (ptr == nullptr) return;
    const size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(ptr, text.data(), n);
    static_cast<char*>(ptr)[n] = '\0';
}

void receiveEvents(Probe& p, const VstEvents* events)
{
    VstEvent* const* list = events->events;
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const VstEvent* ev = list[i];
        ++gReport.eventsReceived;
        const bool timed = ev->deltaFrames >= 0 && ev->deltaFrames < p.blockSize;
        if (ev->type == kVstMidiType) {
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(ev);
            if (midi->byteSize != sizeof(VstMidiEvent) || !timed) ++gReport.badEvents;
            const int kind = static_cast<uint8_t>(midi->midiData[0]) & 0xF0;
            const bool on = kind == 0x90 && midi->midiData[2] != 0;
            if (on || kind == 0x80 || kind == 0x90) p.pending.push_back({ev->deltaFrames, on});
        } else if (ev->type == kVstSysExType) {
            const auto* sx = reinterpret_cast<const VstMidiSysexEvent*>(ev);
            ++gReport.sysexReceived;
            if (sx->byteSize != sizeof(VstMidiSysexEvent) || !timed || sx->sysexDump == nullptr ||
                sx->dumpBytes < 2 || static_cast<uint8_t>(sx->sysexDump[0]) != 0xF0 || sx->resvd1 != 0 ||
                sx->resvd2 != 0) {
                ++gReport.badEvents;
            }
        } else {
            ++gReport.badEvents;
        }
    }
    // Echo the whole list back: the host must copy SysEx bytes, which we own.
    p.host(&p.effect, audioMasterProcessEvents, 0, 0, const_cast<VstEvents*>(events), 0.0f);
}

template <typename Sample>
void render(Probe& p, Sample** outputs, int32_t frames, bool accumulate)
{
    const auto* time = reinterpret_cast<const VstTimeInfo*>(p.host(&p.effect, audioMasterGetTime, 0, 0x3E00, nullptr, 0.0f));
    if (time != nullptr) {
        gReport.lastTime = *time;
        gReport.hadTime = true;
    }
    gReport.processLevel = p.host(&p.effect, audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f);
    std::stable_sort(p.pending.begin(), p.pending.end(), [](const Probe::Pending& a, const Probe::Pending& b) {
        return a.frame < b.frame;
    });
    size_t next = 0;
    for (int32_t i = 0; i < frames; ++i) {
        Sample impulse = 0;
        while (next < p.pending.size() && p.pending[next].frame <= i) {
            if (p.pending[next].on) {
                ++p.keysDown;
                impulse = 1;
            } else if (p.keysDown > 0) {
                --p.keysDown;
            }
            ++next;
        }
        const Sample level = p.keysDown > 0 ? static_cast<Sample>(0.25) : static_cast<Sample>(0);
        if (accumulate) {
            outputs[0][i] += level;
            outputs[1][i] += impulse;
        } else {
            outputs[0][i] = level;
            outputs[1][i] = impulse;
        }
    }
    p.pending.clear();
}

void VSTCALL processReplacing(AEffect* e, float**, float** outputs, int32_t frames)
{
    ++gReport.floatBlocks;
    render(*probeOf(e), outputs, frames, false);
}

void VSTCALL processAccumulating(AEffect* e, float**, float** outputs, int32_t frames)
{
    render(*probeOf(e), outputs, frames, true);
}

void VSTCALL processDoubleReplacing(AEffect* e, double**, double** outputs, int32_t frames)
{
    ++gReport.doubleBlocks;
    render(*probeOf(e), outputs, frames, false);
}

void VSTCALL setParameter(AEffect* e, int32_t index, float value)
{
    if (index >= 0 && index < kNumParams) probeOf(e)->params[static_cast<size_t>(index)] = value;
}

float VSTCALL getParameter(AEffect* e, int32_t index)
{
    return index >= 0 && index < kNumParams ? probeOf(e)->params[static_cast<size_t>(index)] : 0.0f;
}

intptr_t VSTCALL dispatcher(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    Probe& p = *probeOf(e);
    if (gReport.opcodeCount < 32) gReport.opcodes[gReport.opcodeCount++] = opcode;
    switch (opcode) {
    case effOpen: return 0;
    case effClose:
        ++gReport.closeCalls;
        delete &p;  // the record lives inside the probe: gone after this call
        return 0;
    case effSetSampleRate:
        gReport.sampleRate = opt;
        gReport.hostSampleRate = p.host(e, audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
        return 0;
    case effSetBlockSize:
        p.blockSize = static_cast<int>(value);
        gReport.blockSize = value;
        gReport.hostBlockSize = p.host(e, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
        return 0;
    case effSetProgram:
        if (value >= 0 && value < static_cast<intptr_t>(kProgramNames.size())) p.program = static_cast<int>(value);
        return 0;
    case effGetProgram: return p.program;
    case effGetProgramName: copyText(ptr, kProgramNames[static_cast<size_t>(p.program)], kVstMaxProgNameLen); return 0;
    case effGetProgramNameIndexed:
        if (index < 0 || index >= static_cast<int32_t>(kProgramNames.size())) return 0;
        copyText(ptr, kProgramNames[static_cast<size_t>(index)], kVstMaxProgNameLen);
        return 1;
    case effGetParamName: copyText(ptr, index == 0 ? "Gain" : "Mode", kVstMaxParamStrLen); return 0;
    case effGetParamLabel: copyText(ptr, index == 0 ? "dB" : "", kVstMaxParamStrLen); return 0;
    case effGetParamDisplay: {
        char text[16];
        if (index == 0) {
            std::snprintf(text, sizeof text, "%.2f", static_cast<double>(p.params[0]));
        } else {
            std::snprintf(text, sizeof text, "%s", p.params[1] >= 0.5f ? "On" : "Off");
        }
        copyText(ptr, text, kVstMaxParamStrLen);
        return 0;
    }
    case effString2Parameter: {
        if (ptr == nullptr || index < 0 || index >= kNumParams) return 0;
        const std::string_view text(static_cast<const char*>(ptr));
        if (index == 1) {
            if (text != "On" && text != "Off") return 0;
            p.params[1] = text == "On" ? 1.0f : 0.0f;
            return 1;
        }
        char* end = nullptr;
        const float v = std::strtof(static_cast<const char*>(ptr), &end);
        if (end == ptr || v < 0.0f || v > 1.0f) return 0;
        p.params[0] = v;
        return 1;
    }
    case effGetChunk:
        if (ptr == nullptr) return 0;
        p.chunk[0] = static_cast<uint8_t>(index == 0 ? 'B' : 'P');
        *static_cast<void**>(ptr) = p.chunk.data();
        return static_cast<intptr_t>(p.chunk.size());
    case effSetChunk:
        if (ptr == nullptr || value <= 0) return 0;
        gReport.chunkBytesSet = static_cast<int>(value);
        gReport.chunkFirstByte = *static_cast<const uint8_t*>(ptr);
        return 1;
    case effProcessEvents:
        if (ptr == nullptr) return 0;
        receiveEvents(p, static_cast<const VstEvents*>(ptr));
        return 1;
    case effGetEffectName: copyText(ptr, "Probe", kVstMaxEffectNameLen); return 1;
    case effGetVendorString: copyText(ptr, "QOR tests", kVstMaxVendorStrLen); return 1;
    case effGetPlugCategory: return kPlugCategSynth;
    case effCanDo: {
        if (ptr == nullptr) return 0;
        const std::string_view asked(static_cast<const char*>(ptr));
        return asked == "receiveVstEvents" || asked == "receiveVstMidiEvent" || asked == "sendVstEvents" ? 1 : 0;
    }
    case effGetVstVersion: return 2400;
    default: return 0;
    }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) const qor::ProbeReport* qor_probe_report() { return &gReport; }

__attribute__((visibility("default"))) void qor_probe_reset() { gReport = qor::ProbeReport{}; }

__attribute__((visibility("default"))) AEffect* VSTPluginMain(HostCallback host)
{
    if (host == nullptr) return nullptr;
    // As some plug-ins do: ask the host before there is an effect record.
    gReport.versionInEntry = host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
    host(nullptr, audioMasterGetVendorString, 0, 0, gReport.vendorInEntry, 0.0f);
    gReport.vendorInEntry[sizeof gReport.vendorInEntry - 1] = '\0';
    gReport.canDoSendEvents = host(nullptr, audioMasterCanDo, 0, 0, const_cast<char*>("sendVstEvents"), 0.0f);
    gReport.canDoBogus = host(nullptr, audioMasterCanDo, 0, 0, const_cast<char*>("fly"), 0.0f);

    auto probe = std::make_unique<Probe>();
    probe->host = host;
    AEffect& e = probe->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatcher;
    e.process = processAccumulating;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.numPrograms = static_cast<int32_t>(kProgramNames.size());
    e.numParams = kNumParams;
    e.numInputs = 0;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsIsSynth | effFlagsCanDoubleReplacing | effFlagsProgramChunks;
    e.ioRatio = 1.0f;
    e.uniqueID = vst::fourCC('q', 'P', 'r', 'b');
    e.version = 1;
    e.processReplacing = processReplacing;
    e.processDoubleReplacing = processDoubleReplacing;
    e.object = probe.get();
    // Owned by the host from here on, released by effClose.
    return &probe.release()->effect;
}

}  // extern "C"
