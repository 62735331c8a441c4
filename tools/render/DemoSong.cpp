// The demo song: about 25 seconds of music written for this project
// (chords, bass, melody) to show off a polyphonic instrument. A format 1 file
// with a tempo track and three parts, sustain pedal, pitch bend, the
// modulation wheel and two tempo changes; the same bytes on every run.
// Below it, the factory tour (see DemoSong.h).
#include "tools/render/DemoSong.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qor {

namespace {

constexpr uint32_t kQuarter = 480;
constexpr uint32_t kEighth = kQuarter / 2;
constexpr uint32_t kHalf = kQuarter * 2;
constexpr uint32_t kBar = kQuarter * 4;
constexpr int kChannel = 0;  // everything on channel 1, so any synth plays all parts

// One chord per bar: A minor, F, C, G, D minor, F, G, E, A minor, A minor.
constexpr std::array<std::array<int, 4>, 10> kChords = {{
    {57, 60, 64, 0}, {57, 60, 65, 0}, {55, 60, 64, 0}, {55, 59, 62, 0}, {57, 62, 65, 0},
    {57, 60, 65, 0}, {55, 59, 62, 65}, {56, 59, 64, 0}, {57, 60, 64, 0}, {57, 60, 64, 69},
}};
constexpr std::array<int, 10> kBassRoots = {45, 41, 48, 43, 50, 41, 43, 40, 45, 33};

struct MelodyNote {
    uint32_t start;  // ticks from the bar start
    uint32_t length;
    int key;
};

// The tune, bar by bar (composed for this demo).
const std::array<std::vector<MelodyNote>, 10>& melody()
{
    static const std::array<std::vector<MelodyNote>, 10> bars = {{
        {{0, kQuarter, 76}, {kQuarter, kEighth, 74}, {kQuarter + kEighth, kEighth, 72}, {kHalf, kHalf, 69}},
        {{0, kQuarter, 72}, {kQuarter, kEighth, 69}, {kQuarter + kEighth, kEighth, 72}, {kHalf, kHalf, 77}},
        {{0, kQuarter + kEighth, 76}, {kQuarter + kEighth, kEighth, 74}, {kHalf, kQuarter, 72}, {kHalf + kQuarter, kQuarter, 67}},
        {{0, kHalf, 71}, {kHalf, kQuarter, 74}, {kHalf + kQuarter, kQuarter, 79}},
        {{0, kQuarter, 81}, {kQuarter, kEighth, 77}, {kQuarter + kEighth, kEighth, 76}, {kHalf, kHalf, 74}},
        {{0, kQuarter, 72}, {kQuarter, kQuarter, 74}, {kHalf, kQuarter, 77}, {kHalf + kQuarter, kQuarter, 81}},
        {{0, kQuarter + kEighth, 79}, {kQuarter + kEighth, kEighth, 77}, {kHalf, kQuarter, 74}, {kHalf + kQuarter, kQuarter, 71}},
        {{0, kHalf, 68}, {kHalf, kQuarter, 71}, {kHalf + kQuarter, kQuarter, 76}},
        {{0, kHalf, 69}, {kHalf, kQuarter, 72}, {kHalf + kQuarter, kQuarter, 76}},
        {{0, kBar * 3 / 2, 81}},
    }};
    return bars;
}

}  // namespace

std::vector<MidiTrackWriter> demoSongTracks()
{
    MidiTrackWriter conductor;
    conductor.name("QOR demo");
    conductor.timeSignature(0, 4, 4);
    conductor.tempo(0, 100.0);
    conductor.tempo(4 * kBar, 112.0);  // the second phrase moves on
    conductor.tempo(8 * kBar, 92.0);   // and the close broadens

    MidiTrackWriter chords;
    chords.name("Chords");
    MidiTrackWriter bass;
    bass.name("Bass");
    MidiTrackWriter lead;
    lead.name("Melody");

    for (uint32_t bar = 0; bar < kChords.size(); ++bar) {
        const uint32_t at = bar * kBar;
        const bool last = bar + 1 == kChords.size();
        // Pedal change: up at the bar line, down again just after the new chord.
        chords.controller(at, kChannel, 64, 0);
        chords.controller(at + 20, kChannel, 64, 127);
        const uint32_t chordLength = last ? kBar * 3 / 2 : kBar - kEighth;
        for (size_t i = 0; i < kChords[bar].size(); ++i) {
            if (kChords[bar][i] == 0) continue;
            // A slight spread, lowest note first, softer voices above.
            chords.note(at + static_cast<uint32_t>(i) * 12, chordLength, kChannel, kChords[bar][i],
                        72 - static_cast<int>(i) * 6);
        }
        const int root = kBassRoots[bar];
        if (last) {
            bass.note(at, kBar * 3 / 2, kChannel, root, 96);
        } else {
            bass.note(at, kHalf - 30, kChannel, root, 100);
            bass.note(at + kHalf, kQuarter - 30, kChannel, root, 84);
            bass.note(at + kHalf + kQuarter, kQuarter - 30, kChannel, root + 7, 80);
        }
        for (const MelodyNote& n : melody()[bar]) {
            // Accent on the beat, a little less off it.
            const int velocity = n.start % kQuarter == 0 ? 96 : 82;
            lead.note(at + n.start, n.length - 10, kChannel, n.key, velocity);
        }
    }
    // A scoop up into the high A of bar five, back to centre over an eighth.
    for (uint32_t step = 0; step <= 8; ++step) {
        lead.pitchBend(4 * kBar + step * (kEighth / 8), kChannel, -2048 + static_cast<int>(step) * 256);
    }
    // Vibrato swells in over the last two bars and is gone before the end.
    for (uint32_t step = 0; step <= 16; ++step) {
        lead.controller(8 * kBar + step * (kBar / 8), kChannel, 1, static_cast<int>(step) * 6);
    }
    const uint32_t end = 9 * kBar + kBar * 3 / 2;
    lead.controller(end, kChannel, 1, 0);
    chords.controller(end + kQuarter, kChannel, 64, 0);
    conductor.event(end + kQuarter, {0xFF, 0x01, 'e', 'n', 'd'});
    return {conductor, chords, bass, lead};
}

