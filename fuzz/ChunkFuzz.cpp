// Hands arbitrary bytes to effSetChunk of one instance, as a host restoring
// a damaged project would, then renders a short block: whatever was accepted
// or refused, the instance must keep playing finite audio with every
// parameter inside its range.
//
// Input: the first byte chooses the request, the rest is the chunk.
//   bit 0: program chunk (effSetChunk index 1) or bank (index 0)
//   bit 1: put our 'pfft' header in front of the bytes
//   bit 2: with the header, take the version from the next four input bytes
//          instead of the current one
// The seeds in corpus/Chunk are a real bank and a real program chunk.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/IPlugVST.h"
#include "fuzz/FuzzInstance.h"
#include "plugin/QOR.h"

namespace {

vst::AEffect* effect = nullptr;
std::vector<uint8_t> buffer;

intptr_t VSTCALL Host(vst::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : (opcode == vst::audioMasterProcessEvents ? 1 : 0);
}

intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f)
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void PutInt32(std::vector<uint8_t>& out, int32_t v)
{
    uint8_t bytes[4];
    std::memcpy(bytes, &v, 4);
    out.insert(out.end(), bytes, bytes + 4);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Protection off, so that chunks may also rename slots.
    qor::fuzz::UseTemporaryHome("chunk-fuzz", "[Global]\nWrite Protect=false\n");
    // What VSTPluginMain does, without going through the module's export.
    effect = qor::IPlugVST::CreateEffect<qor::QOR>(&Host);
    if (!effect) std::abort();
    Dispatch(vst::effOpen);
    Dispatch(vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(vst::effSetBlockSize, 0, 128);
    Dispatch(vst::effMainsChanged, 0, 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    ++data;
    --size;
    buffer.clear();
    if (mode & 2) {
        PutInt32(buffer, 0x70666674);  // 'pfft'
        int32_t version = 0x00010000;
        if ((mode & 4) && size >= 4) {
            std::memcpy(&version, data, 4);
            data += 4;
            size -= 4;
        }
        PutInt32(buffer, version);
    }
    buffer.insert(buffer.end(), data, data + size);
    // Exactly the chunk's size, so the address sanitizer sees any read past it.
    std::vector<uint8_t> chunk(buffer);
    const bool program = mode & 1;
    const intptr_t result = Dispatch(vst::effSetChunk, program ? 1 : 0, static_cast<intptr_t>(chunk.size()),
                                     chunk.empty() ? static_cast<void*>(&chunk) : chunk.data());
    if (result != 0 && result != 1) __builtin_trap();

    for (int i = 0; i < effect->numParams; ++i) {
        const float v = effect->getParameter(effect, i);
        if (!(v >= 0.0f && v <= 1.0f)) __builtin_trap();
    }
    char name[64] = {};
    Dispatch(vst::effGetProgramName, 0, 0, name);
    if (std::strlen(name) > 24) __builtin_trap();

    // A short block with a chord: the state the chunk left must play.
    uint8_t notes[3][3] = {{0x90, 48, 100}, {0x90, 60, 100}, {0x90, 67, 100}};
    vst::VstMidiEvent events[3] = {};
    struct {
        int32_t numEvents;
        intptr_t reserved;
        vst::VstEvent* events[3];
    } list = {3, 0, {}};
    for (int i = 0; i < 3; ++i) {
        events[i].type = vst::kVstMidiType;
        events[i].byteSize = sizeof(vst::VstMidiEvent);
        std::memcpy(events[i].midiData, notes[i], 3);
        list.events[i] = reinterpret_cast<vst::VstEvent*>(&events[i]);
    }
    Dispatch(vst::effProcessEvents, 0, 0, &list);
    double left[128], right[128];
    double* outputs[2] = {left, right};
    effect->processDoubleReplacing(effect, nullptr, outputs, 128);
    for (int i = 0; i < 128; ++i)
        if (!std::isfinite(left[i]) || !std::isfinite(right[i])) __builtin_trap();
    // Let the chord go so the next input starts from silence.
    uint8_t off[3] = {0xB0, 123, 0};
    std::memcpy(events[0].midiData, off, 3);
    list.numEvents = 1;
    Dispatch(vst::effProcessEvents, 0, 0, &list);
    effect->processDoubleReplacing(effect, nullptr, outputs, 128);
    return 0;
}
