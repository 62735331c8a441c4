// Rendering must not allocate: every operator new in this binary is counted
// while a render is in progress.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "EngineTestUtil.h"

// These replacements pair malloc with free themselves.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t n)
{
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
// The nothrow forms must come from the same heap as the delete below.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept { return operator new(n, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace qor {
namespace {

using namespace qor::test;

TEST(Allocation, ALongRenderWithNotesPedalAndParameterChangesNeverAllocates)
{
    Engine engine;
    prepare(engine);
    engine.SetParameterValue(kVoices, 4);
    std::vector<double> left(512), right(512);
    TransportInfo transport;
    transport.playing = true;
    transport.tempo = 128.0;

    counting = true;
    for (int block = 0; block < 2000; ++block) {
        const int b = block % 64;
        if (b == 0) {
            for (int n = 0; n < 12; ++n) noteOn(engine, 48 + n * 3, 100, n * 17);
            send(engine, 0xB0, 64, 127, 100);
        }
        if (b == 20) {
            for (int n = 0; n < 12; ++n) noteOff(engine, 48 + n * 3, n * 11);
            send(engine, 0xE0, 0, 90, 3);
            send(engine, 0xD0, 80, 0, 5);
        }
        if (b == 40) send(engine, 0xB0, 64, 0, 0);
        if (b == 50) {
            engine.SetParameterValue(kChorus, block % 8);
            engine.SetParameterValue(kCutoff, block % 100);
            engine.SetParameterValue(kResonance, block % 32);
            engine.SetParameterValue(kLfoToOsc, 20);
            engine.SetParameterValue(kLfoSync, (block / 64) % 2);
            engine.SetParameterValue(kMono, (block / 128) % 2);
            engine.SetParameterValue(kLowCut, 10);
        }
        transport.ppqPos = block * 512 / 44100.0 * 128.0 / 60.0;
        transport.samplePos = block * 512.0;
        engine.ProcessBlock(left.data(), right.data(), 512, transport);
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
}

}  // namespace
}  // namespace qor
