// Copying a whole program memory into the other one.
#include "plugin/QOR.h"

namespace qor {

void QOR::CopyMemory(int from, int to)
{
    if ((from != 0 && from != 1) || (to != 0 && to != 1) || from == to) return;
    auto lock = LockMain();
    ModifyCurrentPreset(nullptr);  // the working program's edits go with it
    for (int i = 0; i < kProgramsPerMemory; ++i) {
        const IPresetSlot* source = GetPresetSlot(from * kProgramsPerMemory + i);
        IPresetSlot* target = GetPresetSlot(to * kProgramsPerMemory + i);
        if (source && target) *target = *source;
    }
    const int current = GetCurrentPresetIndex();
    if (current / kProgramsPerMemory == to) {
        RestorePreset(current);
        NotifyHostOfProgramChange();
        NotifyHostOfAllParams();
    }
}

}  // namespace qor
