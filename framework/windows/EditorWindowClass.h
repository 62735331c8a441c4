// The window class of the editor's window, "IPlugWndClass": an arrow cursor
// and double-click messages. It is registered when the first editor window of
// the process opens and unregistered when the last one has closed, so a host
// that unloads the plug-in finds no class of ours left behind.
//
// Editor threads (a host may run one per window): the count is guarded.
#pragma once

namespace qor {

class EditorWindowClass {
public:
    static constexpr const char* kName = "IPlugWndClass";

    // One more window is about to be made with the class; registers it with
    // the first. False (and nothing is counted) when it cannot be registered.
    // `instance` is the module (HINSTANCE), `windowProc` its WNDPROC.
    static bool Acquire(void* instance, void* windowProc);
    // That window is gone (or could not be made); unregisters with the last.
    static void Release(void* instance);
    // The windows counted now.
    static int Users();
};

}  // namespace qor
