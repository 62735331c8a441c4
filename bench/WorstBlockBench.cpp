// The longest audio block while slow work arrives from every side at once:
// the host delivers a SysEx bank, a SysEx program and a program change in the
// events of one block (on the audio thread, as hosts do), another thread sets
// a bank chunk, and the editor thread loads a bank file (and, with loads:15,
// a bank of parameter lists after it). The audio thread
// runs 48 kHz blocks of 64 frames (1.33 ms of audio) through the effect
// record and times each event delivery plus process call, lock waits included.
// It is paced as a host's (a block of 64 frames every 1.33 ms) and asks for
// real-time priority, as hosts do; audio_thread_realtime says whether it got it.
//
// Reported: worst_block_ms, the longest such block over every round (wall
// clock, lock waits included, but also any time the system gave the thread's
// core to someone else: on a loaded machine without real-time priority it
// measures the machine), and mean_block_ms; worst_lock_wait_ms, the longest
// wait for the main lock alone; worst_block_cpu_ms, the most CPU time the
// audio thread spent in one block (the work done inside the callback);
// chunk_set_cpu_ms and bank_file_cpu_ms, the CPU time of the whole bank-chunk
// set and bank-file load (read without the lock, then put in place under it).
// BM_BankSetSteps gives the two halves of a bank set apart: the reading and
// the step under the lock. The plug-in's configuration lives in a temporary
// home.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/ParameterIndex.h"
#include "framework/ProgramFiles.h"
#include "plugin/QOR.h"
#include "programs/SysExCodec.h"

