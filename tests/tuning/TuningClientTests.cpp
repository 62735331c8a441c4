// The MTS-ESP client against the stand-in library, loaded by path through the
// same binding the plug-in uses: pitches, filtered keys, registration, and
// libraries that are missing or incomplete.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/PitchTables.h"
#include "plugin/TuningClient.h"
#include "tests/engine/EngineTestUtil.h"
#include "tests/tuning/StandInMts.h"

namespace qor::test {
namespace {

// The hardware's table values around A4 (three decimals).
constexpr double kA4 = 440.0;
constexpr double kBb4 = 466.164;

class TuningWithMaster : public ::testing::Test {
protected:
    StandInMts standIn{QOR_TEST_MTS_WHOLE};
    MtsEspLibrary binding{QOR_TEST_MTS_WHOLE};
};

TEST(Tuning, WithoutLibraryOrMasterEveryKeyIsEqualTempered)
{
    const MtsEspLibrary unbound;
    const MtsEspLibrary missing{"/nonexistent/folder/libMTS.so"};
    EXPECT_FALSE(missing.IsOpen());
    StandInMts standIn{QOR_TEST_MTS_WHOLE};
    standIn.SetFrequency(69, 500.0);
    standIn.SetFiltered(60, true);
    const MtsEspLibrary silentMaster{QOR_TEST_MTS_WHOLE};  // library present, no master running
    ASSERT_TRUE(silentMaster.IsOpen());

    for (const MtsEspLibrary* library : {&unbound, &missing, &silentMaster}) {
        TuningClient client(*library);
        for (int key = 0; key < 128; ++key) {
            EXPECT_EQ(client.TunedPitch(key), key * 128) << key;
            EXPECT_FALSE(client.ShouldFilterNote(key)) << key;
        }
        EXPECT_EQ(client.TunedPitch(69), 8832);
        EXPECT_DOUBLE_EQ(client.NoteFrequency(69), 440.0);
    }
}

TEST_F(TuningWithMaster, MasterFrequenciesBecomeTruncatedPitches)
{
    standIn.SetMaster(true);
    TuningClient client(binding);

    standIn.SetFrequency(69, 440.0);
    EXPECT_EQ(client.TunedPitch(69), 8832);

    // Between table points the pitch is interpolated linearly and truncated.
    for (double cents : {1.0, 25.0, 50.0, 99.0}) {
        const double hz = CentsAboveA4(cents);
        standIn.SetFrequency(69, hz);
        const int expected = 8832 + static_cast<int>((hz - kA4) * 128.0 / (kBb4 - kA4));
        EXPECT_EQ(client.TunedPitch(69), expected) << cents << " cents";
        EXPECT_DOUBLE_EQ(client.NoteFrequency(69), hz);
    }

    // Every key reads its own entry.
    standIn.SetFrequency(60, noteFreqTable()[62]);
    EXPECT_EQ(client.TunedPitch(60), 62 * 128);
    EXPECT_EQ(client.TunedPitch(69), 8832 + static_cast<int>((CentsAboveA4(99.0) - kA4) * 128.0 / (kBb4 - kA4)));

    // A master that gives no usable frequency leaves the key equal-tempered.
    for (double bad : {0.0, -440.0, std::nan(""), HUGE_VAL}) {
        standIn.SetFrequency(70, bad);
        EXPECT_EQ(client.TunedPitch(70), 70 * 128) << bad;
    }
}

TEST_F(TuningWithMaster, FilteredKeysFollowTheMasterAndItsChannelMode)
{
    standIn.SetFiltered(60, true);
    standIn.SetFilteredMultiChannel(61, true);
    TuningClient client(binding);
    EXPECT_FALSE(client.ShouldFilterNote(60));  // no master yet
    EXPECT_EQ(standIn.LastFilterChannel(), -1);

    standIn.SetMaster(true);
    EXPECT_TRUE(client.ShouldFilterNote(60));
    EXPECT_FALSE(client.ShouldFilterNote(61));
    EXPECT_EQ(standIn.LastFilterChannel(), 0xFF);

    // The per-channel answer counts only when the client plays on several
    // channels and the master tunes per channel.
    standIn.SetMultiChannel(true);
    EXPECT_TRUE(client.ShouldFilterNote(60));
    client.SetMultiChannel(true);
    EXPECT_FALSE(client.ShouldFilterNote(60));
    EXPECT_TRUE(client.ShouldFilterNote(61));
    EXPECT_EQ(standIn.LastFilterChannel(), 0xFF);
    standIn.SetMultiChannel(false);
    EXPECT_TRUE(client.ShouldFilterNote(60));
}

TEST_F(TuningWithMaster, EachClientRegistersOnceAndDeregistersOnce)
{
    {
        std::vector<std::unique_ptr<TuningClient>> clients;
        for (int i = 0; i < 5; ++i) clients.push_back(std::make_unique<TuningClient>(binding));
        EXPECT_EQ(standIn.Clients(), 5);
        clients.erase(clients.begin() + 2);
        EXPECT_EQ(standIn.Clients(), 4);
    }
    EXPECT_EQ(standIn.Clients(), 0);
    EXPECT_EQ(standIn.Registrations(), 5);
    EXPECT_EQ(standIn.Deregistrations(), 5);
    EXPECT_EQ(standIn.Faults(), 0);
}

TEST(Tuning, LibraryMissingFunctionsLeavesEqualTemperament)
{
    StandInMts standIn{QOR_TEST_MTS_PARTIAL};
    const MtsEspLibrary partial{QOR_TEST_MTS_PARTIAL};
    ASSERT_TRUE(partial.IsOpen());
    standIn.SetMaster(true);  // the library cannot say so: its query is missing
    standIn.SetFrequency(69, 500.0);
    standIn.SetFiltered(69, true);
    {
        TuningClient client(partial);
        EXPECT_EQ(client.TunedPitch(69), 8832);
        EXPECT_FALSE(client.ShouldFilterNote(69));
        Engine engine;
        prepare(engine);
        engine.SetTuning(&client);
        noteOn(engine, 69);
        const Stereo out = render(engine, 44100);
        EXPECT_NEAR(zeroCrossingFrequency(out.left, 44100, 22050), 440.0, 0.1);
    }
    EXPECT_EQ(standIn.Registrations(), 1);  // deregistration is one of the missing functions
}

TEST_F(TuningWithMaster, EngineFiltersKeysAndSamplesTuningAtNoteStart)
{
    standIn.SetMaster(true);
    standIn.SetFiltered(62, true);
    const double sharp = CentsAboveA4(50.0);
    standIn.SetFrequency(69, sharp);
    TuningClient client(binding);
    Engine engine;
    prepare(engine);
    engine.SetParameterValue(kCutoff, 99);
    engine.SetTuning(&client);

    noteOn(engine, 62);
    Stereo out = render(engine, 4410);
    EXPECT_EQ(engine.heldKeys.Count(), 0);
    EXPECT_FALSE(engine.heldKeys.IsHeld(62));
    EXPECT_LT(peak(out.left), 1e-6);
    for (const Voice& voice : engine.voices) EXPECT_FALSE(voice.active);

    noteOn(engine, 69);
    out = render(engine, 44100);
    EXPECT_TRUE(engine.heldKeys.IsHeld(69));
    EXPECT_NEAR(zeroCrossingFrequency(out.left, 44100, 22050), pitchToFreq(freqToPitch(sharp)), 0.1);

    // The master retunes: the sounding note keeps its pitch, the next one takes the new tuning.
    standIn.SetFrequency(69, 500.0);
    out = render(engine, 44100);
    EXPECT_NEAR(zeroCrossingFrequency(out.left, 44100, 22050), pitchToFreq(freqToPitch(sharp)), 0.1);
    noteOff(engine, 69);
    render(engine, 44100);
    noteOn(engine, 69);
    out = render(engine, 44100);
    EXPECT_NEAR(zeroCrossingFrequency(out.left, 44100, 22050), pitchToFreq(freqToPitch(500.0)), 0.1);
}

}  // namespace
}  // namespace qor::test
