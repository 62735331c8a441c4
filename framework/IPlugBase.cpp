#include "framework/IPlugBase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "framework/IGraphics.h"
#include "framework/TextCopy.h"

namespace qor {

IPlugBase::IPlugBase(const IPlugConfig& config)
    : mUniqueId(config.uniqueId),
      mMakerId(config.makerId),
      mVersion(config.version),
      mDoesChunks(config.doesChunks),
      mIsInstrument(config.isInstrument),
      mDoesMidi(config.doesMidi),
      mParams(static_cast<std::size_t>(std::max(config.nParams, 0))),
      mPresets(static_cast<std::size_t>(std::max(config.nPresets, 0)))
{
    ParseChannelIO(config.channelIO);
    int nIn = 0;
    int nOut = 0;
    for (const auto& [in, out] : mChannelIO) {
        nIn = std::max(nIn, in);
        nOut = std::max(nOut, out);
    }
    mInChannels.resize(static_cast<std::size_t>(nIn));
    mOutChannels.resize(static_cast<std::size_t>(nOut));
    mInputPtrs.assign(mInChannels.size(), nullptr);
    mOutputPtrs.assign(mOutChannels.size(), nullptr);
    CopyText(mEffectName.data(), mEffectName.size(), config.effectName);
    CopyText(mProductName.data(), mProductName.size(), config.productName);
    CopyText(mMakerName.data(), mMakerName.size(), config.makerName);
}

IPlugBase::~IPlugBase() = default;

void IPlugBase::ParseChannelIO(std::string_view text)
{
    // "%d-%d" pairs separated by spaces; reading stops at the first malformed one.
    std::string copy(text);
    const char* p = copy.c_str();
    for (;;) {
        char* end = nullptr;
        long in = std::strtol(p, &end, 10);
        if (end == p || *end != '-') break;
        p = end + 1;
        long out = std::strtol(p, &end, 10);
        if (end == p) break;
        p = end;
        // Channel counts beyond a few dozen are a typo, not a configuration.
        mChannelIO.emplace_back(static_cast<int>(std::clamp(in, 0L, 64L)), static_cast<int>(std::clamp(out, 0L, 64L)));
    }
}

void IPlugBase::Reset()
{
    auto lock = LockMain();
}

void IPlugBase::OnParamChange(int index)
{
    auto lock = LockMain();
}

void IPlugBase::ProcessBlock(double** inputs, double** outputs, int frames)
{
    const int nIn = NInChannels();
    const int nOut = NOutChannels();
    const std::size_t n = static_cast<std::size_t>(std::max(frames, 0));
    for (int i = 0; i < nOut; ++i) {
        double* out = outputs[i];
        if (i < nIn) {
            if (inputs[i] != out) std::copy_n(inputs[i], n, out);
        } else {
            std::fill_n(out, n, 0.0);
        }
    }
}

void IPlugBase::OnActivate(bool active)
{
    auto lock = LockMain();
}

void IPlugBase::ProcessMidi(IMidiMessage* message)
{
    SendMidi(message);
}

bool IPlugBase::GetMidiNoteName(int note, char* text)
{
    if (text) text[0] = '\0';
    return false;
}

bool IPlugBase::SerializeState(IChunk& chunk)
{
    return SerializeParams(chunk);
}

int IPlugBase::UnserializeState(const IChunk& chunk, int position)
{
    return UnserializeParams(chunk, position);
}

bool IPlugBase::CompareState(std::span<const uint8_t> data, int position)
{
    if (position < 0) return false;
    const std::size_t start = static_cast<std::size_t>(position);
    for (std::size_t i = 0; i < mParams.size(); ++i) {
        const std::size_t at = start + i * sizeof(double);
        if (at > data.size() || data.size() - at < sizeof(double)) return false;
        double stored = 0.0;
        std::memcpy(&stored, data.data() + at, sizeof(double));
        if (!(std::fabs(mParams[i].Value() - stored) < 0.00001)) return false;
    }
    return true;
}

void IPlugBase::SetParameterFromEditor(int index, double normalized)
{
    auto lock = LockMain();
    IParameter* param = GetParam(index);
    if (!param) return;
    param->SetNormalized(normalized);
    NotifyHostOfParam(index, normalized);
    OnParamChange(index);
}

void IPlugBase::AttachEditor(IGraphics* editor)
{
    auto lock = LockMain();
    mEditor = editor;
    // Every control takes its parameter's value; the first value a control
    // receives is also its double-click default.
    RefreshEditor();
}

void IPlugBase::SetLatency(int frames)
{
    mLatency = std::max(frames, 0);
}

void IPlugBase::RefreshEditor()
{
    auto lock = LockMain();
    if (!mEditor) return;
    for (int i = 0; i < NParams(); ++i) mEditor->SetParameterFromPlug(i, mParams[size_t(i)].Value(), false);
}

IParameter* IPlugBase::GetParam(int index)
{
    if (index < 0 || index >= NParams()) return nullptr;
    return &mParams[static_cast<std::size_t>(index)];
}

const IParameter* IPlugBase::GetParam(int index) const
{
    if (index < 0 || index >= NParams()) return nullptr;
    return &mParams[static_cast<std::size_t>(index)];
}

const char* IPlugBase::GetPresetName(int index) const
{
    if (index < 0 || index >= NPresets()) return "";
    return mPresets[static_cast<std::size_t>(index)].Name();
}

const char* IPlugBase::LiveProgramName() const
{
    return mLiveName.empty() ? GetPresetName(mCurrentPreset) : mLiveName.c_str();
}

void IPlugBase::NameLiveProgram(std::string_view name)
{
    // Cut as a slot would cut it.
    char capped[IPresetSlot::kNameCapacity];
    CopyText(capped, sizeof(capped), name);
    mLiveName = std::strcmp(capped, GetPresetName(mCurrentPreset)) == 0 ? "" : capped;
}

bool IPlugBase::SameProgram(std::span<const uint8_t> a, std::span<const uint8_t> b) const
{
    const std::span<const uint8_t> x = ProgramOf(a);
    const std::span<const uint8_t> y = ProgramOf(b);
    return std::equal(x.begin(), x.end(), y.begin(), y.end());
}

IPresetSlot* IPlugBase::GetPresetSlot(int index)
{
    if (index < 0 || index >= NPresets()) return nullptr;
    return &mPresets[static_cast<std::size_t>(index)];
}

bool IPlugBase::SerializeParams(IChunk& chunk)
{
    auto lock = LockMain();
    for (const IParameter& param : mParams) chunk.PutDouble(param.Value());
    return !chunk.Empty();
}

int IPlugBase::UnserializeParams(const IChunk& chunk, int position)
{
    auto lock = LockMain();
    for (std::size_t i = 0; i < mParams.size() && position >= 0; ++i) {
        double value = 0.0;
        position = chunk.GetDouble(value, position);
        if (position < 0) value = 0.0;
        mParams[i].Set(value);
    }
    PushAllParams();
    return position;
}

bool IPlugBase::SerializePresets(IChunk& chunk)
{
    bool ok = true;
    for (const IPresetSlot& slot : mPresets) {
        chunk.PutString(slot.Name());
        chunk.PutBool(slot.initialized);
        if (slot.initialized) chunk.PutChunk(slot.state);
        ok = !chunk.Empty();
    }
    return ok;
}

bool IPlugBase::SerializePresetsWithLiveProgram(IChunk& chunk)
{
    auto lock = LockMain();
    bool ok = true;
    for (std::size_t i = 0; i < mPresets.size(); ++i) {
        const IPresetSlot& slot = mPresets[i];
        if (static_cast<int>(i) == mCurrentPreset) {
            chunk.PutString(LiveProgramName());
            chunk.PutBool(true);
            mLiveState.Clear();
            if (!SerializeState(mLiveState)) return false;
            // While the slot holds the program as it plays, its bytes go out
            // as they are: a bank set and got again comes back unchanged.
            chunk.PutChunk(slot.initialized && SameProgram(mLiveState.Bytes(), slot.state.Bytes()) ? slot.state
                                                                                                : mLiveState);
        } else {
            chunk.PutString(slot.Name());
            chunk.PutBool(slot.initialized);
            if (slot.initialized) chunk.PutChunk(slot.state);
        }
        ok = !chunk.Empty();
    }
    return ok;
}

int IPlugBase::RewriteState(const IChunk& chunk, int position, int, std::string_view, IChunk& out,
                            std::span<const double> values) const
{
    // As UnserializeParams reads them: a value missing at the end is 0.0.
    for (std::size_t i = 0; i < mParams.size(); ++i) {
        if (position < 0) break;
        double value = 0.0;
        position = chunk.GetDouble(value, position);
        if (i < values.size()) value = values[i];
        out.PutDouble(mParams[i].Clamp(position < 0 ? 0.0 : value));
    }
    return position;
}

PreparedBank IPlugBase::PreparePresets(const IChunk& chunk, int position) const
{
    PreparedBank bank;
    {
        auto lock = LockMain();
        bank.current = mCurrentPreset;
        bank.liveName = LiveProgramName();
    }
    bank.slots.resize(mPresets.size());
    for (PreparedSlot& entry : bank.slots) {
        if (position < 0) break;
        position = chunk.GetString(entry.name, position);
        // A name that runs past the end is no name.
        if (position < 0 || position > chunk.Size()) {
            position = -1;
            break;
        }
        position = chunk.GetBool(entry.initialized, position);
        if (position < 0 || !entry.initialized) continue;
        // A slot's state carries no length: the state reader knows its end.
        // One that reads nothing is not a state of ours.
        const int start = position;
        position = RewriteState(chunk, start, bank.current, bank.liveName, entry.state);
        if (position <= start) {
            position = -1;
            break;
        }
        // A program that reads back as it came keeps its bytes, including
        // the record of when it was written.
        const auto given =
            chunk.Bytes().subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(position - start));
        if (SameProgram(entry.state.Bytes(), given)) {
            entry.state.Clear();
            entry.state.PutBytes(given);
        } else {
            entry.rewritten = true;
        }
    }
    bank.position = position;
    return bank;
}

