#include "framework/IPlugVST.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <string_view>

#include "framework/HostKind.h"
#include "framework/IGraphics.h"
#include "framework/TextCopy.h"

namespace qor {

namespace {

int32_t SpeakerArrangementType(int channels)
{
    switch (channels) {
        case 0: return vst::kSpeakerArrEmpty;
        case 1: return vst::kSpeakerArrMono;
        case 2: return vst::kSpeakerArrStereo;
        default: return vst::kSpeakerArrUserDefined;
    }
}

int16_t ToInt16(int v)
{
    return static_cast<int16_t>(std::clamp(v, 0, static_cast<int>(std::numeric_limits<int16_t>::max())));
}

}  // namespace

vst::AEffect* IPlugVST::CreateEffect(vst::HostCallback host, Factory make)
{
    // Hosts may instantiate from several threads at once.
    static std::mutex creationLock;
    std::lock_guard<std::mutex> guard(creationLock);
    if (!make) return nullptr;
    try {
        std::unique_ptr<IPlugVST> plug = make(host);
        if (!plug) return nullptr;
        {
            auto lock = plug->LockMain();
            plug->FillEmptyPresets(nullptr, 100);
            plug->mAEffect.numPrograms = std::max(plug->mAEffect.numPrograms, 1);
        }
        // From here the host owns the object through the effect record.
        return &plug.release()->mAEffect;
    } catch (...) {
        return nullptr;
    }
}

IPlugVST::IPlugVST(vst::HostCallback host, const IPlugConfig& config) : IPlugBase(config), mHostCallback(host)
{
    SetBlockSize(1024);
    // A VST 2 host always passes as many buffers as the record declares, and
    // many never send a speaker arrangement: every channel starts connected.
    SetInputConnections(NInChannels());
    SetOutputConnections(NOutChannels());
    InitSpeakerArrangements();

    mAEffect.magic = vst::kEffectMagic;
    mAEffect.dispatcher = &IPlugVST::VSTDispatcher;
    mAEffect.process = &IPlugVST::VSTProcess;
    mAEffect.setParameter = &IPlugVST::VSTSetParameter;
    mAEffect.getParameter = &IPlugVST::VSTGetParameter;
    mAEffect.processReplacing = &IPlugVST::VSTProcessReplacing;
    mAEffect.processDoubleReplacing = &IPlugVST::VSTProcessDoubleReplacing;
    mAEffect.numPrograms = NPresets();
    mAEffect.numParams = NParams();
    mAEffect.numInputs = NInChannels();
    mAEffect.numOutputs = NOutChannels();
    int32_t flags = vst::effFlagsCanReplacing | vst::effFlagsCanDoubleReplacing;
    if (DoesChunks()) flags |= vst::effFlagsProgramChunks;
    if (IsInstrument()) flags |= vst::effFlagsIsSynth;
    if (LegalIO(1, -1)) flags |= vst::effFlagsCanMono;
    mAEffect.flags = flags;
    mAEffect.initialDelay = GetLatency();
    mAEffect.ioRatio = 1.0f;
    mAEffect.object = this;
    mAEffect.uniqueID = GetUniqueId();
    mAEffect.version = GetVersion(true);
}

IPlugVST::~IPlugVST() = default;

void IPlugVST::InitSpeakerArrangements()
{
    mInputSpeakers.type = SpeakerArrangementType(NInChannels());
    mInputSpeakers.numChannels = NInChannels();
    mOutputSpeakers.type = SpeakerArrangementType(NOutChannels());
    mOutputSpeakers.numChannels = NOutChannels();
}

intptr_t IPlugVST::CallHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    if (!mHostCallback) return 0;
    return mHostCallback(&mAEffect, opcode, index, value, ptr, opt);
}

IPlugVST* IPlugVST::FromEffect(vst::AEffect* effect)
{
    return effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
}

// Host's main thread (sometimes others). effClose ends the object.
intptr_t VSTCALL IPlugVST::VSTDispatcher(vst::AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                         void* ptr, float opt)
{
    IPlugVST* plug = FromEffect(effect);
    if (!plug) return 0;
    if (opcode == vst::effClose) {
        // Wait for any call in flight, then release the lock before the
        // object (and the lock with it) goes away.
        auto lock = plug->LockMain();
        lock.unlock();
        effect->object = nullptr;
        std::unique_ptr<IPlugVST> owned(plug);
        owned.reset();
        return 0;
    }
    try {
        // A bank is read without the lock and put in place under it.
        if (opcode == vst::effSetChunk) return plug->SetChunk(ptr, value, index);
        intptr_t result = 0;
        {
            auto lock = plug->LockMain();
            result = plug->Dispatch(opcode, index, value, ptr, opt);
        }
        // The editor's own idle work (events, repaints, answers to its
        // questions) runs without the lock: it takes the lock itself around
        // what touches parameters, so the audio thread is not held while a
        // continuation waits on nothing but the musician.
        if (opcode == vst::effEditIdle)
            if (IGraphics* editor = plug->GetAttachedEditor()) editor->Idle();
        return result;
    } catch (...) {
        return 0;
    }
}

