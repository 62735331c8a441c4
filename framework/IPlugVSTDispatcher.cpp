// The VST 2 dispatcher: every opcode the plug-in answers, with its chunk,
// event, text and pin-property helpers. Runs under the main lock, except
// effSetChunk, which takes it only to put what it has read in place.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "framework/IGraphics.h"
#include "framework/IPlugVST.h"
#include "framework/TextCopy.h"
#include "graphics/Surface.h"

namespace qor {

namespace {

constexpr int32_t kChunkMagic = 0x70666674;  // 'pfft'
constexpr int32_t kChunkVersion = 0x00010000;
// After the slots of a host's bank: which program was playing. Readers that
// predate it stop after the last slot and never see it.
constexpr int32_t kCurrentProgramTag = 0x72756370;  // 'pcur'
constexpr intptr_t kVendorSpecificYes = 0xBEEF;
constexpr intptr_t kCockosExtension = 0xBEEF0000;

// A pointer-sized host value as an index; -1 when it cannot be one.
int ToIndex(intptr_t value)
{
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return -1;
    return static_cast<int>(value);
}

}  // namespace

intptr_t IPlugVST::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case vst::effOpen:
            HostSpecificInit();
            PushAllParams();
            return 0;
        case vst::effSetProgram:
            // The live state is kept in the slot being left.
            ModifyCurrentPreset();
            RestorePreset(ToIndex(value));
            return 0;
        case vst::effGetProgram:
            return GetCurrentPresetIndex();
        case vst::effSetProgramName:
            if (text) {
                const std::string name(BoundedText(text, vst::kVstMaxProgNameLen));
                ModifyCurrentPreset(name.c_str());
                OnPresetsChanged();
            }
            return 0;
        case vst::effGetProgramName:
            // The name of what plays, which memory protection may have kept
            // out of the slot; the host's list of programs shows the slots.
            if (text) CopyText(text, kHostProgramNameCapacity, LiveProgramName());
            return 0;
        case vst::effGetParamLabel:
            if (const IParameter* param = GetParam(index); param && text)
                CopyText(text, kHostParamNameCapacity, param->GetHostLabel());
            return 0;
        case vst::effGetParamDisplay:
            if (const IParameter* param = GetParam(index); param && text) {
                char display[IParameter::kDisplayCapacity] = {};
                FormatParamDisplay(index, param->Value(), display);
                CopyText(text, kHostParamDisplayCapacity, display);
            }
            return 0;
        case vst::effGetParamName:
            if (const IParameter* param = GetParam(index); param && text)
                CopyText(text, kHostParamNameCapacity, param->Name());
            return 0;
        case vst::effSetSampleRate:
            SetSampleRate(opt);
            Reset();
            return 0;
        case vst::effSetBlockSize:
            SetBlockSize(ToIndex(value));
            Reset();
            return 0;
        case vst::effMainsChanged:
            if (value != 0) {
                OnActivate(true);
            } else {
                OnActivate(false);
                Reset();
            }
            return 0;
        case vst::effEditGetRect:
            if (!ptr || !GetAttachedEditor()) return 0;
            *static_cast<vst::ERect**>(ptr) = &mEditRect;
            return 1;
        case vst::effEditOpen:
            if (!GetAttachedEditor() || !OpenEditorWindow(ptr)) return 0;
            OnEditorOpen();
            return 1;
        case vst::effEditClose:
            if (!GetAttachedEditor()) return 0;
            OnEditorClose();
            CloseEditorWindow();
            return 1;
        case vst::effEditIdle:
        case vst::effIdle:
            OnIdle();
            return 0;
        case vst::effIdentify:
            return vst::fourCC('N', 'v', 'E', 'f');
        case vst::effGetChunk:
            return GetChunk(static_cast<void**>(ptr), index == 0 && !HostNeedsProgramChunks());
        case vst::effProcessEvents:
            return ProcessEvents(static_cast<const vst::VstEvents*>(ptr));
        case vst::effCanBeAutomated:
            return 1;
        case vst::effString2Parameter:
            return String2Parameter(index, text);
        case vst::effGetProgramNameIndexed:
            if (!text) return 0;
            CopyText(text, kHostProgramNameCapacity, GetPresetName(index));
            return text[0] ? 1 : 0;
        case vst::effGetInputProperties:
            return PinProperties(index, static_cast<vst::VstPinProperties*>(ptr), true);
        case vst::effGetOutputProperties:
            return PinProperties(index, static_cast<vst::VstPinProperties*>(ptr), false);
        case vst::effGetPlugCategory:
            return IsInstrument() ? vst::kPlugCategSynth : vst::kPlugCategEffect;
        case vst::effSetSpeakerArrangement:
            SetSpeakerArrangement(reinterpret_cast<const vst::VstSpeakerArrangement*>(value),
                                  static_cast<const vst::VstSpeakerArrangement*>(ptr));
            return 1;
        case vst::effGetEffectName:
            if (!text) return 0;
            CopyText(text, vst::kVstMaxEffectNameLen, GetEffectName());
            return 1;
        case vst::effGetVendorString:
            if (!text) return 0;
            CopyText(text, vst::kVstMaxVendorStrLen, GetMakerName());
            return 1;
        case vst::effGetProductString:
            if (!text) return 0;
            CopyText(text, vst::kVstMaxProductStrLen, GetProductName());
            return 1;
        case vst::effGetVendorVersion:
            return GetVersion(true);
        case vst::effVendorSpecific:
            return VendorSpecific(index, value, ptr, opt);
        case vst::effCanDo:
            return CanDo(text);
        case vst::effGetTailSize:
            return GetTailSize();
        case vst::effGetVstVersion:
            return 2400;
        case vst::effGetMidiKeyName: {
            auto* key = static_cast<vst::MidiKeyName*>(ptr);
            if (!key) return 0;
            key->keyName[0] = '\0';
            const bool named = GetMidiNoteName(key->thisKeyNumber, key->keyName);
            key->keyName[sizeof(key->keyName) - 1] = '\0';
            return named ? 1 : 0;
        }
        case vst::effGetSpeakerArrangement:
            if (value) *reinterpret_cast<vst::VstSpeakerArrangement**>(value) = &mInputSpeakers;
            if (ptr) *static_cast<vst::VstSpeakerArrangement**>(ptr) = &mOutputSpeakers;
            return 1;
        default:
            return 0;
    }
}

