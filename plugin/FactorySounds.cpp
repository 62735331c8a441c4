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

    auto lock = LockMain();
    const int current = GetCurrentPresetIndex();
    std::vector<uint8_t> queue;
    queue.reserve(sysex::kBankDumpBytes);
    for (const uint8_t byte : *resource) {
        queue.push_back(byte);
        // The first refusal (memory protection) ends the restore.
        if (byte == sysex::kEnd && !ReceiveSysExMessages(queue)) return;
    }

    for (int k = 1; k <= kProgramsPerMemory; ++k) {
        RestorePreset(factory.firstSlot + k - 1);
        const std::string name = set == kRestoreTobin ? TobinPatchName(k)
                                 : std::string((set == kRestoreCartridge ? kCartridgeFactoryNames
                                                                         : kInternalFactoryNames)[static_cast<std::size_t>(k - 1)]);
        ModifyCurrentPreset(name.c_str());
    }
    RestorePreset(current);
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