int IPlugBase::ApplyPresets(PreparedBank& bank)
{
    auto lock = LockMain();
    if (bank.position < 0) return -1;
    // Rare: the program changed while the bank was read, and a rewritten
    // state would record the one before.
    const bool stale = bank.current != mCurrentPreset || bank.liveName != LiveProgramName();
    for (std::size_t i = 0; i < mPresets.size() && i < bank.slots.size(); ++i) {
        IPresetSlot& slot = mPresets[i];
        PreparedSlot& entry = bank.slots[i];
        slot.SetName(entry.name);
        slot.initialized = entry.initialized;
        if (!entry.initialized) continue;
        if (stale && entry.rewritten) RestampState(entry.state, mCurrentPreset, LiveProgramName());
        std::swap(slot.state, entry.state);
    }
    RestorePreset(mCurrentPreset);
    return bank.position;
}

int IPlugBase::UnserializePresets(const IChunk& chunk, int position)
{
    PreparedBank bank = PreparePresets(chunk, position);
    return ApplyPresets(bank);
}

void IPlugBase::ModifyCurrentPreset(const char* name)
{
    IPresetSlot* slot = GetPresetSlot(mCurrentPreset);
    if (!slot) return;
    // A slot that already holds the program keeps its bytes.
    mLiveState.Clear();
    SerializeState(mLiveState);
    if (!SameProgram(mLiveState.Bytes(), slot->state.Bytes())) std::swap(slot->state, mLiveState);
    if (name && name[0]) {
        slot->SetName(name);
        mLiveName.clear();
    }
}

