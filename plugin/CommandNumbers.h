// The numbers of the utility commands, as the utility menu and the editor's
// utility buttons run them. The numbers are positions in the utility menu
// (items in a submenu count from the submenu's base), so they also say where
// each item stands.
#pragma once

namespace qor::command {

inline constexpr int kCopyProgram = 0;
inline constexpr int kPasteProgram = 1;
inline constexpr int kInitProgram = 2;
inline constexpr int kLoadProgram = 4;
inline constexpr int kSaveProgram = 5;
inline constexpr int kLoadBank = 6;
inline constexpr int kSaveBank = 7;
inline constexpr int kLoadSysExFile = 10;
inline constexpr int kSaveSysExProgram = 11;
inline constexpr int kSaveSysExBank = 12;
inline constexpr int kSelectStartupBank = 17;
inline constexpr int kLoadStartupBank = 18;
inline constexpr int kUnselectStartupBank = 19;
inline constexpr int kProgramFolder = 21;
inline constexpr int kSysExFolder = 22;
inline constexpr int kShowInformation = 24;
inline constexpr int kReloadConfiguration = 25;
inline constexpr int kSaveConfiguration = 26;
inline constexpr int kRestoreInternal = 29;
inline constexpr int kRestoreCartridge = 30;
inline constexpr int kLoadTobins = 31;
inline constexpr int kLoadUserWaveInternal = 32;
inline constexpr int kLoadUserWaveCartridge = 33;
inline constexpr int kSaveUserWaveInternal = 34;
inline constexpr int kSaveUserWaveCartridge = 35;
inline constexpr int kSaveUserWaveSysExInternal = 36;
inline constexpr int kSaveUserWaveSysExCartridge = 37;
inline constexpr int kMidiThru = 38;
inline constexpr int kIgnoreProgramChange = 39;
inline constexpr int kSendParameterSysEx = 40;
inline constexpr int kCheckForUpdate = 41;
// Not a command: the menu's last item opens the maker's web page.
inline constexpr int kVisitMaker = 42;

}  // namespace qor::command
