#include "tools/render/VstHost.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace qor {

namespace {

// Plug-ins call back with their effect record; this maps records to hosts.
// Fixed slots of atomics, so a callback from inside processing takes no lock.
struct RegistrySlot {
    std::atomic<vst::AEffect*> effect{nullptr};
    std::atomic<VstHost*> host{nullptr};
};
std::array<RegistrySlot, 64> gRegistry;

// The host whose entry call is running on this thread: a plug-in may call
// back from inside its entry, before we know its record (often with null).
thread_local VstHost* tLoadingHost = nullptr;

void registerEffect(vst::AEffect* effect, VstHost* host)
{
    for (RegistrySlot& slot : gRegistry) {
        vst::AEffect* expected = nullptr;
        if (slot.effect.compare_exchange_strong(expected, effect)) {
            slot.host.store(host);
            return;
        }
    }
    // More instances than slots: those answer through the loading-host path
    // only, which still covers every call made while they are being set up.
}

void unregisterEffect(vst::AEffect* effect)
{
    for (RegistrySlot& slot : gRegistry) {
        if (slot.effect.load() == effect) {
            slot.host.store(nullptr);
            slot.effect.store(nullptr);
        }
    }
}

VstHost* findHost(vst::AEffect* effect)
{
    if (effect != nullptr) {
        for (RegistrySlot& slot : gRegistry) {
            if (slot.effect.load() == effect) return slot.host.load();
        }
    }
    return tLoadingHost;
}

// Copies a string into a buffer of the plug-in's, always terminated.
void copyString(void* ptr, std::string_view text, size_t capacity)
{
    if (ptr == nullptr || capacity == 0) return;
    const size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(ptr, text.data(), n);
    static_cast<char*>(ptr)[n] = '\0';
}

std::string trimLower(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

constexpr std::array<std::string_view, 5> kHostCanDo = {
    "sendVstEvents", "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent", "sendVstTimeInfo",
};

// A SysEx record from a plug-in claiming more than this is taken as garbage.
constexpr int32_t kMaxReceivedSysExBytes = 1 << 20;

// The host's event list: int32 count, a reserved word, then the pointers.
static_assert(offsetof(vst::VstEvents, reserved) == sizeof(intptr_t));
static_assert(offsetof(vst::VstEvents, events) == 2 * sizeof(intptr_t));

}  // namespace

VstHost::VstHost() = default;

VstHost::~VstHost() { unload(); }

intptr_t VstHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    if (effect_ == nullptr || effect_->dispatcher == nullptr) return 0;
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

bool VstHost::load(const std::string& path, std::string& error)
{
    unload();
    if (!library_.open(path)) {
        error = "cannot load plug-in " + path + ": " + library_.error();
        return false;
    }
    pluginFolder_ = std::filesystem::absolute(std::filesystem::path(path)).parent_path().string();

    void* entry = library_.symbol("VSTPluginMain");
    if (entry == nullptr) entry = library_.symbol("main");
    if (entry == nullptr) {
        error = path + " is not a VST 2 plug-in (exports neither VSTPluginMain nor main)";
        library_.close();
        return false;
    }
    auto entryProc = reinterpret_cast<vst::EntryProc>(entry);

    tLoadingHost = this;
    vst::AEffect* effect = entryProc(&VstHost::hostCallback);
    tLoadingHost = nullptr;
    if (effect == nullptr) {
        error = "plug-in " + path + " refused to start (its entry returned no effect)";
        library_.close();
        return false;
    }
    if (effect->magic != vst::kEffectMagic) {
        error = path + " returned an effect record without the VST 2 magic";
        library_.close();
        return false;
    }
    effect_ = effect;
    registerEffect(effect_, this);

    tLoadingHost = this;
    dispatch(vst::effOpen);
    tLoadingHost = nullptr;
    samplePos_ = 0;
    transportChanged_ = true;
    return true;
}

void VstHost::unload()
{
    if (effect_ != nullptr) {
        if (running_) stop();
        dispatch(vst::effClose);
        unregisterEffect(effect_);
        effect_ = nullptr;
    }
    library_.close();
    pending_.clear();
}

void VstHost::configure(double sampleRate, int maxBlockSize)
{
    sampleRate_ = sampleRate;
    maxBlockSize_ = std::max(maxBlockSize, 1);
    dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate_));
    dispatch(vst::effSetBlockSize, 0, maxBlockSize_);
    prepareBuffers();
}