bool IPlugBase::RestorePreset(int index)
{
    IPresetSlot* slot = GetPresetSlot(index);
    if (!slot) return false;
    bool ok = false;
    if (slot->initialized) {
        ok = UnserializeState(slot->state, 0) > 0;
    } else {
        int userPresets = 0;
        for (const IPresetSlot& other : mPresets)
            if (std::strstr(other.Name(), "user preset")) ++userPresets;
        slot->initialized = true;
        char name[IPresetSlot::kNameCapacity];
        std::snprintf(name, sizeof(name), "%s %d", "user preset", userPresets + 1);
        slot->SetName(name);
        slot->state.Clear();
        ok = SerializeState(slot->state);
    }
    if (ok) {
        mCurrentPreset = index;
        mLiveName.clear();
        OnPresetsChanged();
        RefreshEditor();
    }
    return ok;
}

void IPlugBase::FillEmptyPresets(const char* name, int count)
{
    for (int n = 0; n < count; ++n) {
        auto slot = std::find_if(mPresets.begin(), mPresets.end(), [](const IPresetSlot& s) { return !s.initialized; });
        if (slot == mPresets.end()) return;
        slot->initialized = true;
        slot->SetName(name && name[0] ? name : "Empty");
        slot->state.Clear();
        SerializeState(slot->state);
    }
}

