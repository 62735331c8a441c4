// Feeds arbitrary files to the program and bank file loaders of one plug-in
// instance. The first byte chooses the loader (0: program, 1: bank, 2: the
// factory bank's unchecked loader), the rest is the file. A refused file
// must change nothing: no slot's name or program, no live value, not the
// current program. An accepted one must leave every parameter in range.
//
// Loads change the instance, and a later refusal may depend on what earlier
// inputs left behind: the target keeps the inputs since its instance was made
// (InputHistory.h), writes them out when it stops, and replays such a file
// when started with QOR_FUZZ_REPLAY=<file>.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <sanitizer/common_interface_defs.h>

#include "framework/ProgramFiles.h"
#include "fuzz/FuzzInstance.h"
#include "fuzz/InputHistory.h"

namespace {

using qor::fuzz::Check;

std::unique_ptr<qor::QOR> plug;
qor::fuzz::InputHistory history("files-fuzz");

// Everything a load may change: the slots, the program as it plays with the
// user waves the engine reads, which program is current. A state begins with
// the program that was current when it was written and its name; readers
// skip both, so they are left out.
struct Snapshot {
    std::vector<std::string> names;
    std::vector<bool> initialized;
    std::vector<std::vector<uint8_t>> programs;
    std::vector<uint8_t> live;
    std::vector<uint8_t> playing;
    int current = 0;

    Snapshot()
    {
        for (int i = 0; i < plug->NPresets(); ++i) {
            const qor::IPresetSlot& slot = *plug->GetPresetSlot(i);
            names.emplace_back(slot.Name());
            initialized.push_back(slot.initialized);
            const auto program = plug->ProgramOf(slot.state.Bytes());
            programs.emplace_back(program.begin(), program.end());
        }
        qor::IChunk state;
        plug->SerializeState(state);
        const auto program = plug->ProgramOf(state.Bytes());
        live.assign(program.begin(), program.end());
        for (int m = 0; m < 2; ++m)
            playing.insert(playing.end(), plug->ActiveTable(m), plug->ActiveTable(m) + qor::kUserWaveBytes);
        current = plug->GetCurrentPresetIndex();
    }
    bool operator==(const Snapshot&) const = default;
};

void Renew()
{
    plug = qor::fuzz::MakeInstance();
    plug->writeProtect = false;
    history.Clear();
}

void LoadOne(const uint8_t* data, size_t size)
{
    if (history.Full()) Renew();
    history.Add(data, size);
    if (size == 0) return;
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
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qor::fuzz::UseTemporaryHome("files-fuzz");
    Renew();
    qor::fuzz::BeforeStop() = [] { history.Write(); };
    __sanitizer_set_death_callback([] { history.Write(); });
    if (const char* path = std::getenv("QOR_FUZZ_REPLAY")) {
        const auto inputs = qor::fuzz::InputHistory::Read(path);
        if (!inputs) {
            std::fprintf(stderr, "cannot read the history %s\n", path);
            std::exit(1);
        }
        for (const std::vector<uint8_t>& input : *inputs) LoadOne(input.data(), input.size());
        std::fprintf(stderr, "%zu inputs replayed, every promise kept\n", inputs->size());
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LoadOne(data, size);
    return 0;
}