void IPlugVST::BeforeBlock()
{
    if (DoesMidi()) CallHost(vst::audioMasterWantMidi);
}

// Audio thread: the accumulating form, long deprecated but still filled in.
void VSTCALL IPlugVST::VSTProcess(vst::AEffect* effect, float** inputs, float** outputs, int32_t frames)
{
    IPlugVST* plug = FromEffect(effect);
    if (!plug) return;
    try {
        auto lock = plug->LockMain();
        plug->BeforeBlock();
        plug->ProcessBuffers(inputs, outputs, frames, true);
        plug->AfterBlock();
    } catch (...) {
    }
}

// Audio thread.
void VSTCALL IPlugVST::VSTProcessReplacing(vst::AEffect* effect, float** inputs, float** outputs, int32_t frames)
{
    IPlugVST* plug = FromEffect(effect);
    if (!plug) return;
    try {
        auto lock = plug->LockMain();
        plug->BeforeBlock();
        plug->ProcessBuffers(inputs, outputs, frames, false);
        plug->AfterBlock();
    } catch (...) {
    }
}

// Audio thread.
void VSTCALL IPlugVST::VSTProcessDoubleReplacing(vst::AEffect* effect, double** inputs, double** outputs,
                                                 int32_t frames)
{
    IPlugVST* plug = FromEffect(effect);
    if (!plug) return;
    try {
        auto lock = plug->LockMain();
        plug->BeforeBlock();
        plug->ProcessBuffers(inputs, outputs, frames);
        plug->AfterBlock();
    } catch (...) {
    }
}

// Any host thread. The host is not told back about its own change.
void VSTCALL IPlugVST::VSTSetParameter(vst::AEffect* effect, int32_t index, float value)
{
    IPlugVST* plug = FromEffect(effect);
    if (!plug) return;
    try {
        auto lock = plug->LockMain();
        IParameter* param = plug->GetParam(index);
        if (!param) return;
        // The editor follows first, while the parameter still holds the old value.
        if (IGraphics* editor = plug->GetAttachedEditor()) editor->SetParameterFromPlug(index, value, true);
        param->SetNormalized(value);
        plug->OnParamChange(index);
    } catch (...) {
    }
}

// Any host thread.
float VSTCALL IPlugVST::VSTGetParameter(vst::AEffect* effect, int32_t index)
{
    IPlugVST* plug = FromEffect(effect);
    if (!plug) return 0.0f;
    try {
        auto lock = plug->LockMain();
        const IParameter* param = plug->GetParam(index);
        return param ? static_cast<float>(param->GetNormalized()) : 0.0f;
    } catch (...) {
        return 0.0f;
    }
}

void IPlugVST::BeginParamEdit(int index)
{
    CallHost(vst::audioMasterBeginEdit, index);
}

void IPlugVST::NotifyHostOfParam(int index, double normalized)
{
    CallHost(vst::audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalized));
}

void IPlugVST::EndParamEdit(int index)
{
    CallHost(vst::audioMasterEndEdit, index);
}

void IPlugVST::NotifyHostOfProgramChange()
{
    CallHost(vst::audioMasterUpdateDisplay);
}

bool IPlugVST::IsOffline()
{
    return CallHost(vst::audioMasterGetCurrentProcessLevel) == vst::kVstProcessLevelOffline;
}

const vst::VstTimeInfo* IPlugVST::HostTime(int32_t flags)
{
    return reinterpret_cast<const vst::VstTimeInfo*>(CallHost(vst::audioMasterGetTime, 0, flags));
}

int64_t IPlugVST::GetSamplePosition()
{
    const vst::VstTimeInfo* time = HostTime(0);
    if (!time || !(time->samplePos >= 0.0)) return 0;
    const double rounded = time->samplePos + 0.5;
    if (rounded >= 9.2e18) return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(rounded);
}

double IPlugVST::GetTempo()
{
    const vst::VstTimeInfo* time = HostTime(vst::kVstTempoValid);
    if (time && (time->flags & vst::kVstTempoValid) && time->tempo >= 0.0) return time->tempo;
    return 0.0;
}

void IPlugVST::GetTimeSignature(int& numerator, int& denominator)
{
    numerator = 0;
    denominator = 0;
    const vst::VstTimeInfo* time = HostTime(vst::kVstTimeSigValid);
    if (time && (time->flags & vst::kVstTimeSigValid) && time->timeSigNumerator >= 0 &&
        time->timeSigDenominator >= 0) {
        numerator = time->timeSigNumerator;
        denominator = time->timeSigDenominator;
    }
}