void VstHost::start()
{
    if (running_ || effect_ == nullptr) return;
    dispatch(vst::effMainsChanged, 0, 1);
    dispatch(vst::effStartProcess);
    running_ = true;
}

void VstHost::stop()
{
    if (!running_) return;
    dispatch(vst::effStopProcess);
    dispatch(vst::effMainsChanged, 0, 0);
    running_ = false;
}

std::string VstHost::dispatchString(int32_t opcode, int32_t index, size_t capacity)
{
    // Plug-ins often write past the documented lengths: give them room.
    std::vector<char> buffer(std::max<size_t>(capacity, 256) + 1, '\0');
    dispatch(opcode, index, 0, buffer.data());
    buffer.back() = '\0';
    return std::string(buffer.data());
}

std::string VstHost::effectName() { return dispatchString(vst::effGetEffectName, 0, vst::kVstMaxEffectNameLen); }
std::string VstHost::vendorString() { return dispatchString(vst::effGetVendorString, 0, vst::kVstMaxVendorStrLen); }
std::string VstHost::productString() { return dispatchString(vst::effGetProductString, 0, vst::kVstMaxProductStrLen); }

ParameterInfo VstHost::parameter(int index)
{
    ParameterInfo info;
    info.index = index;
    info.name = dispatchString(vst::effGetParamName, index, vst::kVstMaxParamStrLen);
    info.display = dispatchString(vst::effGetParamDisplay, index, vst::kVstMaxParamStrLen);
    info.label = dispatchString(vst::effGetParamLabel, index, vst::kVstMaxParamStrLen);
    info.value = getParameter(index);
    return info;
}

std::optional<int> VstHost::findParameter(std::string_view name)
{
    const std::string wanted = trimLower(name);
    for (int i = 0; i < numParams(); ++i) {
        if (trimLower(dispatchString(vst::effGetParamName, i, vst::kVstMaxParamStrLen)) == wanted) return i;
    }
    return std::nullopt;
}

void VstHost::setParameter(int index, float normalized)
{
    if (effect_ == nullptr || effect_->setParameter == nullptr || index < 0 || index >= numParams()) return;
    effect_->setParameter(effect_, index, normalized);
}

float VstHost::getParameter(int index)
{
    if (effect_ == nullptr || effect_->getParameter == nullptr || index < 0 || index >= numParams()) return 0.0f;
    return effect_->getParameter(effect_, index);
}

bool VstHost::setParameterText(int index, const std::string& text)
{
    if (index < 0 || index >= numParams()) return false;
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    const float before = getParameter(index);
    const intptr_t result = dispatch(vst::effString2Parameter, index, 0, buffer.data());
    // Some plug-ins apply the text yet answer 0; a changed value counts too.
    return result != 0 || getParameter(index) != before;
}

int VstHost::program() { return static_cast<int>(dispatch(vst::effGetProgram)); }

void VstHost::setProgram(int index) { dispatch(vst::effSetProgram, 0, index); }

std::vector<std::string> VstHost::programNames()
{
    const int count = effect_ != nullptr ? std::max(numPrograms(), 0) : 0;
    std::vector<std::string> names(static_cast<size_t>(count));
    bool anyIndexed = false;
    for (int i = 0; i < count; ++i) {
        std::vector<char> buffer(257, '\0');
        if (dispatch(vst::effGetProgramNameIndexed, i, -1, buffer.data()) != 0) anyIndexed = true;
        buffer.back() = '\0';
        names[static_cast<size_t>(i)] = buffer.data();
    }
    if (anyIndexed || count == 0) return names;

    // Older plug-ins only name the current program: visit each one.
    const int current = program();
    for (int i = 0; i < count; ++i) {
        setProgram(i);
        names[static_cast<size_t>(i)] = dispatchString(vst::effGetProgramName, 0, vst::kVstMaxProgNameLen);
    }
    setProgram(current);
    return names;
}

