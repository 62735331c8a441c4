// The main lock serialises audio blocks, parameter calls and dispatcher calls
// arriving on different host threads. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <random>
#include <vector>

#include "TestPlug.h"

namespace qor {
namespace {

class IPlugVSTConcurrency : public test::EffectFixture {};

TEST_F(IPlugVSTConcurrency, HostThreadsNeverInterleaveWithABlock)
{
    Create();
    Dispatch(vst::effOpen);
    Dispatch(vst::effSetBlockSize, 0, 256);
    Dispatch(vst::effMainsChanged, 0, 1);

    std::atomic<bool> stop{false};
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    auto running = [&] { return !stop && std::chrono::steady_clock::now() < until; };

    auto audio = std::async(std::launch::async, [&] {
        std::vector<float> left(256), right(256);
        float* outs[2] = {left.data(), right.data()};
        int bad = 0;
        long blocks = 0;
        while (running()) {
            effect->processReplacing(effect, nullptr, outs, 256);
            for (int s = 0; s < 256; ++s)
                if (left[static_cast<std::size_t>(s)] != 0.25f || right[static_cast<std::size_t>(s)] != 0.5f) ++bad;
            ++blocks;
        }
        return std::make_pair(blocks, bad);
    });
    auto params = std::async(std::launch::async, [&] {
        std::mt19937 rng(1234);
        std::uniform_int_distribution<int> index(-2, 61);
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        long calls = 0;
        while (running()) {
            // Every other call goes to the parameter the blocks watch.
            const int i = calls % 2 ? 1 : index(rng);
            effect->setParameter(effect, i, value(rng));
            const float got = effect->getParameter(effect, i);
            if (got < 0.0f || got > 1.0f) return -1L;
            ++calls;
        }
        return calls;
    });
    auto chunks = std::async(std::launch::async, [&] {
        long failures = 0;
        while (running()) {
            void* data = nullptr;
            const intptr_t size = Dispatch(vst::effGetChunk, 1, 0, &data);
            // The pointer is only ours until the next request: copy it first.
            std::vector<uint8_t> copy(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
            if (size != 8 + 480 + 4 + 5 || Dispatch(vst::effSetChunk, 1, size, copy.data()) != 1) ++failures;
            const intptr_t bankSize = Dispatch(vst::effGetChunk, 0, 0, &data);
            std::vector<uint8_t> bank(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + bankSize);
            if (Dispatch(vst::effSetChunk, 0, bankSize, bank.data()) != 1) ++failures;
        }
        return failures;
    });
    auto events = std::async(std::launch::async, [&] {
        vst::VstMidiEvent note{};
        note.type = vst::kVstMidiType;
        note.byteSize = sizeof(note);
        note.midiData[0] = static_cast<char>(0x90);
        note.midiData[1] = 60;
        note.midiData[2] = 90;
        vst::VstEvents list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<vst::VstEvent*>(&note);
        long sent = 0;
        while (running()) {
            Dispatch(vst::effProcessEvents, 0, 0, &list);
            char name[32];
            Dispatch(vst::effGetParamDisplay, 1, 0, name);
            Dispatch(vst::effEditIdle);
            ++sent;
        }
        return sent;
    });

    const auto deadline = std::chrono::seconds(30);
    if (audio.wait_for(deadline) != std::future_status::ready || params.wait_for(deadline) != std::future_status::ready ||
        chunks.wait_for(deadline) != std::future_status::ready || events.wait_for(deadline) != std::future_status::ready) {
        std::fprintf(stderr, "host threads deadlocked on the main lock\n");
        std::abort();
    }
    stop = true;
    const auto [blocks, bad] = audio.get();
    const long paramCalls = params.get();
    const long chunkFailures = chunks.get();
    const long eventCalls = events.get();

    EXPECT_GT(blocks, 0);
    EXPECT_EQ(bad, 0);
    EXPECT_GT(paramCalls, 0);
    EXPECT_EQ(chunkFailures, 0);
    EXPECT_GT(eventCalls, 0);
    EXPECT_EQ(plug->torn, 0);
    EXPECT_EQ(static_cast<long>(plug->midiIn.size()), eventCalls);
    EXPECT_EQ(plug->blocks, blocks);
}

}  // namespace
}  // namespace qor