void IPlugBase::PushAllParams()
{
    auto lock = LockMain();
    const bool outer = std::exchange(mPushingAllParams, true);
    for (int i = 0; i < NParams(); ++i) OnParamChange(i);
    mPushingAllParams = outer;
}

void IPlugBase::NotifyHostOfAllParams()
{
    auto lock = LockMain();
    for (int i = 0; i < NParams(); ++i) NotifyHostOfParam(i, mParams[static_cast<std::size_t>(i)].GetNormalized());
}

bool IPlugBase::LegalIO(int inputs, int outputs) const
{
    return std::any_of(mChannelIO.begin(), mChannelIO.end(), [&](const std::pair<int, int>& io) {
        return (inputs < 0 || inputs == io.first) && (outputs < 0 || outputs == io.second);
    });
}

bool IPlugBase::IsInChannelConnected(int index) const
{
    return index >= 0 && index < NInChannels() && mInChannels[static_cast<std::size_t>(index)].connected;
}

bool IPlugBase::IsOutChannelConnected(int index) const
{
    return index >= 0 && index < NOutChannels() && mOutChannels[static_cast<std::size_t>(index)].connected;
}

void IPlugBase::SetInputLabel(int index, std::string_view label)
{
    if (index >= 0 && index < NInChannels()) mInChannels[static_cast<std::size_t>(index)].label = label;
}

void IPlugBase::SetOutputLabel(int index, std::string_view label)
{
    if (index >= 0 && index < NOutChannels()) mOutChannels[static_cast<std::size_t>(index)].label = label;
}

const char* IPlugBase::GetInputLabel(int index) const
{
    if (index < 0 || index >= NInChannels()) return "";
    return mInChannels[static_cast<std::size_t>(index)].label.c_str();
}

const char* IPlugBase::GetOutputLabel(int index) const
{
    if (index < 0 || index >= NOutChannels()) return "";
    return mOutChannels[static_cast<std::size_t>(index)].label.c_str();
}

void IPlugBase::SetInputConnections(int count)
{
    for (int i = 0; i < NInChannels(); ++i) {
        InChannel& channel = mInChannels[static_cast<std::size_t>(i)];
        channel.connected = i < count;
        if (!channel.connected) mInputPtrs[static_cast<std::size_t>(i)] = channel.scratch.data();
    }
}

void IPlugBase::SetOutputConnections(int count)
{
    for (int i = 0; i < NOutChannels(); ++i) {
        OutChannel& channel = mOutChannels[static_cast<std::size_t>(i)];
        channel.connected = i < count;
        if (!channel.connected) mOutputPtrs[static_cast<std::size_t>(i)] = channel.scratch.data();
    }
}

void IPlugBase::DisconnectInput(int index)
{
    if (index < 0 || index >= NInChannels()) return;
    mInChannels[static_cast<std::size_t>(index)].connected = false;
    mInputPtrs[static_cast<std::size_t>(index)] = mInChannels[static_cast<std::size_t>(index)].scratch.data();
}

void IPlugBase::ResetChannelPointers()
{
    for (std::size_t i = 0; i < mInChannels.size(); ++i) mInputPtrs[i] = mInChannels[i].scratch.data();
    for (std::size_t i = 0; i < mOutChannels.size(); ++i) mOutputPtrs[i] = mOutChannels[i].scratch.data();
}

void IPlugBase::SetSampleRate(double rate)
{
    // A host that sends no usable rate keeps the previous one; the engine
    // divides by it.
    if (std::isfinite(rate) && rate > 0.0) mSampleRate = rate;
}

