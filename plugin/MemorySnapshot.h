// Everything a load into the program memories can change, kept aside so that
// a load that fails half-way can be undone: the 100 slots, which program is
// current, and the working program as it plays (its unsaved edits, name and
// user waves included). Used where a loader itself cannot promise to change
// nothing on failure (a SysEx file may hold several messages, and those
// before a refused one have been applied).
//
// Threads: the editor thread, with the main lock held from taking the
// snapshot to deciding whether to restore it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/IChunk.h"
#include "framework/IPresetSlot.h"
#include "engine/Oscillator.h"

namespace qor {

class QOR;

class MemorySnapshot {
public:
    explicit MemorySnapshot(QOR& plug);
    // Puts everything back as it was when the snapshot was taken.
    void Restore();

private:
    QOR& mPlug;
    std::vector<IPresetSlot> mSlots;
    int mCurrent = 0;
    std::string mLiveName;
    IChunk mWorking;
    std::array<std::array<uint8_t, kUserWaveBytes>, 2> mActive{};
    bool mEdited = false;
};

}  // namespace qor
