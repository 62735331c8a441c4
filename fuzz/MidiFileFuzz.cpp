// Feeds arbitrary bytes to the MIDI file reader: it must return a song or an
// error, never crash, hang or claim memory out of proportion to the input.
#include "tools/render/MidiFile.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    const auto song = qor::parseMidiFile(std::span<const uint8_t>(data, size), error);
    if (song) {
        // Whatever was read must be usable by the renderer.
        double previous = 0.0;
        for (const qor::MidiEvent& ev : song->events) {
            if (ev.seconds < previous || ev.bytes().empty()) __builtin_trap();
            previous = ev.seconds;
            (void)song->tempoMap.positionAt(ev.seconds);
        }
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
