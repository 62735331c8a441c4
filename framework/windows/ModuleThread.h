// Work that must not hold the editor's thread (a file dialog, handing an
// address to the browser) runs on a thread of its own. The thread keeps the
// plug-in's library loaded until its work returns, so a host that closes the
// editor and unloads the plug-in while a dialog is still open unloads nothing
// under the running code: the library goes when the thread ends.
//
// The thread is never waited for. Whatever it shares with the editor it holds
// by shared ownership, so it may outlive the editor and the instrument.
#pragma once

#include <functional>

namespace qor {

// The module (HMODULE) holding this code: the plug-in's DLL, or the program
// it is linked into.
void* ThisModule();

// Starts `work` on a new thread; false (and nothing runs) when no thread can
// be made. `threadId` receives the new thread's identifier.
bool RunOnModuleThread(std::function<void()> work, unsigned long* threadId = nullptr);

}  // namespace qor