std::vector<uint8_t> VstHost::getChunk(bool program)
{
    void* data = nullptr;
    const intptr_t size = dispatch(vst::effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || data == nullptr) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

bool VstHost::setChunk(std::span<const uint8_t> chunk, bool program)
{
    if (chunk.empty()) return false;
    // The plug-in gets a buffer of its own; it may not take a const pointer.
    std::vector<uint8_t> copy(chunk.begin(), chunk.end());
    return dispatch(vst::effSetChunk, program ? 1 : 0, static_cast<intptr_t>(copy.size()), copy.data()) != 0;
}

void VstHost::queueMidi(int deltaFrames, std::span<const uint8_t> bytes)
{
    if (bytes.empty() || bytes.size() > 3) return;
    pending_.push_back({deltaFrames, false, std::vector<uint8_t>(bytes.begin(), bytes.end())});
}

void VstHost::queueSysEx(int deltaFrames, std::span<const uint8_t> bytes)
{
    if (bytes.empty()) return;
    pending_.push_back({deltaFrames, true, std::vector<uint8_t>(bytes.begin(), bytes.end())});
}

void VstHost::sendQueuedEvents()
{
    // The records of the previous block stay valid until now.
    midiRecords_.clear();
    sysexRecords_.clear();
    sysexData_.clear();
    eventList_.clear();
    if (pending_.empty() || effect_ == nullptr) return;

    // Plug-ins expect the list in time order; equal times keep their order.
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const PendingEvent& a, const PendingEvent& b) { return a.deltaFrames < b.deltaFrames; });
    size_t midiCount = 0;
    for (const PendingEvent& ev : pending_) midiCount += ev.sysex ? 0 : 1;
    // resize() value-initializes, so the records' padding is zero, and the
    // vectors never grow after this: the pointers below stay valid.
    midiRecords_.resize(midiCount);
    sysexRecords_.resize(pending_.size() - midiCount);
    sysexData_.reserve(pending_.size() - midiCount);
    eventList_.assign(2 + pending_.size(), 0);
    const auto count = static_cast<int32_t>(pending_.size());
    std::memcpy(eventList_.data(), &count, sizeof(count));

    size_t midiIndex = 0;
    size_t sysexIndex = 0;
    for (size_t i = 0; i < pending_.size(); ++i) {
        PendingEvent& ev = pending_[i];
        vst::VstEvent* record = nullptr;
        if (ev.sysex) {
            vst::VstMidiSysexEvent& sx = sysexRecords_[sysexIndex++];
            sysexData_.push_back(std::move(ev.bytes));
            sx.type = vst::kVstSysExType;
            sx.byteSize = sizeof(vst::VstMidiSysexEvent);
            sx.deltaFrames = ev.deltaFrames;
            sx.dumpBytes = static_cast<int32_t>(sysexData_.back().size());
            sx.sysexDump = reinterpret_cast<char*>(sysexData_.back().data());
            record = reinterpret_cast<vst::VstEvent*>(&sx);
        } else {
            vst::VstMidiEvent& midi = midiRecords_[midiIndex++];
            midi.type = vst::kVstMidiType;
            midi.byteSize = sizeof(vst::VstMidiEvent);
            midi.deltaFrames = ev.deltaFrames;
            for (size_t b = 0; b < ev.bytes.size(); ++b) midi.midiData[b] = static_cast<char>(ev.bytes[b]);
            record = reinterpret_cast<vst::VstEvent*>(&midi);
        }
        eventList_[2 + i] = reinterpret_cast<intptr_t>(record);
    }
    pending_.clear();
    dispatch(vst::effProcessEvents, 0, 0, eventList_.data());
}

void VstHost::prepareBuffers()
{
    if (effect_ == nullptr) return;
    const auto inputs = static_cast<size_t>(std::max(numInputs(), 0));
    const auto frames = static_cast<size_t>(maxBlockSize_);
    if (inputs_.size() != inputs || (!inputs_.empty() && inputs_[0].size() != frames)) {
        inputs_.assign(inputs, std::vector<float>(frames, 0.0f));
        inputsDouble_.assign(inputs, std::vector<double>(frames, 0.0));
        inputPointers_.clear();
        inputPointersDouble_.clear();
        for (auto& channel : inputs_) inputPointers_.push_back(channel.data());
        for (auto& channel : inputsDouble_) inputPointersDouble_.push_back(channel.data());
    }
}

