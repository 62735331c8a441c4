// The editor on Windows: the portable editor in a child window of the host's
// window ("IPlugWndClass", titled "IPlug"), drawn on the same raster as on
// Linux and put on the screen through a DIB section, so the panel looks the
// same on both systems.
//
// Message boxes and popup menus are drawn inside the editor (IDialogLayer),
// as on Linux, instead of Windows' modal boxes and menus, whose own message
// loops would hold the host's thread while the musician thinks. The text
// entry is a Windows "EDIT" box (TextEntryWindow). File dialogs run on a
// thread of their own (FileDialogThread), web addresses open from another
// (OpenInBrowser); their answers come back on the window's timer.
//
// Editor thread only: the thread that owns the host's window and calls
// effEditOpen, effEditClose and effEditIdle. Window messages arrive with no
// lock held; what touches parameters takes the main lock itself. Timer 2
// (every 40 ms) finishes a text entry, delivers the answers that are due and
// repaints the dirty controls.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/IGraphicsWindowed.h"
#include "framework/ITypedKey.h"
#include "framework/windows/DibSection.h"
#include "framework/windows/FileDialogThread.h"
#include "framework/windows/TextEntryWindow.h"

namespace qor {

class IGraphicsWin : public IGraphicsWindowed {
public:
    static constexpr const char* kWindowTitle = "IPlug";
    static constexpr unsigned kTimerId = 2;
    static constexpr unsigned kTimerPeriod = 1000 / kRedrawRate;  // milliseconds
    static constexpr int kWheelNotch = 120;  // wheel delta of one notch

    IGraphicsWin(IPlugBase& plug, int width, int height);
    ~IGraphicsWin() override;

    // `parent` is the host's window (an HWND).
    bool OpenWindow(void* parent) override;
    void CloseWindow() override;
    bool WindowIsOpen() const override { return mWindow != nullptr; }
    void Idle() override;

    void CreateTextEntry(IControl& control, const IText& style, const gfx::Rect& box, const std::string& text,
                         int maxLength, int paramIndex) override;
    void ChooseFile(const FileRequest& request, std::function<void(const std::string&)> then) override;
    void OpenAddress(const std::string& address) override;

private:
    friend struct IGraphicsWinMessages;

    // Timer 2: the text entry, the answers, the repaint.
    void Tick();
    void Paint();
    void FinishTextEntry();
    // The window was destroyed without CloseWindow (the host destroyed its
    // own window first, or a close message): the rest is done on the next
    // idle call or at effEditClose.
    void WindowGone();
    void ReleaseClass();
    void FocusWindow() override;

    // Input, in window pixels.
    void ButtonDown(int x, int y, const IMouseMod& mod);
    void ButtonUp(int x, int y, const IMouseMod& mod);
    void DoubleClick(int x, int y, const IMouseMod& mod);
    void MouseMove(int x, int y, const IMouseMod& mod, bool buttonHeld);
    void MouseLeave();
    void Wheel(int x, int y, const IMouseMod& mod, float delta);
    void CaptureLost();
    // True when the editor took the key down.
    bool KeyDown(const ITypedKey& key);
    void Character(char c);
    // What every press does first; true when the entry or a drawn box took it.
    bool PressTaken(int x, int y);
    // The entry, when one is open, takes the press instead: true.
    bool PressFinishesEntry();

    void* mWindow = nullptr;    // HWND
    void* mInstance = nullptr;  // HINSTANCE of this library
    bool mClassHeld = false;
    bool mWindowLost = false;
    DibSection mDib;

    int mLastX = 0, mLastY = 0;
    bool mPressed = false;        // a button press the editor holds capture for
    bool mTrackingLeave = false;  // Windows tells us when the pointer leaves

    std::unique_ptr<TextEntryWindow> mEntry;
    IControl* mEntryControl = nullptr;
    int mEntryParam = -1;

};

}  // namespace qor
