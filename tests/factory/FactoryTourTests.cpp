// The factory tour, the demo a first-time user hears: the committed file is
// what the generator writes, its stops name the programs the factory bank
// holds, and played through the plug-in it really changes programs, every
// phrase sounds and nothing clips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <array>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plugin/QOR.h"
#include "programs/FactoryNames.h"
#include "tests/factory/FactoryAudition.h"
#include "tests/plugin/TestHome.h"
#include "tools/render/DemoSong.h"
#include "tools/render/MidiFile.h"

namespace qor::test {
namespace {

std::vector<uint8_t> CommittedTour()
{
    std::ifstream in(std::string(QOR_SOURCE_DIR) + "/resources/demo/tour.mid", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FactoryTour, CommittedFileIsWhatTheGeneratorMakesAndNamesBankPrograms)
{
    EXPECT_EQ(CommittedTour(), factoryTourBytes()) << "rerun gen-demo-midi";
    const auto stops = factoryTourStops();
    ASSERT_GE(stops.size(), 10u);
    for (const TourStop& stop : stops) {
        ASSERT_TRUE(stop.program >= 0 && stop.program < 100) << stop.name;
        const auto& names = stop.program < 50 ? kInternalFactoryNames : kCartridgeFactoryNames;
        EXPECT_EQ(names[static_cast<std::size_t>(stop.program % 50)], stop.name) << "slot " << stop.program;
    }
}

// Played the way qor-render plays it (events handed over at the start of
// the block they fall in, with their offsets), on a plug-in that has just
// loaded its factory bank.
TEST(FactoryTour, PlaysEveryStopOnItsProgramWithoutClipping)
{
    TestHome home;
    std::string error;
    const auto song = parseMidiFile(CommittedTour(), error);
    ASSERT_TRUE(song.has_value()) << error;
    EXPECT_GT(song->lengthSeconds, 40.0);
    EXPECT_LT(song->lengthSeconds, 70.0);

    QOR plug(nullptr);
    plug.SetSampleRate(kAuditionRate);
    plug.SetBlockSize(kAuditionBlock);
    plug.Reset();
    plug.OnActivate(true);

    const auto stops = factoryTourStops();
    std::vector<int> programAtStop(stops.size(), -1);
    std::vector<double> sumAtStop(stops.size(), 0.0);
    std::vector<std::size_t> framesAtStop(stops.size(), 0);
    double peak = 0.0;
    bool finite = true;
    const auto total = static_cast<std::size_t>((song->lengthSeconds + 1.0) * kAuditionRate);
    std::array<double, kAuditionBlock> left{}, right{};
    std::size_t next = 0;
    for (std::size_t pos = 0; pos < total; pos += kAuditionBlock) {
        for (; next < song->events.size(); ++next) {
            const MidiEvent& e = song->events[next];
            const auto frame = static_cast<std::size_t>(std::max<int64_t>(e.frameAt(kAuditionRate), 0));
            if (frame >= pos + kAuditionBlock) break;
            if (e.isSysEx() || e.shortSize == 0 || e.shortMessage[0] >= 0xF0) continue;
            IMidiMessage m;
            m.offset = static_cast<int32_t>(frame > pos ? frame - pos : 0);
            m.status = e.shortMessage[0];
            m.data1 = e.shortMessage[1];
            m.data2 = e.shortMessage[2];
            plug.ProcessMidi(&m);
        }
        std::array<double*, 2> out{left.data(), right.data()};
        plug.ProcessBlock(nullptr, out.data(), kAuditionBlock);

        // The stop this block belongs to, by the tour's own timing.
        const double seconds = static_cast<double>(pos) / kAuditionRate;
        std::size_t stop = 0;
        while (stop + 1 < stops.size() && song->tempoMap.secondsAt(stops[stop + 1].tick) <= seconds) ++stop;
        if (programAtStop[stop] < 0 && seconds > song->tempoMap.secondsAt(stops[stop].tick) + 0.1)
            programAtStop[stop] = plug.GetCurrentPresetIndex();
        for (std::size_t i = 0; i < left.size(); ++i) {
            finite = finite && std::isfinite(left[i]) && std::isfinite(right[i]);
            peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
            sumAtStop[stop] += left[i] * left[i] + right[i] * right[i];
        }
        framesAtStop[stop] += left.size();
    }
    EXPECT_TRUE(finite);
    EXPECT_LT(Decibels(peak), -1.0);
    for (std::size_t s = 0; s < stops.size(); ++s) {
        EXPECT_EQ(programAtStop[s], stops[s].program) << stops[s].name;
        const double rms = std::sqrt(sumAtStop[s] / (2.0 * static_cast<double>(std::max<std::size_t>(framesAtStop[s], 1))));
        EXPECT_GT(Decibels(rms), -35.0) << stops[s].name;
    }
}

}  // namespace
}  // namespace qor::test