void IPlugVST::GetTimeInfo(ITimeInfo& info)
{
    constexpr int32_t kWanted = vst::kVstPpqPosValid | vst::kVstTempoValid | vst::kVstBarsValid |
                                vst::kVstCyclePosValid | vst::kVstTimeSigValid;  // 0x3E00
    const vst::VstTimeInfo* time = HostTime(kWanted);
    if (!time || !(time->flags & kWanted)) return;
    const int32_t flags = time->flags;
    info.samplePos = time->samplePos;
    if ((flags & vst::kVstPpqPosValid) && time->ppqPos >= 0.0) info.ppqPos = time->ppqPos;
    if ((flags & vst::kVstTempoValid) && time->tempo > 0.0) info.tempo = time->tempo;
    if ((flags & vst::kVstBarsValid) && time->barStartPos >= 0.0) info.barStartPos = time->barStartPos;
    if ((flags & vst::kVstCyclePosValid) && time->cycleStartPos >= 0.0 && time->cycleEndPos >= 0.0) {
        info.cycleStartPos = time->cycleStartPos;
        info.cycleEndPos = time->cycleEndPos;
    }
    if ((flags & vst::kVstTimeSigValid) && time->timeSigNumerator > 0 && time->timeSigDenominator > 0) {
        info.numerator = time->timeSigNumerator;
        info.denominator = time->timeSigDenominator;
    }
    info.playing = (flags & vst::kVstTransportPlaying) != 0;
    info.cycleActive = (flags & vst::kVstTransportCycleActive) != 0;
}

int IPlugVST::GetHostKind()
{
    if (IPlugBase::GetHostKind() == kHostUninit) {
        char product[kHostStringBuffer] = {};
        CallHost(vst::audioMasterGetProductString, 0, 0, product);
        product[sizeof(product) - 1] = '\0';
        int32_t version = 0;
        if (product[0]) version = PackHostVersion(CallHost(vst::audioMasterGetVendorVersion));
        SetHostKind(HostKindFromProduct(product), version);
    }
    return IPlugBase::GetHostKind();
}

bool IPlugVST::HostNeedsProgramChunks()
{
    if (!mHostNeedsProgramChunks) {
        // These hosts keep only the program chunk of a plug-in, never the bank.
        char vendor[kHostStringBuffer] = {};
        CallHost(vst::audioMasterGetVendorString, 0, 0, vendor);
        vendor[sizeof(vendor) - 1] = '\0';
        for (char* c = vendor; *c; ++c)
            if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
        const std::string_view name(vendor);
        mHostNeedsProgramChunks = name == "native instruments" || name == "juce vst host";
    }
    return *mHostNeedsProgramChunks;
}

void IPlugVST::HostSpecificInit()
{
    if (mHostSpecificInitDone) return;
    mHostSpecificInitDone = true;
    const int kind = GetHostKind();
    // These hosts mishandle more than a stereo pair of inputs.
    if (kind == kHostForte || kind == kHostAudition || kind == kHostOrion || kind == kHostSAWStudio)
        for (int i = 2; i < NInChannels(); ++i) DisconnectInput(i);
    mAEffect.numInputs = NInChannels();
    mAEffect.numOutputs = NOutChannels();
    InitSpeakerArrangements();
    OnHostIdentified();
}

void IPlugVST::SetEditorSize(int width, int height)
{
    mEditRect = vst::ERect{0, 0, ToInt16(height), ToInt16(width)};
}

void IPlugVST::AttachEditor(IGraphics* editor)
{
    auto lock = LockMain();
    IPlugBase::AttachEditor(editor);
    if (editor) {
        mAEffect.flags |= vst::effFlagsHasEditor;
        SetEditorSize(editor->Width(), editor->Height());
    } else
        mAEffect.flags &= ~vst::effFlagsHasEditor;
}

bool IPlugVST::OpenEditorWindow(void* parent)
{
    IGraphics* editor = GetAttachedEditor();
    return editor && editor->OpenWindow(parent);
}

void IPlugVST::CloseEditorWindow()
{
    if (IGraphics* editor = GetAttachedEditor()) {
        editor->EndGesture();  // a press the closing window will never release
        editor->CloseWindow();
    }
}

void IPlugVST::ResizeEditor(int width, int height)
{
    if (!GetAttachedEditor()) return;
    SetEditorSize(width, height);
    OnEditorResize();
}

void IPlugVST::SetLatency(int frames)
{
    IPlugBase::SetLatency(frames);
    mAEffect.initialDelay = GetLatency();
}

// Any thread: queued for the next process call (MidiOutQueue.h).
bool IPlugVST::SendMidi(const IMidiMessage* message)
{
    if (!message || !mHostCallback) return false;
    auto lock = LockMain();
    return mOutgoing[mOutgoingActive].Add(*message);
}

bool IPlugVST::SendSysEx(const ISysExMessage* message)
{
    if (!message || !mHostCallback) return false;
    auto lock = LockMain();
    return mOutgoing[mOutgoingActive].Add(*message);
}

// Audio thread, main lock held, at the end of a process call: what waits
// goes to the host as one list.
void IPlugVST::AfterBlock()
{
    MidiOutQueue& waiting = mOutgoing[mOutgoingActive];
    if (waiting.Empty()) return;
    // What the host's answer makes the plug-in send goes into the other
    // queue, for the next block, rather than into the list being read.
    mOutgoingActive = 1 - mOutgoingActive;
    CallHost(vst::audioMasterProcessEvents, 0, 0, waiting.Events());
    waiting.Clear();
}

}  // namespace qor
