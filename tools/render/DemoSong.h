// The demo song that gen-demo-midi writes to resources/demo/demo.mid.
#pragma once

#include "tools/render/MidiFileWriter.h"

#include <cstdint>
#include <vector>

namespace qor {

std::vector<MidiTrackWriter> demoSongTracks();
std::vector<uint8_t> demoSongBytes();

}  // namespace qor
