// Copying a whole program memory into the other one, as the hardware copies a
// cartridge: the programs and the memory's user wave go together. A program
// names its user waves relative to its own memory (wave 32 its memory's,
// 34 the other's), and each program carries both; so a program moved to the
// other memory has its two user waves exchanged, and sounds as it did.
#include <utility>

#include "plugin/QOR.h"

namespace qor {

void QOR::CopyMemory(int from, int to)
{
    if ((from != 0 && from != 1) || (to != 0 && to != 1) || from == to) return;
    auto lock = LockMain();
    ModifyCurrentPreset(nullptr);  // the working program's edits go with it
    // Each program passes through the working program to have its waves
    // exchanged; the working program is put back afterwards.
    IChunk working;
    SerializeState(working);
    for (int i = 0; i < kProgramsPerMemory; ++i) {
        IPresetSlot* source = GetPresetSlot(from * kProgramsPerMemory + i);
        IPresetSlot* target = GetPresetSlot(to * kProgramsPerMemory + i);
        if (!source || !target) continue;
        target->initialized = source->initialized;
        target->SetName(source->Name());
        if (UnserializeState(source->state, 0) <= 0) {
            target->state = source->state;  // not ours to read: moved as it is
            continue;
        }
        std::swap(recipes[0], recipes[1]);
        std::swap(storedTables[0], storedTables[1]);
        target->state.Clear();
        SerializeState(target->state);
    }
    UnserializeState(working, 0);
    const int current = GetCurrentPresetIndex();
    if (current / kProgramsPerMemory == to) RestorePreset(current);
    NotifyHostOfProgramChange();
    NotifyHostOfAllParams();
}

}  // namespace qor