intptr_t IPlugVST::GetChunk(void** data, bool isBank)
{
    if (!data) return 0;
    IChunk& chunk = isBank ? mBankState : mState;
    chunk.Clear();
    chunk.PutInt32(kChunkMagic);
    chunk.PutInt32(kChunkVersion);
    bool ok = false;
    if (isBank) {
        // A host saves its project as this bank: the program as it sounds
        // now must come back, even where memory protection kept the edits out
        // of their slot (the slot itself stays as it was).
        ModifyCurrentPreset();
        ok = SerializePresetsWithLiveProgram(chunk);
        chunk.PutInt32(kCurrentProgramTag);
        chunk.PutInt32(GetCurrentPresetIndex());
    } else {
        ok = SerializeState(chunk);
        const int stateEnd = chunk.Size();
        chunk.PutString(LiveProgramName());
        // The program the host set, unchanged since, goes back in the host's
        // own bytes, whichever program number it was set into.
        if (ok && PlaysHostProgram(chunk, stateEnd)) {
            chunk.Clear();
            chunk.PutChunk(mHostProgram);
        }
    }
    if (!ok || chunk.Empty()) return 0;
    // The bytes stay valid until the next request of the same kind.
    *data = chunk.Data();
    return chunk.Size();
}

bool IPlugVST::PlaysHostProgram(const IChunk& chunk, int stateEnd) const
{
    if (mHostProgram.Empty()) return false;
    const auto mine = chunk.Bytes();
    const auto host = mHostProgram.Bytes();
    const auto split = static_cast<std::size_t>(stateEnd);
    const auto hostSplit = static_cast<std::size_t>(mHostProgramStateEnd);
    return SameProgram(mine.subspan(8, split - 8), host.subspan(8, hostSplit - 8)) &&
           std::ranges::equal(mine.subspan(split), host.subspan(hostSplit));
}

