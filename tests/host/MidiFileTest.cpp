#include "tools/render/DemoSong.h"
#include "tools/render/MidiFile.h"
#include "tools/render/MidiFileWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace qor {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes header(int format, int tracks, int division)
{
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<uint8_t>(format), 0, static_cast<uint8_t>(tracks),
            static_cast<uint8_t>(division >> 8), static_cast<uint8_t>(division)};
}

Bytes track(const Bytes& events)
{
    const auto n = static_cast<uint32_t>(events.size());
    Bytes out{'M', 'T', 'r', 'k', static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
              static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
    out.insert(out.end(), events.begin(), events.end());
    return out;
}

Bytes file(const Bytes& head, std::initializer_list<Bytes> tracks)
{
    Bytes out = head;
    for (const Bytes& t : tracks) {
        const Bytes chunk = track(t);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

MidiSong parseOk(const Bytes& bytes)
{
    std::string error;
    auto song = parseMidiFile(bytes, error);
    EXPECT_TRUE(song.has_value()) << error;
    return song.value_or(MidiSong{});
}

std::string parseError(const Bytes& bytes)
{
    std::string error;
    EXPECT_FALSE(parseMidiFile(bytes, error).has_value());
    return error;
}

Bytes eventBytes(const MidiEvent& ev)
{
    const auto b = ev.bytes();
    return Bytes(b.begin(), b.end());
}

// A format 1 song with most of what the reader handles: tempo change, time
// signature, running status, a split SysEx, an escape and a meta text.
Bytes richFile()
{
    return file(header(1, 2, 96), {
        {0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08,   // 3/4
         0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,         // 500000 us
         0x81, 0x40, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90,   // tick 192: 250000 us
         0x00, 0xFF, 0x2F, 0x00},
        {0x00, 0x90, 0x3C, 0x64,                           // note on
         0x00, 0x40, 0x50,                                 // running status
         0x00, 0xFF, 0x01, 0x02, 'h', 'i',                 // meta text in between
         0x60, 0x3C, 0x00,                                 // running status across it
         0x00, 0xF0, 0x03, 0x41, 0x10, 0x42,               // SysEx, first packet
         0x10, 0xF7, 0x03, 0x12, 0x40, 0xF7,               // continuation ends it
         0x00, 0xF7, 0x01, 0xF8,                           // escape: a clock byte
         0x00, 0xE0, 0x00, 0x40,                           // bend centre
         0x00, 0xC0, 0x05,                                 // program change
         0x00, 0xFF, 0x2F, 0x00},
    });
}

TEST(MidiFile, ReadsFormat0WithRunningStatusAndAllChannelMessages)
{
    const MidiSong song = parseOk(file(header(0, 1, 96), {{
        0x00, 0x90, 0x3C, 0x64,
        0x00, 0x40, 0x64,        // running status: a second note-on
        0x30, 0xA0, 0x3C, 0x20,  // poly pressure
        0x00, 0xB0, 0x01, 0x40,  // controller
        0x00, 0xC0, 0x07,        // program change, one data byte
        0x00, 0xD0, 0x11,        // channel pressure, one data byte
        0x00, 0xE0, 0x00, 0x50,  // pitch bend
        0x30, 0x80, 0x3C, 0x40,
        0x00, 0x40, 0x40,        // running status note-off
        0x00, 0xFF, 0x2F, 0x00,
    }}));
    EXPECT_EQ(song.format, 0);
    ASSERT_EQ(song.events.size(), 9u);
    EXPECT_EQ(eventBytes(song.events[1]), (Bytes{0x90, 0x40, 0x64}));
    EXPECT_EQ(eventBytes(song.events[4]), (Bytes{0xC0, 0x07}));
    EXPECT_EQ(eventBytes(song.events[5]), (Bytes{0xD0, 0x11}));
    EXPECT_EQ(eventBytes(song.events[6]), (Bytes{0xE0, 0x00, 0x50}));
    EXPECT_EQ(eventBytes(song.events[8]), (Bytes{0x80, 0x40, 0x40}));
    // 96 ticks per quarter at the default 120 per minute: 48 ticks = 0.25 s.
    EXPECT_DOUBLE_EQ(song.events[2].seconds, 0.25);
    EXPECT_DOUBLE_EQ(song.events[8].seconds, 0.5);
    EXPECT_DOUBLE_EQ(song.lengthSeconds, 0.5);
    EXPECT_EQ(song.events[8].frameAt(44100.0), 22050);
}

TEST(MidiFile, MergesFormat1TracksStablyAndAppliesTempoChangesAcrossTracks)
{
    const MidiSong song = parseOk(richFile());
    EXPECT_EQ(song.format, 1);
    EXPECT_EQ(song.trackCount, 2);
    ASSERT_EQ(song.events.size(), 7u);
    // Equal ticks keep file order within the track.
    EXPECT_EQ(eventBytes(song.events[0]), (Bytes{0x90, 0x3C, 0x64}));
    EXPECT_EQ(eventBytes(song.events[1]), (Bytes{0x90, 0x40, 0x50}));
    EXPECT_EQ(eventBytes(song.events[2]), (Bytes{0x90, 0x3C, 0x00}));
    // The SysEx split into two packets arrives whole, at its first packet's time.
    EXPECT_TRUE(song.events[3].isSysEx());
    EXPECT_EQ(eventBytes(song.events[3]), (Bytes{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0xF7}));
    EXPECT_EQ(song.events[3].tick, 96u);
    EXPECT_EQ(eventBytes(song.events[4]), (Bytes{0xF8}));
    EXPECT_EQ(song.events[4].tick, 112u);
    EXPECT_EQ(eventBytes(song.events[6]), (Bytes{0xC0, 0x05}));

    // Tracks appended in order keep that order at equal ticks.
    MidiTrackWriter a;
    MidiTrackWriter b;
    a.controller(10, 0, 7, 1);
    b.controller(10, 0, 7, 2);
    a.controller(10, 0, 7, 3);
    const std::array<MidiTrackWriter, 2> tracks{a, b};
    const MidiSong merged = parseOk(midiFileBytes(1, 96, tracks));
    ASSERT_EQ(merged.events.size(), 3u);
    EXPECT_EQ(merged.events[0].shortMessage[2], 1);
    EXPECT_EQ(merged.events[1].shortMessage[2], 3);
    EXPECT_EQ(merged.events[2].shortMessage[2], 2);
    EXPECT_EQ(merged.events[2].track, 1);
}

TEST(MidiFile, TempoChangeMidSongMovesLaterEventsExactly)
{
    // Tempo in track 0, notes in track 1: 0.5 s per quarter, then from tick
    // 192 on 0.25 s per quarter.
    const MidiSong song = parseOk(file(header(1, 2, 96), {
        {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x81, 0x40, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, 0x00, 0xFF, 0x2F, 0x00},
        {0x60, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x60, 0x3E, 0x64, 0x60, 0x3E, 0x00, 0x00, 0xFF, 0x2F, 0x00},
    }));
    ASSERT_EQ(song.events.size(), 4u);
    EXPECT_DOUBLE_EQ(song.events[0].seconds, 0.5);
    EXPECT_DOUBLE_EQ(song.events[1].seconds, 1.0);
    EXPECT_DOUBLE_EQ(song.events[2].seconds, 1.25);
    EXPECT_DOUBLE_EQ(song.events[3].seconds, 1.5);
    EXPECT_EQ(song.events[3].frameAt(48000.0), 72000);

    // The transport a plug-in is told follows the same map.
    const MusicalPosition at = song.tempoMap.positionAt(1.25);
    EXPECT_DOUBLE_EQ(at.quarters, 3.0);
    EXPECT_DOUBLE_EQ(at.tempo, 240.0);
    EXPECT_DOUBLE_EQ(song.tempoMap.positionAt(0.75).tempo, 120.0);
}

TEST(MidiFile, TimeSignatureGivesBarStartsAndSmpteDivisionRunsOnTheClock)
{
    const MidiSong song = parseOk(richFile());  // 3/4 at 120, 240 from quarter 2
    MusicalPosition at = song.tempoMap.positionAt(0.9);  // quarter 1.8
    EXPECT_EQ(at.numerator, 3);
    EXPECT_EQ(at.denominator, 4);
    EXPECT_DOUBLE_EQ(at.barStartQuarters, 0.0);
    at = song.tempoMap.positionAt(1.5);  // quarter 4
    EXPECT_DOUBLE_EQ(at.quarters, 4.0);
    EXPECT_DOUBLE_EQ(at.barStartQuarters, 3.0);

    // 25 frames of 40 ticks: 1000 ticks per second whatever the tempo says.
    const MidiSong smpte = parseOk(file(header(0, 1, 0xE728), {{
        0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, 0x83, 0x74, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00,
    }}));
    ASSERT_EQ(smpte.events.size(), 1u);
    EXPECT_DOUBLE_EQ(smpte.events[0].seconds, 0.5);
    EXPECT_DOUBLE_EQ(smpte.tempoMap.positionAt(0.5).quarters, 2.0);  // 240 per minute
    EXPECT_NE(parseError(file(header(0, 1, 0xE928), {{0x00, 0xFF, 0x2F, 0x00}})).find("SMPTE"), std::string::npos);
}

TEST(MidiFile, SysExIsKeptByteExact)
{
    Bytes payload;
    for (int i = 0; i < 300; ++i) payload.push_back(static_cast<uint8_t>(i * 7 % 128));
    payload.push_back(0xF7);
    Bytes events{0x00, 0xF0, 0x82, 0x2D};  // length 301 as a two-byte quantity
    events.insert(events.end(), payload.begin(), payload.end());
    events.insert(events.end(), {0x00, 0xFF, 0x2F, 0x00});
    const MidiSong song = parseOk(file(header(0, 1, 96), {events}));
    ASSERT_EQ(song.events.size(), 1u);
    Bytes expected{0xF0};
    expected.insert(expected.end(), payload.begin(), payload.end());
    EXPECT_EQ(eventBytes(song.events[0]), expected);
}

TEST(MidiFile, EveryTruncationFailsCleanly)
{
    const Bytes full = richFile();
    parseOk(full);
    for (size_t n = 0; n < full.size(); ++n) {
        std::string error;
        const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(parseMidiFile(prefix, error).has_value()) << "prefix of " << n << " bytes";
        EXPECT_FALSE(error.empty()) << "prefix of " << n << " bytes";
    }
}

TEST(MidiFile, RefusesAbsurdLengthsAndMalformedData)
{
    // A track chunk claiming 4 GiB.
    Bytes huge = header(0, 1, 96);
    huge.insert(huge.end(), {'M', 'T', 'r', 'k', 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0x2F, 0x00});
    EXPECT_FALSE(parseError(huge).empty());
    // A SysEx length of 2^28 - 1 in a short track.
    EXPECT_NE(parseError(file(header(0, 1, 96), {{0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0xF7}})).find("SysEx"),
              std::string::npos);
    // A five-byte variable-length quantity.
    EXPECT_NE(parseError(file(header(0, 1, 96), {{0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 0x3C, 0x64}})).find("delta"),
              std::string::npos);
    EXPECT_NE(parseError(file(header(0, 1, 96), {{0x00, 0x3C, 0x64}})).find("without a status"), std::string::npos);
    EXPECT_NE(parseError(file(header(0, 1, 96), {{0x00, 0xF4}})).find("0xF4"), std::string::npos);
    EXPECT_NE(parseError(file(header(0, 1, 96), {{0x00, 0x90, 0x3C, 0x90}})).find("status byte inside"),
              std::string::npos);
    EXPECT_NE(parseError(file(header(0, 1, 96), {{0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00}})).find("tempo"),
              std::string::npos);
    EXPECT_NE(parseError(file(header(2, 1, 96), {{0x00, 0xFF, 0x2F, 0x00}})).find("format 2"), std::string::npos);
    EXPECT_NE(parseError(file(header(0, 1, 0), {{0x00, 0xFF, 0x2F, 0x00}})).find("division"), std::string::npos);
    EXPECT_NE(parseError(file(header(1, 3, 96), {{0x00, 0xFF, 0x2F, 0x00}})).find("track 2 of 3"),
              std::string::npos);
    EXPECT_NE(parseError(Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0}).find("MThd"), std::string::npos);
    // Unknown chunks are skipped, not taken for tracks.
    Bytes withJunk = header(0, 1, 96);
    withJunk.insert(withJunk.end(), {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2});
    const Bytes t = track({0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00});
    withJunk.insert(withJunk.end(), t.begin(), t.end());
    EXPECT_EQ(parseOk(withJunk).events.size(), 1u);
}

TEST(MidiFile, LoadsFromDiskAndReportsMissingFiles)
{
    std::string error;
    EXPECT_FALSE(loadMidiFile("/nonexistent/song.mid", error).has_value());
    EXPECT_NE(error.find("/nonexistent/song.mid"), std::string::npos);
    // A folder opens like a file here, but is neither too large nor a song.
    error.clear();
    EXPECT_FALSE(loadMidiFile(QOR_SOURCE_DIR, error).has_value());
    EXPECT_EQ(error, "cannot read MIDI file " + std::string(QOR_SOURCE_DIR) + ": it is a folder");

    const auto song = loadMidiFile(std::string(QOR_SOURCE_DIR) + "/resources/demo/demo.mid", error);
    ASSERT_TRUE(song.has_value()) << error;
    EXPECT_EQ(song->format, 1);
}

TEST(DemoSong, CommittedFileIsWhatTheGeneratorMakesAndExercisesTheReader)
{
    std::ifstream in(std::string(QOR_SOURCE_DIR) + "/resources/demo/demo.mid", std::ios::binary);
    const Bytes committed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(committed, demoSongBytes()) << "rerun gen-demo-midi";

    const MidiSong song = parseOk(committed);
    EXPECT_GE(song.trackCount, 3);
    EXPECT_GE(song.lengthSeconds, 20.0);
    EXPECT_LE(song.lengthSeconds, 30.0);
    int bends = 0, pedal = 0, modWheel = 0, notesOn = 0, notesOff = 0;
    for (const MidiEvent& ev : song.events) {
        const int kind = ev.shortMessage[0] & 0xF0;
        bends += kind == 0xE0;
        pedal += kind == 0xB0 && ev.shortMessage[1] == 64;
        modWheel += kind == 0xB0 && ev.shortMessage[1] == 1;
        notesOn += kind == 0x90 && ev.shortMessage[2] > 0;
        notesOff += kind == 0x80;
    }
    EXPECT_GT(bends, 0);
    EXPECT_GT(pedal, 0);
    EXPECT_GT(modWheel, 0);
    EXPECT_EQ(notesOn, notesOff);
    EXPECT_GT(notesOn, 50);
    // Two tempo changes after the start.
    EXPECT_NE(song.tempoMap.positionAt(1.0).tempo, song.tempoMap.positionAt(12.0).tempo);
    EXPECT_NE(song.tempoMap.positionAt(12.0).tempo, song.tempoMap.positionAt(song.lengthSeconds).tempo);
}

}  // namespace
}  // namespace qor
