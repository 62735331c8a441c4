// The utility menu as the musician sees it when clicking the utility control:
// built afresh on each click from the instrument's state at that moment.
// Every item answers its command number (CommandNumbers.h).
#pragma once

#include <string>

#include "framework/IPopupMenu.h"

namespace qor {

struct UtilityMenuState {
    bool clipboardFull = false;
    bool startupBankSet = false;
    bool midiThru = false;
    // Shown checked when the option is on or the K3 Function level keeps
    // program changes out anyway.
    bool ignoreProgramChangeShown = false;
    bool sendParameterSysEx = false;
    bool showInformation = false;
    // The maker's web domain for the last item ("Visit <domain>"); the online
    // items are disabled while nobody answers them.
    std::string makerDomain;
    bool updateCheckAvailable = false;
    bool visitAvailable = false;
};

IPopupMenu BuildUtilityMenu(const UtilityMenuState& state);

}  // namespace qor
