// A bank of preset slots read from a chunk and made ready to take the slots'
// place. Reading a bank means reading and re-writing every slot's state,
// which takes milliseconds; that happens on the loading thread without the
// main lock (IPlugBase::PreparePresets), and the slots then change in one
// short step under it (IPlugBase::ApplyPresets), so an audio block never
// waits for the reading and never plays a half-loaded bank.
#pragma once

#include <string>
#include <vector>

#include "framework/IChunk.h"

namespace qor {

struct PreparedSlot {
    std::string name;
    bool initialized = false;
    IChunk state;  // as the slot will hold it
};

struct PreparedBank {
    std::vector<PreparedSlot> slots;
    // Where the bank ends in its chunk; -1 when it is broken (nothing is
    // applied then).
    int position = -1;
    // A state that does not read back as it came is kept as the plug-in
    // writes it, and that records the current program and its name; these
    // are the ones it recorded. Such a bank no longer fits once either
    // changes before it is applied.
    bool rewritten = false;
    int current = 0;
    std::string liveName;
};

}  // namespace qor