std::vector<uint8_t> demoSongBytes() { return midiFileBytes(1, static_cast<int>(kQuarter), demoSongTracks()); }


}  // namespace qor

// --- The factory tour ---------------------------------------------------
//
// One tune in A minor, passed from program to program two bars at a time;
// every phrase ends an eighth before the next program change so that the
// change never lands on a held key. Composed for this project.

namespace qor {

namespace {

constexpr uint32_t kSixteenth = kQuarter / 4;
constexpr uint32_t kDotted = kQuarter + kEighth;
constexpr uint32_t kPhrase = 2 * kBar;

struct Note {
    uint32_t at;  // ticks from the phrase start
    uint32_t length;
    int key;
    int velocity;
};

struct Phrase {
    TourStop stop;
    std::vector<Note> notes;
    uint32_t bars = 2;
    std::vector<std::pair<uint32_t, int>> bends;  // ticks from the phrase start, bend value
};

// A chord of keys struck together.
void chord(std::vector<Note>& out, uint32_t at, uint32_t length, const std::vector<int>& keys, int velocity)
{
    for (const int key : keys) out.push_back({at, length, key, velocity});
}

std::vector<Phrase> tourPhrases()
{
    std::vector<Phrase> phrases;
    auto add = [&](int program, const char* name, uint32_t bars = 2) -> std::vector<Note>& {
        phrases.push_back({{program, name, 0}, {}, bars, {}});
        return phrases.back().notes;
    };

    // Piano: the tune over open left-hand chords, touch shaping the line.
    auto& piano = add(0, "Piano");
    chord(piano, 0, kBar - kEighth, {45, 52, 57}, 70);
    chord(piano, kBar, kBar - kEighth, {41, 48, 57}, 66);
    for (const Note& n : std::initializer_list<Note>{{0, kQuarter, 76, 96},
                                                     {kQuarter, kEighth, 74, 80},
                                                     {kQuarter + kEighth, kEighth, 72, 78},
                                                     {kHalf, kHalf, 69, 88},
                                                     {kBar, kQuarter, 72, 90},
                                                     {kBar + kQuarter, kEighth, 69, 76},
                                                     {kBar + kDotted, kEighth, 72, 80},
                                                     {kBar + kHalf, kHalf - kEighth, 77, 100}})
        piano.push_back(n);

    // Tine electric piano with its tremolo: syncopated seventh chords.
    auto& tines = add(4, "Digi Piano II");
    for (uint32_t bar = 0; bar < 2; ++bar) {
        const uint32_t at = bar * kBar;
        const std::vector<int> keys = bar == 0 ? std::vector<int>{57, 60, 64, 67} : std::vector<int>{55, 59, 62, 65};
        chord(tines, at, kDotted - 20, keys, 84);
        chord(tines, at + kDotted, kDotted - 20, keys, 72);
        chord(tines, at + 2 * kDotted, kQuarter - 20, keys, 78);
        tines.push_back({at, kHalf, bar == 0 ? 45 : 43, 80});
    }

    // Ensemble strings swell through C and A minor.
    auto& strings = add(8, "Analog Strings");
    chord(strings, 0, kBar, {48, 55, 64, 67, 72}, 80);
    chord(strings, kBar, kBar - kEighth, {45, 57, 60, 64, 69}, 80);

    // Brass stabs: F and G on the beat and off it.
    auto& brass = add(10, "Brass");
    for (uint32_t bar = 0; bar < 2; ++bar) {
        const uint32_t at = bar * kBar;
        const std::vector<int> keys = bar == 0 ? std::vector<int>{53, 57, 60, 65} : std::vector<int>{55, 59, 62, 67};
        chord(brass, at, kEighth, keys, 110);
        chord(brass, at + kQuarter + kEighth, kEighth, keys, 100);
        chord(brass, at + kHalf + kQuarter, kQuarter, keys, 112);
    }

    // Rock organ: a shuffle on A minor and D.
    auto& organ = add(14, "Rock Organ");
    for (uint32_t beat = 0; beat < 8; ++beat) {
        const uint32_t at = beat * kQuarter;
        const std::vector<int> keys = beat < 4 ? std::vector<int>{57, 60, 64} : std::vector<int>{57, 62, 66};
        chord(organ, at, kEighth + 40, keys, 100);
        chord(organ, at + kEighth + 80, kEighth - 100, keys, 90);
    }

    // Lead Bass: a walking line at 16', gliding where the notes are tied.
    auto& bass = add(19, "Lead Bass");
    const std::array<int, 16> walk{45, 45, 52, 55, 57, 55, 52, 50, 48, 48, 55, 57, 52, 50, 47, 44};
    for (uint32_t i = 0; i < walk.size(); ++i) bass.push_back({i * kEighth, kEighth - 30, walk[i], i % 2 == 0 ? 104 : 88});

    // Lead Synth: the tune's answer, bending up into its first note.
    auto& lead = add(25, "Lead Synth");
    for (uint32_t step = 0; step <= 8; ++step)
        phrases.back().bends.emplace_back(step * (kEighth / 8), -4096 + static_cast<int>(step) * 512);
    for (const Note& n : std::initializer_list<Note>{{0, kDotted, 76, 100},
                                                     {kDotted, kEighth, 74, 90},
                                                     {kHalf, kEighth, 72, 90},
                                                     {kHalf + kEighth, kEighth, 74, 90},
                                                     {kHalf + kQuarter, kQuarter, 76, 96},
                                                     {kBar, kBar - kEighth, 81, 104}})
        lead.push_back(n);

    // Marimba: sixteenth-note arpeggios of A minor and E.
    auto& marimba = add(27, "Marimba");
    const std::array<int, 8> arpeggio{69, 72, 76, 81, 68, 71, 76, 80};
    for (uint32_t i = 0; i < 30; ++i) {
        const int key = arpeggio[(i / 16) * 4 + i % 4] + (i % 8 >= 4 ? 12 : 0) - 12;
        marimba.push_back({i * kSixteenth, kSixteenth, key, i % 4 == 0 ? 108 : 84});
    }

    // Tubular Bells: four strikes, the last one left to ring.
    auto& bells = add(30, "Tubular Bells");
    bells.push_back({0, kHalf, 69, 100});
    bells.push_back({kHalf, kHalf, 72, 90});
    bells.push_back({kBar, kHalf, 76, 96});
    bells.push_back({kBar + kHalf, kHalf - kEighth, 81, 110});

    // Sample & Hold: one chord held while the random filter steps over it.
    auto& random = add(42, "Sample & Hold");
    chord(random, 0, kPhrase - kEighth, {57, 64, 71}, 100);

    // Space Toms: three hits, then a fill falling down the kit.
    auto& toms = add(37, "Space Toms");
    toms.push_back({0, kQuarter, 48, 120});
    toms.push_back({kQuarter + kEighth, kEighth, 52, 100});
    toms.push_back({kHalf + kQuarter, kEighth, 57, 110});
    const std::array<int, 12> fill{72, 72, 69, 69, 67, 64, 64, 60, 57, 55, 52, 48};
    for (uint32_t i = 0; i < fill.size(); ++i)
        toms.push_back({kBar + i * kSixteenth, kSixteenth, fill[i], 90 + static_cast<int>(i % 3) * 10});

    // Celestial Pad: the last chord, held and left to fade.
    auto& pad = add(96, "Celestial Pad", 3);
    chord(pad, 0, 2 * kBar + kHalf, {45, 52, 57, 60, 64, 71}, 90);

    uint32_t tick = 0;
    for (Phrase& p : phrases) {
        p.stop.tick = tick;
        tick += p.bars * kBar;
    }
    return phrases;
}

}  // namespace

std::vector<TourStop> factoryTourStops()
{
    std::vector<TourStop> stops;
    for (const Phrase& p : tourPhrases()) stops.push_back(p.stop);
    return stops;
}

std::vector<MidiTrackWriter> factoryTourTracks()
{
    MidiTrackWriter conductor;
    conductor.name("QOR factory tour");
    conductor.timeSignature(0, 4, 4);
    conductor.tempo(0, 112.0);

    MidiTrackWriter tour;
    tour.name("Factory programs");
    uint32_t end = 0;
    for (const Phrase& p : tourPhrases()) {
        tour.programChange(p.stop.tick, kChannel, p.stop.program);
        end = p.stop.tick + p.bars * kBar;
        // Every key is up an eighth before the next program change.
        for (const Note& n : p.notes)
            tour.note(p.stop.tick + n.at, std::min(n.length, p.bars * kBar - kEighth - n.at), kChannel, n.key, n.velocity);
        for (const auto& [at, value] : p.bends) tour.pitchBend(p.stop.tick + at, kChannel, value);
    }
    conductor.event(end, {0xFF, 0x01, 'e', 'n', 'd'});
    return {conductor, tour};
}

std::vector<uint8_t> factoryTourBytes() { return midiFileBytes(1, static_cast<int>(kQuarter), factoryTourTracks()); }

}  // namespace qor
