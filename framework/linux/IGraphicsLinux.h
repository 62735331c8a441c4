// The editor on Linux: the portable editor in an X11 child window of the
// host's window (XcbEditorWindow), with message boxes, popup menus and the
// text entry drawn inside the editor (IDialogLayer), file dialogs run as a
// separate program and web addresses opened with xdg-open.
//
// Editor thread only. The host's idle call (effEditIdle, no lock held) does
// everything: it takes the window's events without waiting for more, picks up
// the answers of dialogs and boxes and runs their continuations, and repaints
// the dirty controls at most 25 times a second, however often it is called.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/IGraphicsWindowed.h"
#include "framework/linux/ChildProcess.h"
#include "framework/linux/FileDialogProcess.h"
#include "framework/linux/XcbEditorWindow.h"

namespace qor {

class IGraphicsLinux : public IGraphicsWindowed, private IWindowEvents {
public:
    // Repaints are at least this far apart.
    static constexpr std::chrono::milliseconds kFramePeriod{1000 / kRedrawRate};
    // The path entry that serves where no file dialog program exists.
    static constexpr int kPathLength = 1024;

    IGraphicsLinux(IPlugBase& plug, int width, int height);
    ~IGraphicsLinux() override;

    // `parent` carries the host's X window id.
    bool OpenWindow(void* parent) override;
    void CloseWindow() override;
    bool WindowIsOpen() const override { return mWindow != nullptr; }
    void Idle() override;

    void CreateTextEntry(IControl& control, const IText& style, const gfx::Rect& box, const std::string& text,
                         int maxLength, int paramIndex) override;
    void ChooseFile(const FileRequest& request, std::function<void(const std::string&)> then) override;
    void OpenAddress(const std::string& address) override;

    // The X window of the open editor (0 when closed).
    uint32_t WindowId() const { return mWindow ? mWindow->Id() : 0; }

private:
    // IWindowEvents
    void WindowMouseDown(int x, int y, const IMouseMod& mod) override;
    void WindowMouseUp(int x, int y, const IMouseMod& mod) override;
    void WindowMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
    void WindowDoubleClick(int x, int y, const IMouseMod& mod) override;
    void WindowMouseWheel(int x, int y, const IMouseMod& mod, float delta) override;
    void WindowMouseMove(int x, int y, const IMouseMod& mod) override;
    void WindowMouseLeave() override;
    bool WindowKeyDown(int x, int y, const ITypedKey& key) override;
    void WindowExposed(const gfx::Rect& area) override;

    void Paint();
    void FocusWindow() override { mWindow->TakeFocus(); }
    // The window went away under us (its parent was destroyed).
    void DropWindow();

    std::unique_ptr<XcbEditorWindow> mWindow;
    gfx::Rect mExposed;
    bool mPainted = false;  // the surface holds the whole panel
    std::chrono::steady_clock::time_point mLastPaint{};

    bool mPathEntryOpen = false;
    std::vector<std::unique_ptr<ChildProcess>> mOpeners;  // xdg-open, reaped on idle
};

}  // namespace qor
