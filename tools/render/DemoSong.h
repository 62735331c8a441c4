// The demo song that gen-demo-midi writes to resources/demo/demo.mid.
#pragma once

#include "tools/render/MidiFileWriter.h"

#include <cstdint>
#include <vector>

namespace qor {

std::vector<MidiTrackWriter> demoSongTracks();
std::vector<uint8_t> demoSongBytes();

// The factory tour that gen-demo-midi writes to resources/demo/tour.mid:
// about 55 seconds in which program changes step through factory programs
// (keys, pads, brass, organ, bass, lead, mallets, bells, effects), each
// playing a short phrase of one tune. Meant for QOR's factory bank.
struct TourStop {
    int program;       // bank slot, 0..99
    const char* name;  // the factory program in that slot
    uint32_t tick;     // where its phrase starts
};
std::vector<TourStop> factoryTourStops();
std::vector<MidiTrackWriter> factoryTourTracks();
std::vector<uint8_t> factoryTourBytes();

}  // namespace qor
