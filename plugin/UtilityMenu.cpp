#include "plugin/UtilityMenu.h"

#include "plugin/CommandNumbers.h"

namespace qor {

IPopupMenu BuildUtilityMenu(const UtilityMenuState& state)
{
    using namespace command;
    IPopupMenu menu;
    menu.Add("Copy Program", kCopyProgram);
    menu.Add("Paste Program", kPasteProgram).disabled = !state.clipboardFull;
    menu.Add("Init Program", kInitProgram);

    menu.AddSeparator();
    menu.Add("Load Program", kLoadProgram);
    menu.Add("Save Program", kSaveProgram);
    menu.Add("Load Bank", kLoadBank);
    menu.Add("Save Bank", kSaveBank);
    IPopupMenu& restore = menu.AddSubmenu("Restore Sounds...");
    restore.Add("Restore Internal Factory Sounds", kRestoreInternal);
    restore.Add("Restore Cartridge Factory Sounds", kRestoreCartridge);
    restore.Add("Load Tobin's Sounds (Internal)", kLoadTobins);

    menu.AddSeparator();
    menu.Add("Load SysEx File", kLoadSysExFile);
    menu.Add("Save SysEx Program File", kSaveSysExProgram);
    menu.Add("Save SysEx Bank File", kSaveSysExBank);

    menu.AddSeparator();
    IPopupMenu& loadWave = menu.AddSubmenu("Load User Wave...");
    loadWave.Add("Load User Wave (I) from File", kLoadUserWaveInternal);
    loadWave.Add("Load User Wave (C) from File", kLoadUserWaveCartridge);
    IPopupMenu& saveWave = menu.AddSubmenu("Save User Wave...");
    saveWave.Add("Save User Wave (I) to File", kSaveUserWaveInternal);
    saveWave.Add("Save User Wave (C) to File", kSaveUserWaveCartridge);
    saveWave.Add("Save User Wave (I) to SysEx File", kSaveUserWaveSysExInternal);
    saveWave.Add("Save User Wave (C) to SysEx File", kSaveUserWaveSysExCartridge);

    menu.AddSeparator();
    menu.Add("Select Startup Bank", kSelectStartupBank);
    menu.Add("Load Startup Bank", kLoadStartupBank).disabled = !state.startupBankSet;
    menu.Add("Unselect Startup Bank", kUnselectStartupBank).disabled = !state.startupBankSet;

    menu.AddSeparator();
    menu.Add("Default Path for Program Files", kProgramFolder);
    menu.Add("Default Path for SysEx/WAV Files", kSysExFolder);
    IPopupMenu& midi = menu.AddSubmenu("Global MIDI Settings...");
    midi.Add("MIDI Thru", kMidiThru).checked = state.midiThru;
    midi.Add("Ignore Program Change", kIgnoreProgramChange).checked = state.ignoreProgramChangeShown;
    midi.Add("Send SysEx on Parameter Change", kSendParameterSysEx).checked = state.sendParameterSysEx;
    menu.Add("Show Additional Information", kShowInformation).checked = state.showInformation;
    menu.Add("Reload Configuration", kReloadConfiguration);
    menu.Add("Save Configuration", kSaveConfiguration);

    menu.AddSeparator();
    IPopupMenu& online = menu.AddSubmenu("Go Online...");
    online.Add("Check Online for Update", kCheckForUpdate).disabled = !state.updateCheckAvailable;
    online.Add("Visit " + state.makerDomain, kVisitMaker).disabled = !state.visitAvailable;
    return menu;
}

}  // namespace qor