// One program's state, then its name, into the current program. A chunk
// that breaks off inside the state changes nothing.
int IPlugVST::SetProgramChunk(const IChunk& chunk, int position)
{
    IChunk live;
    SerializeState(live);
    const auto refuse = [&] {
        UnserializeState(live, 0);
        return -1;
    };
    const int start = position;
    position = UnserializeState(chunk, start);
    // A state reader that read nothing found no state of ours: reading a
    // program name from those bytes would rename the current program with
    // junk and report success.
    if (position == start) return -1;
    if (position < 0) return refuse();
    const int stateEnd = position;
    std::string name;
    if (position < chunk.Size()) {
        position = chunk.GetString(name, position);
        // A name cut short: the chunk is broken, and changes nothing.
        if (position < 0 || position > chunk.Size()) return refuse();
        ModifyCurrentPreset(name.c_str());
    } else {
        ModifyCurrentPreset();
    }
    // Memory protection may have kept the name out of the slot; the program
    // as it plays keeps it all the same.
    NameLiveProgram(name);
    OnProgramStateLoaded();
    // Kept only in the form we hand out ourselves: header, state, name.
    mHostProgram.Clear();
    if (start == 8 && position == chunk.Size() && stateEnd < position) {
        mHostProgram.PutChunk(chunk);
        mHostProgramStateEnd = stateEnd;
    }
    return position;
}

// Every slot, then the program that was playing when the host saved the
// bank, so that a reopened project plays what it played. A bank without that
// record keeps the current program number. Main lock held.
int IPlugVST::SetBankChunk(PreparedBank& bank, const IChunk& chunk)
{
    int position = ApplyPresets(bank);
    int32_t tag = 0;
    int32_t current = 0;
    if (position >= 0 && chunk.GetInt32(tag, position) > 0 && tag == kCurrentProgramTag &&
        chunk.GetInt32(current, position + 4) > 0) {
        position += 8;
        if (current != GetCurrentPresetIndex() && current >= 0 && current < NPresets()) {
            RestorePreset(current);
            NotifyHostOfProgramChange();
        }
    }
    return position;
}

// Called without the main lock: a bank is read on the host's thread, and
// only put in place under the lock.
intptr_t IPlugVST::SetChunk(const void* data, intptr_t size, int32_t index)
{
    if (!data || size < 0 || size > std::numeric_limits<int>::max()) return 0;
    const std::span<const uint8_t> bytes(static_cast<const uint8_t*>(data), static_cast<std::size_t>(size));
    IChunk chunk;
    chunk.PutBytes(bytes);

    int position = 0;
    int32_t magic = 0;
    int32_t version = 0;
    if (chunk.GetInt32(magic, 0) > 0 && magic == kChunkMagic) position = chunk.GetInt32(version, 4);
    if (position < 0) position = 0;  // the magic alone: read it as a state
    const bool bankForm = magic == kChunkMagic && version >= kChunkVersion;

    bool programChunks = false;
    {
        auto lock = LockMain();
        programChunks = HostNeedsProgramChunks();
    }
    const bool isBank = index == 0 && !programChunks;
    // A host that keeps only program chunks may still hand back a bank saved
    // before it was told apart: such bytes are read as a bank too.
    std::optional<PreparedBank> bank;
    if (bankForm && (isBank || programChunks)) bank = PreparePresets(chunk, 8);

    auto lock = LockMain();
    if (isBank && bankForm) {
        position = SetBankChunk(*bank, chunk);
    } else {
        position = SetProgramChunk(chunk, position);
        // A program already read with bytes to spare stays read when the
        // bytes are no bank either (a refused bank changes nothing).
        if (programChunks && bank && position != chunk.Size()) {
            const int read = SetBankChunk(*bank, chunk);
            if (read >= 0 || position < 0) position = read;
        }
    }
    if (position < 0) return 0;
    RefreshEditor();
    return 1;
}

intptr_t IPlugVST::ProcessEvents(const vst::VstEvents* events)
{
    if (!events) return 0;
    // The list is declared with two slots but carries numEvents of them.
    vst::VstEvent* const* list = events->events;
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const vst::VstEvent* event = list[i];
        if (!event) continue;
        if (event->type == vst::kVstMidiType) {
            const auto* midi = reinterpret_cast<const vst::VstMidiEvent*>(event);
            IMidiMessage message;
            message.offset = midi->deltaFrames;
            message.status = static_cast<uint8_t>(midi->midiData[0]);
            message.data1 = static_cast<uint8_t>(midi->midiData[1]);
            message.data2 = static_cast<uint8_t>(midi->midiData[2]);
            ProcessMidi(&message);
        } else if (event->type == vst::kVstSysExType) {
            const auto* sysex = reinterpret_cast<const vst::VstMidiSysexEvent*>(event);
            // A dump without bytes carries nothing a receiver could read safely.
            if (sysex->dumpBytes <= 0 || !sysex->sysexDump) continue;
            ISysExMessage message;
            message.offset = sysex->deltaFrames;
            message.size = sysex->dumpBytes;
            message.data = reinterpret_cast<const uint8_t*>(sysex->sysexDump);
            ProcessSysEx(&message);
        }
    }
    return 1;
}

