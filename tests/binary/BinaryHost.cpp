#if defined(QOR_PLUGIN_PATH)

#include "BinaryHost.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <thread>
#include <utility>

#include "platform/DynamicLibrary.h"

namespace qor::test::binary {

namespace fs = std::filesystem;

namespace {

// Instances by effect record, so the callback finds its host. Calls made
// while the entry runs (before the record is known) go to the creating host.
std::mutex gHostsMutex;
std::vector<std::pair<vst::AEffect*, BinaryHost*>> gHosts;
thread_local BinaryHost* tCreating = nullptr;

BinaryHost* FindHost(vst::AEffect* effect)
{
    std::lock_guard<std::mutex> guard(gHostsMutex);
    for (const auto& [e, host] : gHosts)
        if (e == effect) return host;
    return tCreating;
}

void CopyOut(void* ptr, std::string_view text)
{
    if (!ptr) return;
    const size_t n = std::min<size_t>(text.size(), 255);  // the plug-in gives 256 bytes
    std::memcpy(ptr, text.data(), n);
    static_cast<char*>(ptr)[n] = '\0';
}

std::string GetEnv(const char* name, bool& present)
{
    const char* value = std::getenv(name);
    present = value != nullptr;
    return value ? value : "";
}

void RestoreEnv(const char* name, const std::string& value, bool present)
{
    if (present)
        setenv(name, value.c_str(), 1);
    else
        unsetenv(name);
}

}  // namespace

IsolatedHome::IsolatedHome()
{
    static std::atomic<int> counter{0};
    folder_ = fs::path(::testing::TempDir()) /
              ("qor-binary-" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1)));
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "config");
    oldHome_ = GetEnv("HOME", hadHome_);
    oldConfig_ = GetEnv("XDG_CONFIG_HOME", hadConfig_);
    setenv("HOME", folder_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
}

