// The factory sound sets carried in the plug-in's resources: the factory
// bank loaded when the plug-in is built, and the three SysEx sets the user
// may restore. The sets go through the same receiver as the hardware's
// messages, so they are decoded exactly as a dump from the instrument.
#include <string>
#include <string_view>
#include <vector>

#include "framework/ProgramFiles.h"
#include "platform/Resources.h"
#include "plugin/CommandNumbers.h"
#include "plugin/QOR.h"
#include "programs/FactoryNames.h"
#include "programs/SysExCodec.h"

namespace qor {

namespace {

// The three restores are asked for by their command numbers.
constexpr int kRestoreInternal = command::kRestoreInternal;
constexpr int kRestoreCartridge = command::kRestoreCartridge;
constexpr int kRestoreTobin = command::kLoadTobins;

struct FactorySet {
    std::string_view type;
    std::size_t size;
    int firstSlot;
};

}  // namespace

void QOR::RestoreFactorySounds(int set)
{
    if (set != kRestoreInternal && set != kRestoreCartridge && set != kRestoreTobin) return;
    const FactorySet factory = set == kRestoreInternal    ? FactorySet{"FACTORY_INT", 3508, 0}
                               : set == kRestoreCartridge ? FactorySet{"FACTORY_CRD", 3508, kProgramsPerMemory}
                                                          : FactorySet{"TOBINS_PATCHES", 3900, 0};
    const auto resource = platform::FindResource(factory.type, "SYX");
    if (!resource || resource->size() != factory.size) return;

    // Decoded without the main lock; the set, its names and the program that
    // was current (with its new content) then land in one step under it. The first refusal (memory
    // protection) ends the restore.
    ReceiveSysExBytes(*resource, OnRefusal::kStop, [&](int current) {
        for (int k = 1; k <= kProgramsPerMemory; ++k) {
            const std::string name = set == kRestoreTobin ? TobinPatchName(k)
                                     : std::string((set == kRestoreCartridge ? kCartridgeFactoryNames
                                                                             : kInternalFactoryNames)[static_cast<std::size_t>(k - 1)]);
            // The slot holds the set's program already: only its name is new.
            if (IPresetSlot* slot = GetPresetSlot(factory.firstSlot + k - 1)) slot->SetName(name);
        }
        storeRefused = false;
        RestorePreset(current);
    });
}

bool QOR::LoadFactoryBank()
{
    const auto resource = platform::FindResource("FACTORY", "FXB");
    return resource && LoadBankImageUnchecked(*this, *resource);
}

bool QOR::LoadStartupBank()
{
    return LoadBankFile(*this, startupBankPath);
}

}  // namespace qor
