// The editor's X11 window: a child of the window the host hands over, on an
// XCB connection of its own. XCB reports an error per request instead of
// through a process-wide handler (which belongs to the host under Xlib), so a
// host that destroys our parent first costs us the window, never the host.
//
// Editor thread only. Nothing here waits on the X server for events: Poll()
// takes what has arrived and returns.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "framework/IMouseMod.h"
#include "framework/ITypedKey.h"
#include "graphics/Rect.h"

namespace qor {

// What the window reports, in window pixels.
class IWindowEvents {
public:
    virtual ~IWindowEvents() = default;
    virtual void WindowMouseDown(int x, int y, const IMouseMod& mod) = 0;
    virtual void WindowMouseUp(int x, int y, const IMouseMod& mod) = 0;
    // A move with a button held; only when the position changed.
    virtual void WindowMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) = 0;
    // The second press of a double click (it comes instead of a mouse down).
    virtual void WindowDoubleClick(int x, int y, const IMouseMod& mod) = 0;
    // One notch per call: +1 away from the musician, -1 towards.
    virtual void WindowMouseWheel(int x, int y, const IMouseMod& mod, float delta) = 0;
    // A move with no button held.
    virtual void WindowMouseMove(int x, int y, const IMouseMod& mod) = 0;
    virtual void WindowMouseLeave() = 0;
    // True when the editor took the key; otherwise it goes on to the host.
    virtual bool WindowKeyDown(int x, int y, const ITypedKey& key) = 0;
    // Part of the window needs its pixels again.
    virtual void WindowExposed(const gfx::Rect& area) = 0;
};

class XcbEditorWindow {
public:
    // Two presses closer than this in time and distance are a double click.
    static constexpr std::chrono::milliseconds kDoubleClickTime{500};
    static constexpr int kDoubleClickDistance = 4;

    // A child window of `parent` (an X window id) of the given size, mapped
    // at the parent's origin. Null when there is no display, the parent is
    // no window, or the screen has no 24-bit TrueColor visual.
    static std::unique_ptr<XcbEditorWindow> Open(uint32_t parent, int width, int height);
    ~XcbEditorWindow();  // destroys the window and closes the connection

    XcbEditorWindow(const XcbEditorWindow&) = delete;
    XcbEditorWindow& operator=(const XcbEditorWindow&) = delete;

    uint32_t Id() const;
    // False once the window is gone (the parent was destroyed) or the
    // connection broke; the window then reports nothing more.
    bool Alive() const;

    // Handles every event that has arrived, without waiting for more.
    void Poll(IWindowEvents& events);
    // Copies `area` of a 0xAARRGGBB raster (alpha ignored) to the window.
    void Put(const uint32_t* pixels, int stride, const gfx::Rect& area);
    void Flush();
    // Asks for the keyboard focus (a box or an entry that wants its keys);
    // refused quietly while the host's window is not on screen.
    void TakeFocus();

private:
    struct Impl;
    explicit XcbEditorWindow(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> mImpl;
};

}  // namespace qor