intptr_t IPlugVST::String2Parameter(int index, const char* text)
{
    IParameter* param = GetParam(index);
    if (!param) return 0;
    if (!text) return 1;
    const std::optional<double> value = ParseParamText(index, BoundedText(text, kHostTextChars));
    if (!value) return 0;
    if (IGraphics* editor = GetAttachedEditor()) editor->SetParameterFromPlug(index, *value, false);
    param->Set(*value);
    OnParamChange(index);
    return 1;
}

intptr_t IPlugVST::PinProperties(int index, vst::VstPinProperties* properties, bool input)
{
    const int count = input ? NInChannels() : NOutChannels();
    if (!properties || index < 0 || index >= count) return 0;
    properties->flags = vst::kVstPinIsActive;
    // Channels pair up into stereo pins from the first one on.
    if (index % 2 == 0 && index < count - 1) properties->flags |= vst::kVstPinIsStereo;
    const char* label = input ? GetInputLabel(index) : GetOutputLabel(index);
    if (label[0])
        CopyText(properties->label, sizeof(properties->label), label);
    else
        std::snprintf(properties->label, sizeof(properties->label), "%s %d", input ? "Input" : "Output", index + 1);
    return 1;
}

void IPlugVST::SetSpeakerArrangement(const vst::VstSpeakerArrangement* input,
                                     const vst::VstSpeakerArrangement* output)
{
    // Only the channel counts matter; the arrangements are not kept.
    if (input) SetInputConnections(std::min(input->numChannels, NInChannels()));
    if (output) SetOutputConnections(std::min(output->numChannels, NOutChannels()));
}

intptr_t IPlugVST::CanDo(const char* text) const
{
    const std::string_view what = BoundedText(text, kHostTextChars);
    if (what.empty()) return 0;
    if (what == "receiveVstTimeInfo") return 1;
    if (DoesMidi() && (what == "sendVstEvents" || what == "sendVstMidiEvent" || what == "receiveVstEvents" ||
                       what == "receiveVstMidiEvent"))
        return 1;
    if (what == "hasCockosExtensions" || what == "hasCockosViewAsConfig") return kCockosExtension;
    return 0;
}

intptr_t IPlugVST::VendorSpecific(int32_t index, intptr_t value, void* ptr, float opt)
{
    // Cockos extensions: index 7 formats a normalized value of parameter
    // `value` for display, index 8 asks whether that parameter steps in integers.
    if (index == vst::effGetParamDisplay) {
        if (!ptr) return 0;
        if (const IParameter* param = GetParam(ToIndex(value))) {
            char display[IParameter::kDisplayCapacity] = {};
            FormatParamDisplay(ToIndex(value), param->FromNormalized(opt), display);
            CopyText(static_cast<char*>(ptr), kHostParamDisplayCapacity, display);
        }
        return kVendorSpecificYes;
    }
    if (index == vst::effGetParamName) {
        const IParameter* param = GetParam(ToIndex(value));
        return param && param->Kind() != IParameter::kKindContinuous ? kVendorSpecificYes : 0;
    }
    if (index == vst::kQorDrawEditor && value == vst::kQorDrawEditorMagic)
        return DrawEditorOffscreen(static_cast<vst::QorEditorPixels*>(ptr)) ? 1 : 0;
    return 0;
}

bool IPlugVST::DrawEditorOffscreen(vst::QorEditorPixels* target)
{
    IGraphics* editor = GetAttachedEditor();
    if (!target || !editor) return false;
    const int width = editor->Width(), height = editor->Height();
    if (!target->pixels || target->width < width || target->height < height || target->stride < target->width) {
        target->width = width;
        target->height = height;
        return false;
    }
    gfx::Surface surface(width, height);
    editor->SetAllControlsDirty();
    editor->Draw(surface, {0, 0, width, height});
    for (int y = 0; y < height; ++y)
        std::memcpy(target->pixels + size_t(y) * size_t(target->stride), surface.Row(y),
                    size_t(width) * sizeof(uint32_t));
    // An open window still repaints everything it has not shown yet.
    editor->SetAllControlsDirty();
    return true;
}

}  // namespace qor