vst::VstTimeInfo* VstHost::timeInfo()
{
    vst::VstTimeInfo& info = timeInfo_;
    info = vst::VstTimeInfo{};
    info.samplePos = static_cast<double>(samplePos_);
    info.sampleRate = sampleRate_;
    info.nanoSeconds = static_cast<double>(samplePos_) / sampleRate_ * 1e9;
    info.ppqPos = transport_.ppqPos;
    info.tempo = transport_.tempo;
    info.barStartPos = transport_.barStartPos;
    info.timeSigNumerator = transport_.numerator;
    info.timeSigDenominator = transport_.denominator;
    info.flags = vst::kVstNanosValid | vst::kVstPpqPosValid | vst::kVstTempoValid | vst::kVstBarsValid |
                 vst::kVstTimeSigValid;
    if (transport_.playing) info.flags |= vst::kVstTransportPlaying;
    if (transportChanged_) info.flags |= vst::kVstTransportChanged;
    return &info;
}

void VstHost::process(std::span<float* const> outputs, int frames)
{
    if (effect_ == nullptr || frames <= 0) return;
    frames = std::min(frames, maxBlockSize_);
    prepareBuffers();
    sendQueuedEvents();
    for (float* channel : outputs) std::fill(channel, channel + frames, 0.0f);
    // The plug-in writes exactly numOutputs channels, whatever we asked for.
    std::vector<float*> channels(outputs.begin(), outputs.end());
    std::vector<std::vector<float>> spare;
    while (channels.size() < static_cast<size_t>(std::max(numOutputs(), 0))) {
        spare.emplace_back(static_cast<size_t>(frames), 0.0f);
        channels.push_back(spare.back().data());
    }
    for (auto& channel : inputs_) std::fill(channel.begin(), channel.end(), 0.0f);

    processing_ = true;
    if (effect_->flags & vst::effFlagsCanReplacing && effect_->processReplacing != nullptr) {
        effect_->processReplacing(effect_, inputPointers_.data(), channels.data(), frames);
    } else if (effect_->process != nullptr) {
        effect_->process(effect_, inputPointers_.data(), channels.data(), frames);
    }
    processing_ = false;
    samplePos_ += frames;
    transportChanged_ = false;
}

void VstHost::collectOutput()
{
    if (effect_ == nullptr || !running_) return;
    prepareBuffers();
    std::vector<float> scratch(1, 0.0f);
    std::vector<float*> channels(static_cast<size_t>(std::max(numOutputs(), 0)), scratch.data());
    processing_ = true;
    if (effect_->flags & vst::effFlagsCanReplacing && effect_->processReplacing != nullptr)
        effect_->processReplacing(effect_, inputPointers_.data(), channels.data(), 0);
    else if (effect_->process != nullptr)
        effect_->process(effect_, inputPointers_.data(), channels.data(), 0);
    processing_ = false;
}

void VstHost::processDouble(std::span<double* const> outputs, int frames)
{
    if (effect_ == nullptr || frames <= 0 || effect_->processDoubleReplacing == nullptr) return;
    frames = std::min(frames, maxBlockSize_);
    prepareBuffers();
    sendQueuedEvents();
    for (double* channel : outputs) std::fill(channel, channel + frames, 0.0);
    std::vector<double*> channels(outputs.begin(), outputs.end());
    std::vector<std::vector<double>> spare;
    while (channels.size() < static_cast<size_t>(std::max(numOutputs(), 0))) {
        spare.emplace_back(static_cast<size_t>(frames), 0.0);
        channels.push_back(spare.back().data());
    }
    for (auto& channel : inputsDouble_) std::fill(channel.begin(), channel.end(), 0.0);

    processing_ = true;
    effect_->processDoubleReplacing(effect_, inputPointersDouble_.data(), channels.data(), frames);
    processing_ = false;
    samplePos_ += frames;
    transportChanged_ = false;
}