void IPlugBase::SetBlockSize(int frames)
{
    if (frames <= 0 || frames == mBlockSize) return;
    mScratchFrames = std::min(frames, kMaxScratchFrames);
    const std::size_t n = static_cast<std::size_t>(mScratchFrames);
    for (InChannel& channel : mInChannels) channel.scratch.assign(n, 0.0);
    for (OutChannel& channel : mOutChannels) channel.scratch.assign(n, 0.0);
    ResetChannelPointers();
    mBlockSize = frames;
}

int32_t IPlugBase::GetVersion(bool decimal) const
{
    if (!decimal) return mVersion;
    const int32_t v = (mVersion >> 16) & 0xFFFF;
    const int32_t r = (mVersion >> 8) & 0xFF;
    const int32_t m = mVersion & 0xFF;
    return v * 10000 + r * 100 + m;
}

void IPlugBase::ProcessBuffers(float** inputs, float** outputs, int frames, bool accumulate)
{
    auto lock = LockMain();
    if (frames <= 0) return;
    const int piece = mScratchFrames;
    for (int done = 0; done < frames;) {
        const int n = piece > 0 ? std::min(piece, frames - done) : 0;
        for (std::size_t i = 0; i < mInChannels.size() && n > 0; ++i) {
            InChannel& channel = mInChannels[i];
            const float* host = inputs ? inputs[i] : nullptr;
            if (!channel.connected || !host) continue;
            std::copy_n(host + done, n, channel.scratch.begin());
            mInputPtrs[i] = channel.scratch.data();
        }
        for (std::size_t i = 0; i < mOutChannels.size(); ++i) mOutputPtrs[i] = mOutChannels[i].scratch.data();
        if (n > 0) ProcessBlock(mInputPtrs.data(), mOutputPtrs.data(), n);
        // Without a block size nothing was rendered: the rest of the host
        // block is silence.
        const int written = n > 0 ? n : frames - done;
        for (std::size_t i = 0; i < mOutChannels.size() && outputs; ++i) {
            float* host = outputs[i];
            if (!host) continue;
            host += done;
            const OutChannel& channel = mOutChannels[i];
            if (!channel.connected || n == 0) {
                if (!accumulate) std::fill_n(host, written, 0.0f);
            } else if (accumulate) {
                for (int s = 0; s < n; ++s) host[s] += static_cast<float>(channel.scratch[static_cast<std::size_t>(s)]);
            } else {
                for (int s = 0; s < n; ++s) host[s] = static_cast<float>(channel.scratch[static_cast<std::size_t>(s)]);
            }
        }
        done += written;
    }
}

void IPlugBase::ProcessBuffers(double** inputs, double** outputs, int frames)
{
    auto lock = LockMain();
    if (frames <= 0) return;
    // Host buffers are rendered into directly, but disconnected channels and
    // missing host buffers fall back to the scratch buffers, so a host block
    // longer than those is still rendered in pieces.
    const int piece = mScratchFrames;
    for (int done = 0; done < frames;) {
        const int n = piece > 0 ? std::min(piece, frames - done) : 0;
        const int written = n > 0 ? n : frames - done;
        for (std::size_t i = 0; i < mInChannels.size(); ++i) {
            double* host = inputs ? inputs[i] : nullptr;
            mInputPtrs[i] = mInChannels[i].connected && host ? host + done : mInChannels[i].scratch.data();
        }
        for (std::size_t i = 0; i < mOutChannels.size(); ++i) {
            double* host = outputs ? outputs[i] : nullptr;
            mOutputPtrs[i] = mOutChannels[i].connected && host ? host + done : mOutChannels[i].scratch.data();
        }
        if (n > 0) ProcessBlock(mInputPtrs.data(), mOutputPtrs.data(), n);
        for (std::size_t i = 0; i < mOutChannels.size() && outputs; ++i) {
            double* host = outputs[i];
            if (host && (!mOutChannels[i].connected || n == 0)) std::fill_n(host + done, written, 0.0);
        }
        done += written;
    }
    // No pointer into the host's buffers may outlive the call.
    ResetChannelPointers();
}

}  // namespace qor