namespace {

using namespace qor;

// Blocks of 64 frames at 48 kHz: a low-latency setting, where a wait of a
// millisecond already costs most of a block's period.
constexpr int kFrames = 64;
constexpr auto kPeriod = std::chrono::microseconds(1333);

intptr_t VSTCALL silentHost(vst::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

// HOME and the XDG folders in a fresh temporary folder for the whole run.
const std::string& benchHome()
{
    static const std::string home = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "qor-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        setenv("HOME", pattern.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (pattern + "/.config").c_str(), 1);
        setenv("XDG_DATA_HOME", (pattern + "/.local/share").c_str(), 1);
        std::filesystem::create_directories(pattern + "/.config");
        return pattern;
    }();
    return home;
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

struct SysExEvent {
    vst::VstMidiSysexEvent event{};
    explicit SysExEvent(std::vector<uint8_t>& bytes)
    {
        event.type = vst::kVstSysExType;
        event.byteSize = sizeof(event);
        event.dumpBytes = static_cast<int32_t>(bytes.size());
        event.sysexDump = reinterpret_cast<char*>(bytes.data());
    }
};

vst::VstMidiEvent midiEvent(uint8_t status, uint8_t data1, uint8_t data2)
{
    vst::VstMidiEvent e{};
    e.type = vst::kVstMidiType;
    e.byteSize = sizeof(e);
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    return e;
}

// A host event list of any length (the declared struct has two slots).
struct EventList {
    std::vector<uint8_t> storage;
    explicit EventList(const std::vector<vst::VstEvent*>& events)
        : storage(sizeof(vst::VstEvents) + events.size() * sizeof(vst::VstEvent*))
    {
        auto* list = reinterpret_cast<vst::VstEvents*>(storage.data());
        list->numEvents = static_cast<int32_t>(events.size());
        for (size_t i = 0; i < events.size(); ++i) list->events[i] = events[i];
    }
    vst::VstEvents* get() { return reinterpret_cast<vst::VstEvents*>(storage.data()); }
};

// A bank of parameter lists, as hosts and older plug-ins write them: 100
// programs, each a list of normalized values.
std::vector<uint8_t> parameterListBank(const QOR& plug)
{
    std::vector<uint8_t> fxb;
    const auto put32 = [&](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) fxb.push_back(static_cast<uint8_t>(v >> shift));
    };
    const auto putMagic = [&](std::string_view m) {
        for (const char c : m) fxb.push_back(static_cast<uint8_t>(c));
    };
    const auto id = static_cast<uint32_t>(plug.GetUniqueId());
    putMagic("CcnK");
    put32(0);
    putMagic("FxBk");
    put32(1);
    put32(id);
    put32(1);
    put32(100);
    put32(0);
    fxb.resize(156);
    for (int i = 0; i < 100; ++i) {
        putMagic("CcnK");
        put32(0);
        putMagic("FxCk");
        put32(1);
        put32(id);
        put32(1);
        put32(static_cast<uint32_t>(plug.NParams()));
        fxb.push_back('P');
        fxb.resize(fxb.size() + 27, 0);
        for (int p = 0; p < plug.NParams(); ++p) put32(std::bit_cast<uint32_t>(static_cast<float>((p + i) % 10) / 10.0f));
    }
    return fxb;
}

void BM_WorstBlockUnderLoad(benchmark::State& state)
{
    // Which loads run: 1 the events, 2 the bank chunk, 4 the bank file, 8 a
    // bank of parameter lists after it.
    const auto loads = state.range(0);
    const std::string home = benchHome();
    auto plug = std::make_unique<QOR>(silentHost);
    plug->FillEmptyPresets(nullptr, 100);
    plug->writeProtect = false;
    vst::AEffect* effect = plug->GetEffect();
    const auto dispatch = [effect](int32_t op, int32_t index, intptr_t value, void* ptr, float opt) {
        return effect->dispatcher(effect, op, index, value, ptr, opt);
    };
    dispatch(vst::effOpen, 0, 0, nullptr, 0.0f);
    dispatch(vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    dispatch(vst::effSetBlockSize, 0, kFrames, nullptr, 0.0f);
    dispatch(vst::effMainsChanged, 0, 1, nullptr, 0.0f);

    // What arrives: a bank into the cartridge, a program, a program change.
    std::array<sysex::PackedProgram, sysex::kProgramsPerBank> programs{};
    for (int i = 0; i < sysex::kProgramsPerBank; ++i) {
        std::array<double, kNumParams> v{};
        for (int p = 0; p < kNumParams; ++p) v[static_cast<size_t>(p)] = paramRanges[static_cast<size_t>(p)].defaultValue;
        v[kCutoff] = i;
        v[kResonance] = i % 32;
        programs[static_cast<size_t>(i)] = sysex::EncodeProgram(v);
    }
    const auto bankDump = sysex::BankDump(1, programs);
    std::vector<uint8_t> bankBytes(bankDump.begin(), bankDump.end());
    const auto programDump = sysex::ProgramDump(3, programs[7]);
    std::vector<uint8_t> programBytes(programDump.begin(), programDump.end());
    SysExEvent bankEvent(bankBytes), programEvent(programBytes);
    vst::VstMidiEvent change = midiEvent(0xC0, 12, 0);
    std::vector<vst::VstMidiEvent> notes;
    for (int n = 0; n < 6; ++n) notes.push_back(midiEvent(0x90, static_cast<uint8_t>(48 + n * 4), 100));
    std::vector<vst::VstEvent*> loadEvents{reinterpret_cast<vst::VstEvent*>(&bankEvent.event),
                                           reinterpret_cast<vst::VstEvent*>(&programEvent.event),
                                           reinterpret_cast<vst::VstEvent*>(&change)};
    std::vector<vst::VstEvent*> noteEvents;
    for (auto& n : notes) noteEvents.push_back(reinterpret_cast<vst::VstEvent*>(&n));
    EventList load(loadEvents), play(noteEvents);

    // A bank chunk and a bank file of the plug-in's current state.
    void* chunkData = nullptr;
    const intptr_t chunkSize = dispatch(vst::effGetChunk, 0, 0, &chunkData, 0.0f);
    const std::vector<uint8_t> bankChunk(static_cast<uint8_t*>(chunkData), static_cast<uint8_t*>(chunkData) + chunkSize);
    const std::string bankFile = home + "/load.fxb";
    SaveBankFile(*plug, bankFile);
    const std::vector<uint8_t> listBank = parameterListBank(*plug);

    std::vector<double> left(kFrames), right(kFrames);
    std::array<double*, 2> outputs{left.data(), right.data()};
    double worstCpu = 0.0, chunkCpu = 0.0, fileCpu = 0.0, worstWait = 0.0;
    const auto block = [&](vst::VstEvents* events) {
        const double cpuStart = threadCpuMs();
        const auto start = std::chrono::steady_clock::now();
        // The wait for the main lock on its own (the calls below take it again).
        auto lock = plug->LockMain();
        worstWait = std::max(worstWait, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (events) dispatch(vst::effProcessEvents, 0, 0, events, 0.0f);
        effect->processDoubleReplacing(effect, nullptr, outputs.data(), kFrames);
        lock.unlock();
        worstCpu = std::max(worstCpu, threadCpuMs() - cpuStart);
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };

    // As a host's audio thread, when the system allows it: real-time
    // priority, so that the figures measure the plug-in rather than how busy
    // the machine is.
    sched_param priority{};
    priority.sched_priority = sched_get_priority_min(SCHED_FIFO) + 10;
    const bool realtime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority) == 0;
    double worst = 0.0, total = 0.0;
    long blocks = 0;
    for (auto _ : state) {
        block(play.get());
        std::atomic<bool> go{false};
        std::atomic<int> finished{0};
        std::thread chunkThread([&] {
            while (!go) std::this_thread::yield();
            std::vector<uint8_t> copy = bankChunk;
            const double cpuStart = threadCpuMs();
            if (loads & 2) dispatch(vst::effSetChunk, 0, static_cast<intptr_t>(copy.size()), copy.data(), 0.0f);
            chunkCpu = std::max(chunkCpu, threadCpuMs() - cpuStart);
            ++finished;
        });
        std::thread editorThread([&] {
            while (!go) std::this_thread::yield();
            const double cpuStart = threadCpuMs();
            if (loads & 4) LoadBankFile(*plug, bankFile);
            if (loads & 8) LoadBankImage(*plug, listBank);
            fileCpu = std::max(fileCpu, threadCpuMs() - cpuStart);
            ++finished;
        });
        go = true;
        // The events come with the first block; then blocks until the other
        // threads are done and a while after (work handed off lands then).
        // Paced as a host's audio thread: one block per period.
        int after = 0;
        auto due = std::chrono::steady_clock::now();
        for (int k = 0; after < 100; ++k) {
            const double ms = block(k == 0 && (loads & 1) ? load.get() : nullptr);
            worst = std::max(worst, ms);
            total += ms;
            ++blocks;
            if (finished == 2) ++after;
            due += kPeriod;
            std::this_thread::sleep_until(due);
        }
        chunkThread.join();
        editorThread.join();
    }
    state.counters["worst_block_ms"] = worst;
    state.counters["worst_lock_wait_ms"] = worstWait;
    state.counters["audio_thread_realtime"] = realtime ? 1.0 : 0.0;
    state.counters["worst_block_cpu_ms"] = worstCpu;
    state.counters["chunk_set_cpu_ms"] = chunkCpu;
    state.counters["bank_file_cpu_ms"] = fileCpu;
    state.counters["mean_block_ms"] = blocks ? total / static_cast<double>(blocks) : 0.0;
    if (realtime) {
        priority.sched_priority = 0;
        pthread_setschedparam(pthread_self(), SCHED_OTHER, &priority);
    }
    dispatch(vst::effMainsChanged, 0, 0, nullptr, 0.0f);
    plug.reset();
}

// The two halves of setting a bank: reading it (no lock) and putting it in
// place (the step under the main lock, which is what a block may wait for).
// CPU time of each, per bank.
void BM_BankSetSteps(benchmark::State& state)
{
    benchHome();
    auto plug = std::make_unique<QOR>(silentHost);
    plug->FillEmptyPresets(nullptr, 100);
    vst::AEffect* effect = plug->GetEffect();
    void* chunkData = nullptr;
    const intptr_t chunkSize = effect->dispatcher(effect, vst::effGetChunk, 0, 0, &chunkData, 0.0f);
    IChunk chunk;
    chunk.PutBytes(std::span<const uint8_t>(static_cast<uint8_t*>(chunkData), static_cast<std::size_t>(chunkSize)));
    double prepare = 0.0, apply = 0.0;
    for (auto _ : state) {
        double t = threadCpuMs();
        PreparedBank bank = plug->PreparePresets(chunk, 8);
        prepare += threadCpuMs() - t;
        t = threadCpuMs();
        {
            auto lock = plug->LockMain();
            benchmark::DoNotOptimize(plug->ApplyPresets(bank));
        }
        apply += threadCpuMs() - t;
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["read_cpu_ms"] = prepare / n;
    state.counters["locked_step_cpu_ms"] = apply / n;
}

// One program from the host (a program chunk) or from an .fxp file acts
// whole under the main lock: its CPU time per load is what a block may wait.
void BM_ProgramLoad(benchmark::State& state)
{
    benchHome();
    auto plug = std::make_unique<QOR>(silentHost);
    plug->writeProtect = false;
    vst::AEffect* effect = plug->GetEffect();
    void* data = nullptr;
    const intptr_t size = effect->dispatcher(effect, vst::effGetChunk, 1, 0, &data, 0.0f);
    std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    const std::vector<uint8_t> fxp = MakeProgramImage(*plug);
    double cpu = 0.0;
    for (auto _ : state) {
        const double t = threadCpuMs();
        const bool ok = state.range(0) == 0
                            ? effect->dispatcher(effect, vst::effSetChunk, 1, size, chunk.data(), 0.0f) == 1
                            : LoadProgramImage(*plug, fxp);
        cpu += threadCpuMs() - t;
        if (!ok) state.SkipWithError("the program was refused");
    }
    state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations());
}

BENCHMARK(BM_ProgramLoad)->ArgName("fxp")->Arg(0)->Arg(1)->Iterations(50)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_BankSetSteps)->Iterations(50)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_WorstBlockUnderLoad)->ArgName("loads")->Arg(15)->Arg(7)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace
