#include "framework/windows/IGraphicsWin.h"

#include "framework/IControl.h"
#include "framework/IParameter.h"
#include "framework/IPlugBase.h"
#include "framework/ITextEntryRules.h"
#include "framework/windows/BrowserOpener.h"
#include "framework/windows/EditorWindowClass.h"
#include "framework/windows/EditorWindowProc.h"
#include "framework/windows/ModuleThread.h"
#include "framework/windows/WinApi.h"

namespace qor {

namespace {

RECT ToRECT(const gfx::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

IGraphicsWin::IGraphicsWin(IPlugBase& plug, int width, int height) : IGraphicsWindowed(plug, width, height) {}

IGraphicsWin::~IGraphicsWin()
{
    // The plug-in is going away: a dialog still open is cancelled and left
    // to end on its own thread, the window goes, but no continuation runs
    // into a half-destroyed plug-in (hosts close the editor first, and that
    // answers every question).
    CancelFileDialog(false);
    DropAnswers();
    mEntry = nullptr;
    if (HWND window = static_cast<HWND>(mWindow)) {
        // Whatever still reaches the window (should this run on another
        // thread than the window's, where it cannot be destroyed) finds no
        // editor behind it.
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
    mWindow = nullptr;
    ReleaseClass();
}

// --- the window ---

bool IGraphicsWin::OpenWindow(void* parent)
{
    if (mWindow || mClassHeld) CloseWindow();
    if (!parent) return false;
    mInstance = ThisModule();
    if (!EditorWindowClass::Acquire(mInstance, EditorWindowProc())) return false;
    mClassHeld = true;
    mWindowLost = false;
    mPressed = mTrackingLeave = false;
    HWND window = CreateWindowExA(0, EditorWindowClass::kName, kWindowTitle, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                  0, 0, Width(), Height(), static_cast<HWND>(parent), nullptr,
                                  static_cast<HINSTANCE>(mInstance), this);
    if (!window) {
        mWindow = nullptr;
        mWindowLost = false;
        ReleaseClass();
        return false;
    }
    mWindow = window;
    if (mSurface.Width() != Width() || mSurface.Height() != Height()) mSurface = gfx::Surface(Width(), Height());
    SetAllControlsDirty();
    return true;
}

void IGraphicsWin::CloseWindow()
{
    // Questions still open are answered as dismissed, a file dialog still
    // open is cancelled and answers no path; their continuations run now, once.
    mLayer.DismissAll();
    CancelFileDialog();
    mEntry = nullptr;
    mEntryControl = nullptr;
    mEntryParam = -1;
    if (mWindow) DestroyWindow(static_cast<HWND>(mWindow));
    mWindow = nullptr;
    mWindowLost = false;
    mDib.Drop();
    ReleaseClass();
    RunAnswers();
}

void IGraphicsWin::WindowGone()
{
    mWindow = nullptr;
    mWindowLost = true;
    mPressed = mTrackingLeave = false;
}

void IGraphicsWin::ReleaseClass()
{
    if (!mClassHeld) return;
    mClassHeld = false;
    EditorWindowClass::Release(mInstance);
}

void IGraphicsWin::Idle()
{
    // Everything else happens on the window's timer; here only what is left
    // of a window that was destroyed under us.
    if (!mWindow && mWindowLost) CloseWindow();
}

void IGraphicsWin::Tick()
{
    FinishTextEntry();
    PollFileDialog();
    RunAnswers();
    if (!mWindow) return;  // a continuation closed the editor
    HWND window = static_cast<HWND>(mWindow);
    gfx::Rect area;
    IsDirty(area);
    area = area.Union(mLayer.TakeDirty());
    if (mEntry) mEntry->MarkShown();
    if (area.Empty()) return;
    const RECT dirty = ToRECT(area);
    InvalidateRect(window, &dirty, FALSE);
    if (mEntry && mEntry->IsOpen()) {
        const gfx::Rect& b = mEntry->Box();
        const RECT entry = ToRECT({b.left, b.top, b.right + 1, b.bottom + 1});
        ValidateRect(window, &entry);
    }
    UpdateWindow(window);
}

void IGraphicsWin::Paint()
{
    HWND window = static_cast<HWND>(mWindow);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    const gfx::Rect area =
        gfx::Rect{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom}.Intersection(
            {0, 0, Width(), Height()});
    if (dc && !area.Empty() && mDib.Fit(Width(), Height())) {
        DrawPanel(area);
        mDib.Put(dc, mSurface.Row(0), mSurface.Width(), area);
    }
    EndPaint(window, &ps);
}

void IGraphicsWin::FocusWindow() { SetFocus(static_cast<HWND>(mWindow)); }

// --- input ---

bool IGraphicsWin::PressFinishesEntry()
{
    if (!mEntry || !mEntry->IsOpen()) return false;
    // A press right after the box opened (before the editor painted around
    // it) is no answer to it: the box goes. Later a press commits it.
    if (mEntry->GetState() == TextEntryWindow::State::Focused) {
        mEntry->Cancel();
    } else {
        mEntry->Commit();
    }
    return true;
}

bool IGraphicsWin::PressTaken(int x, int y)
{
    if (PressFinishesEntry()) return true;
    HWND window = static_cast<HWND>(mWindow);
    SetFocus(window);
    SetCapture(window);
    mPressed = true;
    mLastX = x;
    mLastY = y;
    return mLayer.MouseDown(x, y);
}

void IGraphicsWin::ButtonDown(int x, int y, const IMouseMod& mod)
{
    if (!PressTaken(x, y)) OnMouseDown(x, y, mod);
}

void IGraphicsWin::DoubleClick(int x, int y, const IMouseMod& mod)
{
    if (PressTaken(x, y)) return;
    // A second quick press on a control that has no use for a double click
    // (a panel key pressed twice) is a press like the first.
    if (!OnMouseDblClick(x, y, mod)) OnMouseDown(x, y, mod);
}

void IGraphicsWin::ButtonUp(int x, int y, const IMouseMod& mod)
{
    const bool pressed = mPressed;
    mPressed = false;
    mLayer.MouseUp(x, y);
    if (pressed) OnMouseUp(x, y, mod);
    if (mWindow && GetCapture() == static_cast<HWND>(mWindow)) ReleaseCapture();
}

void IGraphicsWin::CaptureLost()
{
    // Another window took the pointer in the middle of a press (a host's
    // shortcut, a dialog): the press ends here, and so does its gesture.
    if (!mPressed) return;
    mPressed = false;
    OnMouseUp(mLastX, mLastY, IMouseMod{});
}

void IGraphicsWin::MouseMove(int x, int y, const IMouseMod& mod, bool buttonHeld)
{
    HWND window = static_cast<HWND>(mWindow);
    if (!mTrackingLeave) {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window, 0};
        mTrackingLeave = TrackMouseEvent(&track) != FALSE;
    }
    if (buttonHeld && mPressed && GetCapture() == window) {
        if (x == mLastX && y == mLastY) return;
        const int dX = x - mLastX, dY = y - mLastY;
        mLastX = x;
        mLastY = y;
        if (mLayer.MouseDrag(x, y)) return;
        OnMouseDrag(x, y, dX, dY, mod);
        return;
    }
    mLastX = x;
    mLastY = y;
    if (mLayer.MouseMove(x, y)) return;
    OnMouseOver(x, y, mod);
}

void IGraphicsWin::MouseLeave()
{
    mTrackingLeave = false;
    OnMouseOut();
}

void IGraphicsWin::Wheel(int x, int y, const IMouseMod& mod, float delta)
{
    if (mEntry && mEntry->IsOpen()) {
        mEntry->Cancel();
        return;
    }
    if (mLayer.Wheel()) return;
    OnMouseWheel(x, y, mod, delta);
}

bool IGraphicsWin::KeyDown(const ITypedKey& key)
{
    using Kind = ITypedKey::Kind;
    if (mLayer.Active()) {
        // Characters arrive as such (WM_CHAR, in the keyboard's layout).
        if (key.kind == Kind::Character) return true;
        if (key.kind == Kind::Other) return false;
        mLayer.Key(key);
        return true;
    }
    const int code = key.PanelKey();
    if (code < 0) return false;
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(static_cast<HWND>(mWindow), &p);
    return OnKeyDown(p.x, p.y, code);
}

void IGraphicsWin::Character(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (!mLayer.Active() || u < 0x20 || u == 0x7F) return;
    ITypedKey key;
    key.kind = ITypedKey::Kind::Character;
    key.ch = c;
    mLayer.Key(key);
}

// --- the text entry ---

void IGraphicsWin::CreateTextEntry(IControl& control, const IText& style, const gfx::Rect& box,
                                   const std::string& text, int maxLength, int paramIndex)
{
    if (!mWindow) return;
    mEntry = nullptr;  // a box still open goes without its answer
    const IParameter* param = paramIndex >= 0 ? GetPlug().GetParam(paramIndex) : nullptr;
    TextEntryRules rules = param ? TextEntryRules::ForParameter(*param) : TextEntryRules::ForName();
    rules.maxLength = maxLength;
    mEntry = TextEntryWindow::Open(mWindow, mInstance, box, style, text, rules);
    mEntryControl = mEntry ? &control : nullptr;  // controls live as long as the editor
    mEntryParam = mEntry ? paramIndex : -1;
}

void IGraphicsWin::FinishTextEntry()
{
    if (!mEntry) return;
    const TextEntryWindow::State state = mEntry->GetState();
    if (mEntry->IsOpen()) return;
    const bool committed = state == TextEntryWindow::State::Commit;
    const std::string text = committed ? mEntry->Text() : std::string();
    const bool hadFocus = mEntry->Handle() && GetFocus() == static_cast<HWND>(mEntry->Handle());
    IControl* target = mEntryControl;
    const int paramIndex = mEntryParam;
    mEntry = nullptr;
    mEntryControl = nullptr;
    mEntryParam = -1;
    // The keys come back to the editor, unless the musician took them elsewhere.
    if (hadFocus && mWindow) SetFocus(static_cast<HWND>(mWindow));
    if (committed && target) CommitTypedText(*target, paramIndex, text);
}

// --- questions ---

void IGraphicsWin::ChooseFile(const FileRequest& request, std::function<void(const std::string&)> then)
{
    if (!mWindow) return IGraphics::ChooseFile(request, std::move(then));
    // One dialog at a time; a second request, or one that cannot start,
    // answers empty on the next tick.
    std::unique_ptr<FileDialogThread> dialog;
    if (FileDialogOpen() || !(dialog = FileDialogThread::Start(request))) {
        AnswerLater([then] { if (then) then(std::string()); });
        return;
    }
    AwaitFile(std::move(dialog), std::move(then));
}

void IGraphicsWin::OpenAddress(const std::string& address) { OpenInBrowser(address); }

}  // namespace qor
