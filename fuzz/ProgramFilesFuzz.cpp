// Feeds arbitrary files to the program and bank file loaders of one plug-in
// instance. The first byte chooses the loader (0: program, 1: bank, 2: the
// factory bank's unchecked loader), the rest is the file. A refused file
// must change nothing: no slot's name or program, no live value, not the
// current program. An accepted one must leave every parameter in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "framework/ProgramFiles.h"
#include "fuzz/FuzzInstance.h"

namespace {

using qor::fuzz::Check;

std::unique_ptr<qor::QOR> plug;

// Everything a load may change. A slot's state begins with the program that
// was current when it was written and that program's name; readers skip
// both, so they are left out.
struct Snapshot {
    std::vector<std::string> names;
    std::vector<bool> initialized;
    std::vector<std::vector<uint8_t>> programs;
    std::vector<double> live;
    int current = 0;

    Snapshot()
    {
        for (int i = 0; i < plug->NPresets(); ++i) {
            const qor::IPresetSlot& slot = *plug->GetPresetSlot(i);
            names.emplace_back(slot.Name());
            initialized.push_back(slot.initialized);
            int32_t nameLength = 0;
            const int skip = slot.state.GetInt32(nameLength, 13) < 0 || nameLength < 0 ? 0 : 17 + nameLength;
            const auto bytes = slot.state.Bytes();
            programs.emplace_back(bytes.begin() + std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(skip)), bytes.end());
        }
        for (int i = 0; i < plug->NParams(); ++i) live.push_back(plug->GetParam(i)->Value());
        current = plug->GetCurrentPresetIndex();
    }
    bool operator==(const Snapshot&) const = default;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    plug = qor::fuzz::NewInstance("files-fuzz");
    plug->writeProtect = false;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    // Exactly the file's size, so the address sanitizer sees any read past it.
    const std::vector<uint8_t> file(data + 1, data + size);
    const Snapshot before;
    bool loaded = false;
    switch (data[0] % 3) {
        case 0: loaded = qor::LoadProgramImage(*plug, file); break;
        case 1: loaded = qor::LoadBankImage(*plug, file); break;
        default: loaded = qor::LoadBankImageUnchecked(*plug, file); break;
    }
    if (!loaded) Check(Snapshot() == before);
    qor::fuzz::CheckInstance(*plug);
    return 0;
}
