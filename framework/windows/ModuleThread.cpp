#include "framework/windows/ModuleThread.h"

#include <memory>

#include "framework/windows/WinApi.h"

namespace qor {

namespace {

struct Start {
    std::function<void()> work;
    HMODULE module;
};

DWORD WINAPI ThreadMain(void* argument)
{
    HMODULE module = nullptr;
    {
        std::unique_ptr<Start> start(static_cast<Start*>(argument));
        module = start->module;
        start->work();
    }  // everything of ours is destroyed while the library is still there
    FreeLibraryAndExitThread(module, 0);
}

}  // namespace

void* ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

bool RunOnModuleThread(std::function<void()> work, unsigned long* threadId)
{
    // One more reference on the library, given back by the thread as it ends.
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&ThreadMain),
                            &module))
        return false;
    auto start = std::make_unique<Start>(Start{std::move(work), module});
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, ThreadMain, start.get(), 0, &id);
    if (!thread) {
        FreeLibrary(module);
        return false;
    }
    start.release();  // the thread owns it now
    CloseHandle(thread);
    if (threadId) *threadId = id;
    return true;
}

}  // namespace qor
