// Creating and closing instances: both exported entries, many instances made
// at once from several threads (the process-wide creation lock), and effClose.
#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "BinaryHost.h"
#include "platform/DynamicLibrary.h"

namespace qor::test::binary {
namespace {

class BinaryLifecycle : public BinaryTest {};

intptr_t VSTCALL SilentHost(vst::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

TEST_F(BinaryLifecycle, BothEntriesGiveAWorkingInstance)
{
    DynamicLibrary library;
    ASSERT_TRUE(library.open(QOR_PLUGIN_PATH)) << library.error();
    for (const char* name : {"VSTPluginMain", "main"}) {
        auto entry = reinterpret_cast<vst::EntryProc>(library.symbol(name));
        ASSERT_NE(entry, nullptr) << name;
        vst::AEffect* e = entry(&SilentHost);
        ASSERT_NE(e, nullptr) << name;
        EXPECT_EQ(e->magic, vst::kEffectMagic) << name;
        EXPECT_EQ(e->uniqueID, 0x716F2D72) << name;
        e->dispatcher(e, vst::effOpen, 0, 0, nullptr, 0.0f);
        e->dispatcher(e, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
        std::vector<float> left(64), right(64);
        float* outputs[2] = {left.data(), right.data()};
        e->processReplacing(e, nullptr, outputs, 64);
        e->dispatcher(e, vst::effClose, 0, 0, nullptr, 0.0f);
    }
    // A host that answers nothing at all (no callback) still gets an instance.
    auto entry = reinterpret_cast<vst::EntryProc>(library.symbol("VSTPluginMain"));
    vst::AEffect* e = entry(nullptr);
    ASSERT_NE(e, nullptr);
    e->dispatcher(e, vst::effOpen, 0, 0, nullptr, 0.0f);
    void* data = nullptr;
    EXPECT_GT(e->dispatcher(e, vst::effGetChunk, 0, 0, &data, 0.0f), 0);
    e->dispatcher(e, vst::effClose, 0, 0, nullptr, 0.0f);
}

TEST_F(BinaryLifecycle, InstancesCreatedFromManyThreadsAtOnce)
{
    constexpr int kThreads = 6;
    constexpr int kRounds = 3;
    PluginEntry();  // loaded before the threads start
    std::atomic<int> ready{0};
    std::atomic<int> failures{0};
    std::mutex recordsMutex;
    std::set<vst::AEffect*> records;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < kThreads) std::this_thread::yield();
            for (int round = 0; round < kRounds; ++round) {
                BinaryHost h;
                if (!h.Create()) {
                    ++failures;
                    continue;
                }
                {
                    std::lock_guard<std::mutex> guard(recordsMutex);
                    // Live at the same time means distinct records.
                    if (round == 0 && !records.insert(h.Effect()).second) ++failures;
                }
                h.Start();
                if (h.Effect()->numParams != 60 || h.Effect()->numPrograms != 100) ++failures;
                EventList note;
                note.Midi(0, 0x90, static_cast<uint8_t>(48 + t), 100);
                h.SendEvents(note);
                if (!(PeakOf(h.RenderFrames(2048)) < 4.0f)) ++failures;
                h.Close();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(BinaryLifecycle, CloseEndsTheInstance)
{
    // Closed straight after creation, after opening, and while playing; the
    // sanitizer build checks that nothing is left behind.
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(host.Create());
        if (i % 3 > 0) host.Start();
        if (i % 3 == 2) {
            EventList notes;
            notes.Midi(0, 0x90, 60, 100).Midi(0, 0x90, 64, 100);
            host.SendEvents(notes);
            host.RenderFrames(1024);
        }
        host.Close();
        EXPECT_EQ(host.Effect(), nullptr);
    }
    // Instances are independent: closing one leaves the other playing.
    BinaryHost other;
    ASSERT_TRUE(other.Create());
    other.Start();
    ASSERT_TRUE(host.Create());
    host.Start();
    PlainSound(other);
    EventList note;
    note.Midi(0, 0x90, 69, 100);
    other.SendEvents(note);
    host.Close();
    EXPECT_GT(PeakOf(other.RenderFrames(4096)), 0.01f);
}

}  // namespace
}  // namespace qor::test::binary

#endif
