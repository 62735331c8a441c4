// Copying a whole program memory into the other one, as the hardware copies a
// cartridge: the programs and the memory's user wave go together. A program
// names its user waves relative to its own memory (wave 32 its memory's,
// 34 the other's), and each program carries both; so a program moved to the
// other memory has its two user waves exchanged, and sounds as it did.
#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <utility>

#include "plugin/ProgramState.h"
#include "plugin/QOR.h"

namespace qor {

namespace {

// One memory's slots as they stood, and what each becomes in the other
// memory.
struct MemoryImage {
    struct Slot {
        std::string name;
        bool initialized = false;
        IChunk state;
        IChunk copy;
        bool rewritten = false;
    };
    std::array<Slot, QOR::kProgramsPerMemory> slots;
    int current = 0;
    std::string liveName;

    // Main lock held.
    void Take(QOR& plug, int memory)
    {
        current = plug.GetCurrentPresetIndex();
        liveName = plug.LiveProgramName();
        for (int i = 0; i < QOR::kProgramsPerMemory; ++i) {
            const IPresetSlot* slot = plug.GetPresetSlot(memory * QOR::kProgramsPerMemory + i);
            Slot& s = slots[static_cast<std::size_t>(i)];
            s.name = slot->Name();
            s.initialized = slot->initialized;
            s.state.Clear();
            s.state.PutChunk(slot->state);
        }
    }
    // Main lock held: true while the memory still holds what was taken.
    bool Current(QOR& plug, int memory) const
    {
        for (int i = 0; i < QOR::kProgramsPerMemory; ++i) {
            const IPresetSlot* slot = plug.GetPresetSlot(memory * QOR::kProgramsPerMemory + i);
            const Slot& s = slots[static_cast<std::size_t>(i)];
            if (s.name != slot->Name() || s.initialized != slot->initialized ||
                !std::ranges::equal(s.state.Bytes(), slot->state.Bytes()))
                return false;
        }
        return true;
    }
    // Each program with its two user waves exchanged, written as the working
    // program would write it; what is not ours to read moves as it is.
    void Exchange(const QOR& plug)
    {
        for (Slot& s : slots) {
            s.copy.Clear();
            s.rewritten = RewriteProgramState(plug, s.state, 0, current, liveName, true, s.copy) > 0;
            if (!s.rewritten) s.copy.PutChunk(s.state);
        }
    }
};

}  // namespace

// The programs are read and rewritten without the main lock; the target
// memory then changes in one step under it.
void QOR::CopyMemory(int from, int to)
{
    if ((from != 0 && from != 1) || (to != 0 && to != 1) || from == to) return;
    auto image = std::make_unique<MemoryImage>();
    {
        auto lock = LockMain();
        ModifyCurrentPreset(nullptr);  // the working program's edits go with it
        image->Take(*this, from);
    }
    image->Exchange(*this);

    auto lock = LockMain();
    // Rare: the memory changed meanwhile; then the copy is made here.
    if (!image->Current(*this, from)) {
        ModifyCurrentPreset(nullptr);
        image->Take(*this, from);
        image->Exchange(*this);
    }
    const bool stale = image->current != GetCurrentPresetIndex() || image->liveName != LiveProgramName();
    for (int i = 0; i < kProgramsPerMemory; ++i) {
        MemoryImage::Slot& s = image->slots[static_cast<std::size_t>(i)];
        IPresetSlot* target = GetPresetSlot(to * kProgramsPerMemory + i);
        target->initialized = s.initialized;
        target->SetName(s.name);
        if (stale && s.rewritten) RestampState(s.copy, GetCurrentPresetIndex(), LiveProgramName());
        std::swap(target->state, s.copy);
    }
    const int current = GetCurrentPresetIndex();
    if (current / kProgramsPerMemory == to) RestorePreset(current);
    NotifyHostOfProgramChange();
    NotifyHostOfAllParams();
}

}  // namespace qor
