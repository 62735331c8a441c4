#include "framework/windows/FileDialogThread.h"

#include <atomic>
#include <cctype>
#include <cstring>
#include <mutex>
#include <vector>

#include "framework/TextCopy.h"
#include "framework/windows/ModuleThread.h"
#include "framework/windows/WinApi.h"

#include <commdlg.h>
#include <objbase.h>

namespace qor {

struct FileDialogThread::Shared {
    IUserServices::FileRequest request;
    std::atomic<bool> done{false};
    std::string path;  // written by the dialog's thread before `done`

    std::mutex lock;  // guards the two below
    HWND dialog = nullptr;
    bool cancelled = false;
};

namespace {

// The dialog's own thread knows what it serves (a hook has no user data).
thread_local FileDialogThread::Shared* tServing = nullptr;

void PostCancel(HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }

// Watches the dialog thread's windows for the dialog itself: the first
// top-level dialog window activated there. A cancel asked before it existed
// is carried out the moment it does.
LRESULT CALLBACK WatchDialog(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && tServing) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char name[16] = {};
        if (!GetParent(window) && GetClassNameA(window, name, int(sizeof name)) > 0 &&
            std::strcmp(name, "#32770") == 0) {
            std::lock_guard<std::mutex> lock(tServing->lock);
            if (!tServing->dialog) {
                tServing->dialog = window;
                if (tServing->cancelled) PostCancel(window);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string CleanExtension(const std::string& extension)
{
    // Only letters and digits make an extension; the blank one of the
    // folder-choosing commands filters nothing.
    std::string clean;
    for (char c : extension)
        if (std::isalnum(static_cast<unsigned char>(c))) clean.push_back(c);
    return clean;
}

void RunDialog(FileDialogThread::Shared& shared)
{
    const IUserServices::FileRequest& request = shared.request;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    tServing = &shared;
    HHOOK hook = SetWindowsHookExA(WH_CBT, WatchDialog, nullptr, GetCurrentThreadId());

    std::vector<char> file(size_t(FileDialogThread::kPathCapacity), '\0');
    if (request.save) CopyText(file.data(), file.size(), request.proposedName);
    const std::string filter = FileDialogThread::Filter(request.extension);
    const std::string extension = CleanExtension(request.extension);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = DWORD(file.size());
    ofn.lpstrInitialDir = request.folder.empty() ? nullptr : request.folder.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                (request.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);

    bool cancelledFirst = false;
    {
        std::lock_guard<std::mutex> lock(shared.lock);
        cancelledFirst = shared.cancelled;
    }
    // The process's current folder is the host's. The flag above keeps the
    // save dialog from moving it, but the open dialog moves it regardless (and
    // Wine's dialogs both): it is put back as soon as the dialog returns.
    std::vector<char> hostFolder(MAX_PATH * 4, '\0');
    const DWORD folderLength = GetCurrentDirectoryA(DWORD(hostFolder.size()), hostFolder.data());
    const BOOL chosen = !cancelledFirst && (request.save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn));
    if (folderLength > 0 && folderLength < hostFolder.size()) SetCurrentDirectoryA(hostFolder.data());

    if (hook) UnhookWindowsHookEx(hook);
    tServing = nullptr;
    if (SUCCEEDED(com)) CoUninitialize();
    {
        std::lock_guard<std::mutex> lock(shared.lock);
        shared.dialog = nullptr;
    }
    if (chosen) shared.path = std::string(BoundedText(file.data(), file.size()));
    shared.done.store(true, std::memory_order_release);
}

}  // namespace

std::string FileDialogThread::Filter(const std::string& extension)
{
    std::string filter;
    const std::string clean = CleanExtension(extension);
    if (!clean.empty()) {
        std::string upper = clean;
        for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
        filter += upper + " files (*." + clean + ")" + '\0' + "*." + clean + '\0';
    }
    filter += std::string("All files (*.*)") + '\0' + "*.*" + '\0';
    filter += '\0';
    return filter;
}

std::unique_ptr<FileDialogThread> FileDialogThread::Start(const IUserServices::FileRequest& request)
{
    auto shared = std::make_shared<Shared>();
    shared->request = request;
    if (!RunOnModuleThread([shared] { RunDialog(*shared); })) return nullptr;
    return std::unique_ptr<FileDialogThread>(new FileDialogThread(std::move(shared)));
}

FileDialogThread::~FileDialogThread() { Cancel(); }

void FileDialogThread::Cancel()
{
    std::lock_guard<std::mutex> lock(mShared->lock);
    mShared->cancelled = true;
    if (mShared->dialog) PostCancel(mShared->dialog);
}

std::optional<std::string> FileDialogThread::Poll()
{
    if (!mShared->done.load(std::memory_order_acquire)) return std::nullopt;
    return mShared->path;
}

}  // namespace qor
