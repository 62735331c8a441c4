// MIDI records passed by pointer between the host binding, the plug-in and the
// engine. The caller owns them; they live only for the call that passes them.
#pragma once

#include <cstdint>

namespace qor {

// A short message. offset: sample frames from the start of the current block.
struct IMidiMessage {
    int32_t offset = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

// A System Exclusive message (F0 ... F7). It only points at the bytes, which
// belong to whoever built the message.
struct ISysExMessage {
    int32_t offset = 0;
    int32_t size = 0;
    const uint8_t* data = nullptr;
};

}  // namespace qor
