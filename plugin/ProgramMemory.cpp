// The two program memories in the 100 preset slots: storing the working
// program, restoring a slot into it, initialising, copy and paste.
#include <algorithm>
#include <string>

#include "plugin/FrontPanel.h"
#include "plugin/QOR.h"
#include "programs/UserWave.h"

namespace qor {

// Memory protection keeps every slot as it is; a store that asked for a name
// is remembered as refused, so that the panel can say so. The plug-in's own
// stores while it is being built are not refusals.
void QOR::ModifyCurrentPreset(const char* name)
{
    auto lock = LockMain();
    if (writeProtect) {
        if (!constructing && name && name[0]) storeRefused = true;
        return;
    }
    storeRefused = false;
    IPlugBase::ModifyCurrentPreset(name);
}

bool QOR::RestorePreset(int index)
{
    auto lock = LockMain();
    // Waves 32 and 34 name user waves relative to the program's own memory,
    // and the slot's state sets the waves: the engine must know the memory
    // before the state is applied, not after, or a cartridge program would
    // start on the internal user wave.
    const bool previousCartridge = CurrentIsCartridge();
    const bool valid = index >= 0 && index < NPresets();
    if (valid) engine.SetCurrentMemory(index >= kProgramsPerMemory);
    const bool ok = IPlugBase::RestorePreset(index);
    if (mPanel) mPanel->ProgramRestored();
    if (!ok) engine.SetCurrentMemory(previousCartridge);
    // Whatever the outcome, the engine plays the stored user waves.
    CopyStoredToActive(0, 0);
    CopyStoredToActive(1, 1);
    return ok;
}

// A host that keeps one program's chunk restores it straight into the working
// program; its stored user waves must sound at once, as after a program change.
void QOR::OnProgramStateLoaded()
{
    if (mPanel) mPanel->ProgramRestored();
    CopyStoredToActive(0, 0);
    CopyStoredToActive(1, 1);
}

// Both user waves start as the default triangle (internal) and pulse
// (cartridge), playing and kept with the program. They are the same for every
// program, so their tables and recipes come ready-made rather than analysed
// and rendered again each time.
void QOR::InitProgram()
{
    {
        auto lock = LockMain();
        for (int m = 0; m < 2; ++m) {
            const UserWaveForms& wave = DefaultUserWave(m);
            std::copy(wave.tables.begin(), wave.tables.end(), ActiveTable(m));
            recipes[static_cast<std::size_t>(m)] = wave.recipe;
        }
    }
    CopyActiveToStored(0, 0);
    CopyActiveToStored(1, 1);
    Synth::InitProgram();
}

void QOR::CopyProgram()
{
    auto lock = LockMain();
    copiedProgram = GetCurrentPresetIndex();
    clipboard.Clear();
    SerializeState(clipboard);
}

// The pasted user waves are kept with the working program; they sound once
// the program is next selected.
void QOR::PasteProgram()
{
    if (copiedProgram < 0 || clipboard.Empty()) return;
    auto lock = LockMain();
    UnserializeState(clipboard, 0);
    const std::string name = GetPresetName(copiedProgram);
    ModifyCurrentPreset(name.c_str());
    RefreshEditor();
    NotifyHostOfAllParams();
}

}  // namespace qor