IsolatedHome::~IsolatedHome()
{
    RestoreEnv("HOME", oldHome_, hadHome_);
    RestoreEnv("XDG_CONFIG_HOME", oldConfig_, hadConfig_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

void IsolatedHome::WriteConfig(std::string_view text) const
{
    fs::create_directories(ConfigFile().parent_path());
    std::ofstream out(ConfigFile(), std::ios::binary);
    out << text;
}

vst::EntryProc PluginEntry()
{
    // Loaded once and kept: instances may outlive any one test's fixture.
    static DynamicLibrary library;
    static std::once_flag once;
    static vst::EntryProc entry = nullptr;
    std::call_once(once, [] {
        if (!library.open(QOR_PLUGIN_PATH)) {
            ADD_FAILURE() << "cannot load " << QOR_PLUGIN_PATH << ": " << library.error();
            return;
        }
        entry = reinterpret_cast<vst::EntryProc>(library.symbol("VSTPluginMain"));
    });
    return entry;
}

EventList& EventList::Midi(int32_t deltaFrames, uint8_t status, uint8_t data1, uint8_t data2)
{
    Entry& e = entries_.emplace_back();
    e.midi.type = vst::kVstMidiType;
    e.midi.byteSize = sizeof(vst::VstMidiEvent);
    e.midi.deltaFrames = deltaFrames;
    e.midi.midiData[0] = static_cast<char>(status);
    e.midi.midiData[1] = static_cast<char>(data1);
    e.midi.midiData[2] = static_cast<char>(data2);
    return *this;
}

EventList& EventList::SysEx(int32_t deltaFrames, std::vector<uint8_t> bytes)
{
    Entry& e = entries_.emplace_back();
    e.kind = 1;
    e.dump = std::move(bytes);
    e.sysex.type = vst::kVstSysExType;
    e.sysex.byteSize = sizeof(vst::VstMidiSysexEvent);
    e.sysex.deltaFrames = deltaFrames;
    e.sysex.dumpBytes = static_cast<int32_t>(e.dump.size());
    return *this;
}

EventList& EventList::Null()
{
    entries_.emplace_back().kind = 2;
    return *this;
}

EventList& EventList::Unknown(int32_t deltaFrames)
{
    Entry& e = entries_.emplace_back();
    e.kind = 3;
    e.midi.type = 5;  // audio events, long gone from the interface
    e.midi.byteSize = sizeof(vst::VstMidiEvent);
    e.midi.deltaFrames = deltaFrames;
    e.midi.midiData[0] = static_cast<char>(0x90);
    e.midi.midiData[1] = 60;
    e.midi.midiData[2] = 100;
    return *this;
}

vst::VstEvents* EventList::Get()
{
    // The header (count, reserved) then one pointer per event, as hosts lay it out.
    list_.assign(2 + std::max<size_t>(entries_.size(), 2), 0);
    const auto count = static_cast<int32_t>(entries_.size());
    std::memcpy(list_.data(), &count, sizeof(count));
    for (size_t i = 0; i < entries_.size(); ++i) {
        Entry& e = entries_[i];
        void* record = nullptr;
        if (e.kind == 0 || e.kind == 3) record = &e.midi;
        if (e.kind == 1) {
            e.sysex.sysexDump = reinterpret_cast<char*>(e.dump.data());
            record = &e.sysex;
        }
        list_[2 + i] = reinterpret_cast<intptr_t>(record);
    }
    return reinterpret_cast<vst::VstEvents*>(list_.data());
}

BinaryHost::BinaryHost(std::string vendor) : vendor_(std::move(vendor))
{
    time_.sampleRate = 44100.0;
    time_.tempo = 120.0;
    time_.timeSigNumerator = 4;
    time_.timeSigDenominator = 4;
    time_.flags = vst::kVstTempoValid | vst::kVstTimeSigValid | vst::kVstPpqPosValid | vst::kVstBarsValid;
}

BinaryHost::~BinaryHost() { Close(); }

bool BinaryHost::Create(vst::EntryProc entry)
{
    Close();
    if (!entry) entry = PluginEntry();
    if (!entry) return false;
    tCreating = this;
    vst::AEffect* effect = entry(&BinaryHost::Callback);
    tCreating = nullptr;
    if (!effect) return false;
    {
        std::lock_guard<std::mutex> guard(gHostsMutex);
        gHosts.emplace_back(effect, this);
    }
    effect_ = effect;
    return true;
}

void BinaryHost::Start(double sampleRate, int blockSize)
{
    Dispatch(vst::effOpen);
    Dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(vst::effSetBlockSize, 0, blockSize);
    Dispatch(vst::effMainsChanged, 0, 1);
    time_.sampleRate = sampleRate;
}

void BinaryHost::Close()
{
    if (!effect_) return;
    effect_->dispatcher(effect_, vst::effClose, 0, 0, nullptr, 0.0f);
    std::lock_guard<std::mutex> guard(gHostsMutex);
    std::erase_if(gHosts, [this](const auto& entry) { return entry.second == this; });
    effect_ = nullptr;
}

intptr_t BinaryHost::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    return effect_ ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

std::string BinaryHost::DispatchText(int32_t opcode, int32_t index, intptr_t value)
{
    // Room well beyond the interface's limits, poisoned so a missing
    // terminator shows up as junk rather than as a plausible text.
    std::vector<char> buffer(512, 'X');
    buffer[0] = '\0';
    Dispatch(opcode, index, value, buffer.data());
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return std::string(buffer.begin(), end);
}

float BinaryHost::GetParameter(int32_t index) { return effect_->getParameter(effect_, index); }

void BinaryHost::SetParameter(int32_t index, float value) { effect_->setParameter(effect_, index, value); }

std::vector<float> BinaryHost::AllParameters()
{
    std::vector<float> values;
    for (int i = 0; i < effect_->numParams; ++i) values.push_back(GetParameter(i));
    return values;
}

intptr_t BinaryHost::SetParameterText(int index, const std::string& text)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return Dispatch(vst::effString2Parameter, index, 0, buffer.data());
}

std::vector<std::string> BinaryHost::ProgramNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < effect_->numPrograms; ++i) names.push_back(ProgramNameIndexed(i));
    return names;
}

void BinaryHost::SetProgramName(const std::string& name)
{
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    Dispatch(vst::effSetProgramName, 0, 0, buffer.data());
}

std::vector<uint8_t> BinaryHost::GetChunk(bool program)
{
    void* data = nullptr;
    const intptr_t size = Dispatch(vst::effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || !data) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t BinaryHost::SetChunk(std::span<const uint8_t> bytes, bool program)
{
    // The plug-in gets a buffer of its own, exactly as long as the chunk, so
    // that the address sanitizer sees any read past its end.
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    void* ptr = copy.empty() ? static_cast<void*>(&copy) : copy.data();
    return Dispatch(vst::effSetChunk, program ? 1 : 0, static_cast<intptr_t>(copy.size()), ptr);
}

void BinaryHost::Render(std::span<float> left, std::span<float> right)
{
    float* outputs[2] = {left.data(), right.data()};
    effect_->processReplacing(effect_, nullptr, outputs, static_cast<int32_t>(std::min(left.size(), right.size())));
}

void BinaryHost::RenderDouble(std::span<double> left, std::span<double> right)
{
    double* outputs[2] = {left.data(), right.data()};
    effect_->processDoubleReplacing(effect_, nullptr, outputs,
                                    static_cast<int32_t>(std::min(left.size(), right.size())));
}

std::vector<float> BinaryHost::RenderFrames(int frames, int blockSize)
{
    std::vector<float> out;
    out.reserve(static_cast<size_t>(frames) * 2);
    std::vector<float> left(static_cast<size_t>(blockSize)), right(static_cast<size_t>(blockSize));
    for (int done = 0; done < frames; done += blockSize) {
        const auto n = static_cast<size_t>(std::min(blockSize, frames - done));
        // Stale samples must not pass for output: the plug-in writes them all.
        std::fill(left.begin(), left.end(), std::numeric_limits<float>::quiet_NaN());
        std::fill(right.begin(), right.end(), std::numeric_limits<float>::quiet_NaN());
        Render(std::span(left).first(n), std::span(right).first(n));
        for (size_t i = 0; i < n; ++i) {
            out.push_back(left[i]);
            out.push_back(right[i]);
        }
    }
    return out;
}

std::vector<SentEvent> BinaryHost::Sent()
{
    std::lock_guard<std::mutex> guard(sentMutex_);
    return sent_;
}

void BinaryHost::ClearSent()
{
    std::lock_guard<std::mutex> guard(sentMutex_);
    sent_.clear();
}

bool BinaryHost::WaitForSent(size_t count)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    // The host keeps processing meanwhile: the answer is handed over in a block.
    while (Sent().size() < count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        RenderFrames(64, 64);
    }
    return true;
}

