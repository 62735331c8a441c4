#include "framework/windows/EditorWindowClass.h"

#include <mutex>

#include "framework/windows/WinApi.h"

namespace qor {

namespace {

std::mutex gLock;
int gUsers = 0;

}  // namespace

bool EditorWindowClass::Acquire(void* instance, void* windowProc)
{
    std::lock_guard<std::mutex> lock(gLock);
    if (gUsers == 0) {
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = reinterpret_cast<WNDPROC>(windowProc);
        wc.hInstance = static_cast<HINSTANCE>(instance);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kName;
        // A class left registered by an earlier load of this library (one
        // that was unloaded with a window open) may point at code that is
        // gone: it is made again with this load's window procedure.
        if (!RegisterClassA(&wc)) {
            if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS || !UnregisterClassA(kName, wc.hInstance) ||
                !RegisterClassA(&wc))
                return false;
        }
    }
    ++gUsers;
    return true;
}

void EditorWindowClass::Release(void* instance)
{
    std::lock_guard<std::mutex> lock(gLock);
    if (gUsers == 0) return;
    if (--gUsers == 0) UnregisterClassA(kName, static_cast<HINSTANCE>(instance));
}

int EditorWindowClass::Users()
{
    std::lock_guard<std::mutex> lock(gLock);
    return gUsers;
}

}  // namespace qor
