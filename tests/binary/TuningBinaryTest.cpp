// Microtuning through the real qor.so: a private copy of the module is loaded
// with QOR_MTS_LIBRARY naming a stand-in MTS-ESP library, so its process-wide
// binding finds the stand-in, and the test plays the master.
#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "BinaryHost.h"
#include "platform/DynamicLibrary.h"
#include "tests/engine/EngineTestUtil.h"
#include "tests/tuning/StandInMts.h"

namespace qor::test::binary {
namespace {

namespace fs = std::filesystem;

// A copy of qor.so of its own (a different file is a different module to the
// loader, with its own binding made at load time).
class TunedModule {
public:
    TunedModule(const fs::path& folder, const char* mtsLibrary)
    {
        const fs::path copy = folder / "qor-tuned.so";
        fs::copy_file(QOR_PLUGIN_PATH, copy, fs::copy_options::overwrite_existing);
        const char* old = std::getenv("QOR_MTS_LIBRARY");
        const std::string saved = old ? old : "";
        setenv("QOR_MTS_LIBRARY", mtsLibrary, 1);
        const bool opened = library_.open(copy.string());
        if (old) setenv("QOR_MTS_LIBRARY", saved.c_str(), 1);
        else unsetenv("QOR_MTS_LIBRARY");
        EXPECT_TRUE(opened) << library_.error();
        if (opened) entry_ = reinterpret_cast<vst::EntryProc>(library_.symbol("VSTPluginMain"));
    }
    vst::EntryProc Entry() const { return entry_; }

private:
    DynamicLibrary library_;
    vst::EntryProc entry_ = nullptr;
};

// Members in this order: the module outlives every instance made from it.
class BinaryTuning : public ::testing::Test {
protected:
    BinaryTuning() : standIn(QOR_TEST_MTS_WHOLE), module(home.Folder(), QOR_TEST_MTS_WHOLE) {}
    // A started instance with a plain sawtooth at 8'.
    std::unique_ptr<BinaryHost> Play()
    {
        auto host = std::make_unique<BinaryHost>();
        if (!host->Create(module.Entry())) {
            ADD_FAILURE() << "the tuned module made no instance";
            return host;
        }
        host->Start();
        PlainSound(*host);
        host->SetParameter(9, 0.5f);  // Range 8'
        return host;
    }
    // The left channel of `seconds` of sound after a note-on.
    static std::vector<double> Note(BinaryHost& host, int key, double seconds = 1.5)
    {
        EventList note;
        note.Midi(0, 0x90, static_cast<uint8_t>(key), 100);
        host.SendEvents(note);
        const std::vector<float> frames = host.RenderFrames(static_cast<int>(44100 * seconds));
        std::vector<double> left;
        for (size_t i = 0; i < frames.size(); i += 2) left.push_back(frames[i]);
        return left;
    }

    IsolatedHome home;
    StandInMts standIn;
    TunedModule module;
};

TEST_F(BinaryTuning, MasterTunesStartedNotesAndSilencesFilteredKeys)
{
    standIn.SetMaster(true);
    standIn.SetFrequency(69, CentsAboveA4(50.0));
    standIn.SetFiltered(72, true);
    auto host = Play();
    ASSERT_NE(host->Effect(), nullptr);

    EXPECT_NEAR(zeroCrossingFrequency(Note(*host, 69), 44100, 22050), 452.9, 0.1);

    auto other = Play();
    ASSERT_NE(other->Effect(), nullptr);
    EXPECT_LT(peak(Note(*other, 72, 0.5)), 1e-6);

    // The master goes away: the instrument is back in equal temperament.
    standIn.SetMaster(false);
    EventList release;
    release.Midi(0, 0x80, 69, 0);
    host->SendEvents(release);
    host->RenderFrames(44100 * 2);
    EXPECT_NEAR(zeroCrossingFrequency(Note(*host, 69), 44100, 22050), 440.0, 0.1);
}

TEST_F(BinaryTuning, EveryInstanceRegistersOnceAndDeregistersWhenClosed)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 3;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < kRounds; ++round) {
                BinaryHost h;
                if (!h.Create(module.Entry())) continue;
                h.Start();
                h.Close();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(standIn.Registrations(), kThreads * kRounds);
    EXPECT_EQ(standIn.Deregistrations(), kThreads * kRounds);

    std::vector<std::unique_ptr<BinaryHost>> open;
    for (int i = 0; i < 3; ++i) open.push_back(Play());
    EXPECT_EQ(standIn.Clients(), 3);
    open.clear();
    EXPECT_EQ(standIn.Clients(), 0);
    EXPECT_EQ(standIn.Faults(), 0);
}

}  // namespace
}  // namespace qor::test::binary

#endif