intptr_t VSTCALL BinaryHost::Callback(vst::AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                      float opt)
{
    BinaryHost* host = FindHost(effect);
    if (opcode == vst::audioMasterVersion) return 2400;
    return host ? host->Answer(opcode, index, value, ptr, opt) : 0;
}

intptr_t BinaryHost::Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    switch (opcode) {
        case vst::audioMasterAutomate:
        case vst::audioMasterBeginEdit:
        case vst::audioMasterEndEdit: {
            if (opcode == vst::audioMasterAutomate) ++automations_;
            std::lock_guard<std::mutex> guard(sentMutex_);
            edits_.push_back({opcode, index});
            return 1;
        }
        case vst::audioMasterWantMidi: ++wantMidi_; return 1;
        case vst::audioMasterGetTime: return reinterpret_cast<intptr_t>(&time_);
        case vst::audioMasterGetVendorString: CopyOut(ptr, vendor_); return 1;
        case vst::audioMasterGetProductString: CopyOut(ptr, "qor_tests"); return 1;
        case vst::audioMasterGetVendorVersion: return 1;
        case vst::audioMasterGetCurrentProcessLevel: return 0;
        case vst::audioMasterUpdateDisplay: return 1;
        case vst::audioMasterProcessEvents: {
            const auto* events = static_cast<const vst::VstEvents*>(ptr);
            if (!events) return 0;
            std::lock_guard<std::mutex> guard(sentMutex_);
            for (int32_t i = 0; i < events->numEvents; ++i) {
                const vst::VstEvent* e = events->events[i];
                if (!e) continue;
                SentEvent s;
                s.type = e->type;
                s.deltaFrames = e->deltaFrames;
                if (e->type == vst::kVstMidiType) {
                    const auto* m = reinterpret_cast<const vst::VstMidiEvent*>(e);
                    for (int b = 0; b < 3; ++b) s.bytes.push_back(static_cast<uint8_t>(m->midiData[b]));
                } else if (e->type == vst::kVstSysExType) {
                    const auto* x = reinterpret_cast<const vst::VstMidiSysexEvent*>(e);
                    const auto* dump = reinterpret_cast<const uint8_t*>(x->sysexDump);
                    if (dump && x->dumpBytes > 0) s.bytes.assign(dump, dump + x->dumpBytes);
                }
                sent_.push_back(std::move(s));
            }
            return 1;
        }
        default: return 0;
    }
}

std::vector<BinaryHost::EditCall> BinaryHost::TakeEdits()
{
    std::lock_guard<std::mutex> guard(sentMutex_);
    return std::exchange(edits_, {});
}

void PlainSound(BinaryHost& host)
{
    static constexpr std::pair<int, const char*> kSettings[] = {
        {0, "0.5"},  {1, "STEREO"},    {2, "0"},   {3, "0"},   {4, "OFF"},       {5, "OFF"},  {8, "SAWTOOTH"},
        {9, "0"},    {11, "0"},        {13, "0"},  {14, "SAWTOOTH"}, {15, "0"}, {16, "0"},    {17, "99"},
        {18, "0"},   {19, "0"},        {20, "0"},  {23, "OFF"}, {26, "31"},      {27, "0"},   {28, "0"},
        {29, "18"},  {30, "31"},       {31, "0"},  {35, "0"},  {36, "0"},        {37, "0"},   {38, "0"},
        {39, "0"},   {40, "0"},        {41, "0"},  {42, "0"},  {43, "0"},        {44, "0"},   {45, "0"},
        {46, "0"},   {47, "6"},        {49, "0"},  {50, "OFF"},
    };
    for (const auto& [index, text] : kSettings)
        EXPECT_EQ(host.SetParameterText(index, text), 1) << "parameter " << index << " = " << text;
}

float PeakOf(std::span<const float> samples)
{
    float peak = 0.0f;
    for (float s : samples) {
        if (!std::isfinite(s)) return std::numeric_limits<float>::infinity();
        peak = std::max(peak, std::fabs(s));
    }
    return peak;
}

}  // namespace qor::test::binary

#endif