void VstHost::receiveEvents(const vst::VstEvents* events)
{
    if (events == nullptr) return;
    // The list is declared with two slots but holds numEvents of them.
    vst::VstEvent* const* list = events->events;
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const vst::VstEvent* ev = list[i];
        if (ev == nullptr) continue;
        ReceivedEvent out;
        out.frame = samplePos_ + ev->deltaFrames;
        if (ev->type == vst::kVstMidiType) {
            const auto* midi = reinterpret_cast<const vst::VstMidiEvent*>(ev);
            for (char b : midi->midiData) out.bytes.push_back(static_cast<uint8_t>(b));
            out.bytes.resize(3);
        } else if (ev->type == vst::kVstSysExType) {
            const auto* sx = reinterpret_cast<const vst::VstMidiSysexEvent*>(ev);
            if (sx->sysexDump == nullptr || sx->dumpBytes <= 0 || sx->dumpBytes > kMaxReceivedSysExBytes) continue;
            const auto* bytes = reinterpret_cast<const uint8_t*>(sx->sysexDump);
            out.bytes.assign(bytes, bytes + sx->dumpBytes);
        } else {
            continue;
        }
        std::lock_guard<std::mutex> guard(receivedMutex_);
        received_.push_back(std::move(out));
    }
    receivedChanged_.notify_all();
}

std::vector<ReceivedEvent> VstHost::receivedEvents() const
{
    std::lock_guard<std::mutex> guard(receivedMutex_);
    return received_;
}

void VstHost::clearReceivedEvents()
{
    std::lock_guard<std::mutex> guard(receivedMutex_);
    received_.clear();
}

bool VstHost::waitForReceived(const std::function<bool(const std::vector<ReceivedEvent>&)>& done,
                              std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(receivedMutex_);
    return receivedChanged_.wait_for(lock, timeout, [&] { return done(received_); });
}

intptr_t VSTCALL VstHost::hostCallback(vst::AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                       void* ptr, float opt)
{
    VstHost* host = findHost(effect);
    if (host != nullptr) {
        if (effect == nullptr) ++host->nullEffectCalls_;
        return host->answer(opcode, index, value, ptr, opt);
    }
    // No host known (a plug-in calling from a thread of its own before it is
    // registered): the answers that need no instance.
    switch (opcode) {
    case vst::audioMasterVersion: return kHostVstVersion;
    case vst::audioMasterGetVendorString: copyString(ptr, kHostVendor, vst::kVstMaxVendorStrLen); return 1;
    case vst::audioMasterGetProductString: copyString(ptr, kHostProduct, vst::kVstMaxProductStrLen); return 1;
    case vst::audioMasterGetVendorVersion: return kHostVersion;
    default: return 0;
    }
}

intptr_t VstHost::answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    switch (opcode) {
    case vst::audioMasterVersion: return kHostVstVersion;
    case vst::audioMasterAutomate: ++automations_; return 1;
    case vst::audioMasterBeginEdit:
    case vst::audioMasterEndEdit: return 1;
    case vst::audioMasterIdle: return 0;
    case vst::audioMasterWantMidi: return 1;
    case vst::audioMasterGetTime: return reinterpret_cast<intptr_t>(timeInfo());
    case vst::audioMasterProcessEvents: receiveEvents(static_cast<const vst::VstEvents*>(ptr)); return 1;
    case vst::audioMasterIOChanged: return 1;  // buffers follow numInputs/numOutputs at the next block
    case vst::audioMasterGetSampleRate: return static_cast<intptr_t>(sampleRate_);
    case vst::audioMasterGetBlockSize: return maxBlockSize_;
    case vst::audioMasterGetInputLatency:
    case vst::audioMasterGetOutputLatency: return 0;
    case vst::audioMasterGetCurrentProcessLevel:
        if (offline_) return vst::kVstProcessLevelOffline;
        return processing_ ? 2 : 1;  // real time while processing, else user thread
    case vst::audioMasterGetAutomationState: return 1;  // off
    case vst::audioMasterGetVendorString: copyString(ptr, kHostVendor, vst::kVstMaxVendorStrLen); return 1;
    case vst::audioMasterGetProductString: copyString(ptr, kHostProduct, vst::kVstMaxProductStrLen); return 1;
    case vst::audioMasterGetVendorVersion: return kHostVersion;
    case vst::audioMasterCanDo: {
        if (ptr == nullptr) return 0;
        const std::string_view asked(static_cast<const char*>(ptr));
        return std::find(kHostCanDo.begin(), kHostCanDo.end(), asked) != kHostCanDo.end() ? 1 : 0;
    }
    case vst::audioMasterGetLanguage: return 1;  // English
    case vst::audioMasterGetDirectory: return reinterpret_cast<intptr_t>(pluginFolder_.c_str());
    case vst::audioMasterUpdateDisplay: return 1;
    default: return 0;
    }
}

}  // namespace qor
