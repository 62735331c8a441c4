// The window procedure of the editor's window class. It finds the
// IGraphicsWin that CreateWindowEx was given and turns each Windows message
// into the editor's events: buttons with capture, double clicks, moves,
// drags, the pointer leaving, the wheel, keys (passed on to the host's
// top-level window when the editor does not take them), painting and the
// 40 ms timer.
#pragma once

namespace qor {

// The WNDPROC to register the class with.
void* EditorWindowProc();

}  // namespace qor
