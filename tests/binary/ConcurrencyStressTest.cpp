// One thread renders blocks while three others do what hosts do from their
// other threads: automate parameters, deliver events, save and restore state
// and switch programs. Every call holds the plug-in's main lock, so nothing
// may interleave with a block; CI runs this under ThreadSanitizer. A watchdog
// turns a deadlock into a failure instead of a hung test run.
#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BinaryHost.h"

namespace qor::test::binary {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRunTime = std::chrono::seconds(3);
// Generous: the sanitizer builds run many times slower than a release build.
constexpr auto kWatchdog = std::chrono::seconds(120);

class ConcurrencyStress : public BinaryTest {};

TEST_F(ConcurrencyStress, RenderWhileTheHostChangesEverything)
{
    home.WriteConfig("[Global]\nWrite Protect=false\n");
    Load(44100.0, 256);
    PlainSound(host);
    vst::AEffect* e = effect();

    const auto until = Clock::now() + kRunTime;
    auto running = [&] { return Clock::now() < until; };
    std::atomic<int> finished{0};
    std::atomic<long> blocks{0}, paramCalls{0}, eventCalls{0}, stateCalls{0};
    std::atomic<long> nonFinite{0}, refusedChunks{0};

    std::vector<std::thread> threads;
    // The audio thread.
    threads.emplace_back([&] {
        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        while (running()) {
            e->processReplacing(e, nullptr, outputs, 256);
            if (!(PeakOf(left) < 1e6f) || !(PeakOf(right) < 1e6f)) ++nonFinite;
            ++blocks;
        }
        ++finished;
    });
    // Automation: values in and out of range, text entry, reads.
    threads.emplace_back([&] {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> index(-2, 61);
        std::uniform_real_distribution<float> value(-0.1f, 1.1f);
        static constexpr std::array<const char*, 6> kTexts = {"0", "17", "ON", "SAWTOOTH", "-5", "junk"};
        std::array<char, 64> text{};
        while (running()) {
            const int i = index(rng);
            e->setParameter(e, i, value(rng));
            (void)e->getParameter(e, index(rng));
            std::snprintf(text.data(), text.size(), "%s", kTexts[static_cast<size_t>(rng() % kTexts.size())]);
            e->dispatcher(e, vst::effString2Parameter, index(rng), 0, text.data(), 0.0f);
            e->dispatcher(e, vst::effGetParamDisplay, i, 0, text.data(), 0.0f);
            ++paramCalls;
        }
        ++finished;
    });
    // Events: notes, controllers, bend, pressure, program changes, SysEx
    // requests and parameter changes, some of it split over two calls.
    threads.emplace_back([&] {
        std::mt19937 rng(11);
        while (running()) {
            EventList list;
            const auto note = static_cast<uint8_t>(36 + rng() % 48);
            list.Midi(static_cast<int32_t>(rng() % 256), 0x90, note, static_cast<uint8_t>(1 + rng() % 127))
                .Midi(static_cast<int32_t>(rng() % 256), 0x80, static_cast<uint8_t>(36 + rng() % 48), 0)
                .Midi(0, 0xB0, static_cast<uint8_t>(rng() % 128), static_cast<uint8_t>(rng() % 128))
                .Midi(5, 0xE0, static_cast<uint8_t>(rng() % 128), static_cast<uint8_t>(rng() % 128))
                .Midi(9, 0xD0, static_cast<uint8_t>(rng() % 128));
            if (rng() % 16 == 0) list.Midi(0, 0xC0, static_cast<uint8_t>(rng() % 100));
            if (rng() % 4 == 0) {
                const auto parameter = static_cast<uint8_t>(rng() % 43);
                list.SysEx(0, {0xF0, 0x40, 0x00, 0x10, 0x00, 0x01, parameter, static_cast<uint8_t>(rng() % 8),
                               static_cast<uint8_t>(rng() % 16), 0xF7});
            }
            if (rng() % 8 == 0) list.SysEx(0, {0xF0, 0x40, 0x00});
            if (rng() % 8 == 0) list.SysEx(0, {0x60, 0xF7});
            host.SendEvents(list);
            ++eventCalls;
        }
        EventList quiet;
        quiet.Midi(0, 0xB0, 123, 0);
        host.SendEvents(quiet);
        ++finished;
    });
    // State: bank and program chunks out and back in, program switches and names.
    threads.emplace_back([&] {
        std::mt19937 rng(13);
        BinaryHost& h = host;
        while (running()) {
            const std::vector<uint8_t> program = h.GetChunk(true);
            if (h.SetChunk(program, true) != 1) ++refusedChunks;
            h.SetProgram(static_cast<int>(rng() % 100));
            if (rng() % 4 == 0) {
                const std::vector<uint8_t> bank = h.GetChunk(false);
                if (h.SetChunk(bank, false) != 1) ++refusedChunks;
            }
            h.SetProgramName("Stress " + std::to_string(rng() % 1000));
            (void)h.ProgramNameIndexed(static_cast<int>(rng() % 100));
            e->dispatcher(e, vst::effIdle, 0, 0, nullptr, 0.0f);
            ++stateCalls;
        }
        ++finished;
    });

    const auto deadline = Clock::now() + kRunTime + kWatchdog;
    while (finished.load() < static_cast<int>(threads.size())) {
        if (Clock::now() > deadline) {
            // The threads hold references to this frame: leaving it would be
            // worse than ending the process with the failure on record.
            std::fprintf(stderr, "ConcurrencyStress: %d of %zu threads still running after the watchdog's %lld s; "
                                 "blocks %ld, parameter calls %ld, event calls %ld, state calls %ld: deadlock\n",
                         static_cast<int>(threads.size()) - finished.load(), threads.size(),
                         static_cast<long long>(kWatchdog.count()), blocks.load(), paramCalls.load(),
                         eventCalls.load(), stateCalls.load());
            std::fflush(stderr);
            std::_Exit(EXIT_FAILURE);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (std::thread& t : threads) t.join();

    EXPECT_EQ(nonFinite.load(), 0);
    EXPECT_EQ(refusedChunks.load(), 0) << "our own chunks always load";
    // Every thread got through; none was starved out by the others.
    EXPECT_GT(blocks.load(), 0);
    EXPECT_GT(paramCalls.load(), 0);
    EXPECT_GT(eventCalls.load(), 0);
    EXPECT_GT(stateCalls.load(), 0);
    std::printf("blocks %ld, parameter calls %ld, event calls %ld, state calls %ld\n", blocks.load(),
                paramCalls.load(), eventCalls.load(), stateCalls.load());

    // Afterwards the instance still plays cleanly.
    PlainSound(host);
    EventList note;
    note.Midi(0, 0xB0, 123, 0).Midi(0, 0x90, 60, 100);
    host.SendEvents(note);
    const std::vector<float> out = host.RenderFrames(8192);
    EXPECT_LT(PeakOf(out), 4.0f);
    EXPECT_GT(PeakOf(out), 0.01f);
}

}  // namespace
}  // namespace qor::test::binary

#endif
