// Opens a web address in the musician's browser with the shell's "open"
// verb, first asking whether the machine is online. Both can take a while
// (a browser starting, a network probe), so they run on a thread of their
// own and the editor's thread never waits.
#pragma once

#include <string>

namespace qor {

// False when no thread could be started; the address is then not opened.
bool OpenInBrowser(const std::string& address);

}  // namespace qor
