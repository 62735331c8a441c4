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
    // Written here rather than taken over as it came (it did not read back
    // the same): it records the current program and its name.
    bool rewritten = false;
};

struct PreparedBank {
    std::vector<PreparedSlot> slots;
    // Where the bank ends in its chunk; -1 when it is broken (nothing is
    // applied then).
    int position = -1;
    // The current program and its name that the rewritten states record;
    // when either has changed by the time the bank is applied, those states
    // are stamped again (IPlugBase::RestampState).
    int current = 0;
    std::string liveName;
};

}  // namespace qor
