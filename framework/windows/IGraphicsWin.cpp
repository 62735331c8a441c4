#include "framework/windows/IGraphicsWin.h"

#include "framework/IControl.h"
#include "framework/IDialogLook.h"
#include "framework/IParameter.h"
#include "framework/IPlugBase.h"
#include "framework/ITextEntryRules.h"
#include "framework/windows/BrowserOpener.h"
#include "framework/windows/EditorWindowClass.h"
#include "framework/windows/ModuleThread.h"
#include "framework/windows/WinApi.h"

namespace qor {

namespace {

int LowX(LPARAM lParam) { return int(short(LOWORD(lParam))); }
int HighY(LPARAM lParam) { return int(short(HIWORD(lParam))); }

// The modifiers of a mouse message (its key-state word).
IMouseMod ModsOf(WPARAM keys)
{
    IMouseMod mod;
    mod.left = (keys & MK_LBUTTON) != 0;
    mod.right = (keys & MK_RBUTTON) != 0;
    mod.shift = (keys & MK_SHIFT) != 0;
    mod.control = (keys & MK_CONTROL) != 0;
    mod.alt = GetKeyState(VK_MENU) < 0;
    return mod;
}

// A virtual key as the editor's boxes and controls take it. Letters and
// digits come as characters so that ITypedKey::PanelKey maps them.
ITypedKey TypedKey(unsigned key)
{
    using Kind = ITypedKey::Kind;
    ITypedKey typed;
    typed.shift = GetKeyState(VK_SHIFT) < 0;
    switch (key) {
        case VK_RETURN: typed.kind = Kind::Enter; break;
        case VK_ESCAPE: typed.kind = Kind::Escape; break;
        case VK_BACK: typed.kind = Kind::Backspace; break;
        case VK_DELETE: typed.kind = Kind::Delete; break;
        case VK_LEFT: typed.kind = Kind::Left; break;
        case VK_RIGHT: typed.kind = Kind::Right; break;
        case VK_UP: typed.kind = Kind::Up; break;
        case VK_DOWN: typed.kind = Kind::Down; break;
        case VK_HOME: typed.kind = Kind::Home; break;
        case VK_END: typed.kind = Kind::End; break;
        case VK_TAB: typed.kind = Kind::Tab; break;
        case VK_SPACE:
            typed.kind = Kind::Character;
            typed.ch = ' ';
            break;
        default:
            if (key >= '0' && key <= '9') {
                typed.kind = Kind::Character;
                typed.ch = char(key);
            } else if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) {
                typed.kind = Kind::Character;
                typed.ch = char('0' + (key - VK_NUMPAD0));
            } else if (key >= 'A' && key <= 'Z') {
                typed.kind = Kind::Character;
                typed.ch = typed.shift ? char(key) : char(key - 'A' + 'a');
            }
            break;
    }
    return typed;
}

RECT ToRECT(const gfx::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

// The window procedure's way into the editor.
struct IGraphicsWinMessages {
    static LRESULT Handle(IGraphicsWin& g, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

namespace {

LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* graphics = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!graphics) return DefWindowProcA(window, message, wParam, lParam);
    // Nothing may unwind through Windows' frames: a control that throws
    // (fonts missing from a broken build) costs its message, not the host.
    try {
        return IGraphicsWinMessages::Handle(*graphics, window, message, wParam, lParam);
    } catch (...) {
        return message == WM_NCDESTROY ? 0 : DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

LRESULT IGraphicsWinMessages::Handle(IGraphicsWin& g, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        case WM_CREATE:
            g.mWindow = window;
            SetTimer(window, IGraphicsWin::kTimerId, IGraphicsWin::kTimerPeriod, nullptr);
            SetFocus(window);
            return 0;
        case WM_TIMER:
            if (wParam == IGraphicsWin::kTimerId) g.Tick();
            return 0;
        case WM_PAINT: g.Paint(); return 0;
        case WM_ERASEBKGND: return 1;  // the panel covers every pixel
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        // With double clicks on, a second quick right or middle press comes
        // as a double click; the editor takes it as the press it is.
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            g.ButtonDown(LowX(lParam), HighY(lParam), ModsOf(wParam));
            return 0;
        case WM_LBUTTONDBLCLK: g.DoubleClick(LowX(lParam), HighY(lParam), ModsOf(wParam)); return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: g.ButtonUp(LowX(lParam), HighY(lParam), ModsOf(wParam)); return 0;
        case WM_MOUSEMOVE:
            g.MouseMove(LowX(lParam), HighY(lParam), ModsOf(wParam),
                        (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0);
            return 0;
        case WM_MOUSELEAVE: g.MouseLeave(); return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != window) g.CaptureLost();
            return 0;
        case WM_MOUSEWHEEL: {
            // The position comes in screen pixels.
            POINT p{LowX(lParam), HighY(lParam)};
            ScreenToClient(window, &p);
            g.Wheel(p.x, p.y, ModsOf(GET_KEYSTATE_WPARAM(wParam)),
                    float(GET_WHEEL_DELTA_WPARAM(wParam)) / float(IGraphicsWin::kWheelNotch));
            return 0;
        }
        case WM_KEYDOWN:
            if (!g.KeyDown(unsigned(wParam))) PostMessageA(GetAncestor(window, GA_ROOT), message, wParam, lParam);
            return 0;
        case WM_KEYUP:
            PostMessageA(GetAncestor(window, GA_ROOT), message, wParam, lParam);
            return 0;
        case WM_CHAR: g.Character(char(wParam)); return 0;
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: return 0;
        case WM_CTLCOLOREDIT:
            if (g.mEntry && reinterpret_cast<HWND>(lParam) == g.mEntry->Handle())
                return reinterpret_cast<LRESULT>(g.mEntry->Colours(reinterpret_cast<HDC>(wParam)));
            break;
        case WM_CLOSE: DestroyWindow(window); return 0;
        case WM_DESTROY: KillTimer(window, IGraphicsWin::kTimerId); return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            if (g.mWindow == window) g.WindowGone();
            return 0;
        default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

IGraphicsWin::IGraphicsWin(IPlugBase& plug, int width, int height)
    : IGraphics(plug, width, height),
      mLayer({0, 0, width, height}, [this](std::string_view text, int size) {
          return IDialogLook(DialogFont()).Measure(text, size);
      })
{
}

IGraphicsWin::~IGraphicsWin()
{
    // The plug-in is going away: a dialog still open is cancelled and left
    // to end on its own thread, the window goes, but no continuation runs
    // into a half-destroyed plug-in (hosts close the editor first, and that
    // answers every question).
    mFileThen = nullptr;
    mFileDialog = nullptr;
    mDue.clear();
    mEntry = nullptr;
    if (mWindow) DestroyWindow(static_cast<HWND>(mWindow));
    mWindow = nullptr;
    ReleaseClass();
}

const gfx::Font* IGraphicsWin::DialogFont()
{
    IText style;
    style.font = "Arial";
    return FindFont(style);  // none: the boxes are drawn without their texts
}

// --- the window ---

bool IGraphicsWin::OpenWindow(void* parent)
{
    if (mWindow || mClassHeld) CloseWindow();
    if (!parent) return false;
    mInstance = ThisModule();
    if (!EditorWindowClass::Acquire(mInstance, reinterpret_cast<void*>(&EditorWindowProc))) return false;
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
    if (mFileDialog) {
        mFileDialog = nullptr;
        if (auto then = std::move(mFileThen)) mDue.push_back([then] { then(std::string()); });
    }
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

void IGraphicsWin::RunAnswers()
{
    while (!mDue.empty() || mLayer.HasAnswers()) {
        std::vector<std::function<void()>> due;
        due.swap(mDue);
        for (auto& answer : due) answer();
        mLayer.RunAnswers();
    }
}

void IGraphicsWin::Tick()
{
    FinishTextEntry();
    if (mFileDialog) {
        if (std::optional<std::string> path = mFileDialog->Poll()) {
            mFileDialog = nullptr;
            if (auto then = std::move(mFileThen)) mDue.push_back([then, chosen = *path] { then(chosen); });
        }
    }
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
        if (mSurface.Width() != Width() || mSurface.Height() != Height()) mSurface = gfx::Surface(Width(), Height());
        Draw(mSurface, area);
        if (mLayer.Active()) {
            mSurface.SetClip(area);
            IDialogLook(DialogFont()).Draw(mLayer, mSurface);
            mSurface.ResetClip();
        }
        mDib.Put(dc, mSurface.Row(0), mSurface.Width(), area);
    }
    EndPaint(window, &ps);
}

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

void IGraphicsWin::ButtonDown(int x, int y, const IMouseMod& mod)
{
    if (PressFinishesEntry()) return;
    HWND window = static_cast<HWND>(mWindow);
    SetFocus(window);
    SetCapture(window);
    mPressed = true;
    mLastX = x;
    mLastY = y;
    if (mLayer.MouseDown(x, y)) return;
    OnMouseDown(x, y, mod);
}

void IGraphicsWin::DoubleClick(int x, int y, const IMouseMod& mod)
{
    if (PressFinishesEntry()) return;
    HWND window = static_cast<HWND>(mWindow);
    SetFocus(window);
    SetCapture(window);
    mPressed = true;
    mLastX = x;
    mLastY = y;
    if (mLayer.MouseDown(x, y)) return;
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

bool IGraphicsWin::KeyDown(unsigned virtualKey)
{
    const ITypedKey key = TypedKey(virtualKey);
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
    if (!committed || !target) return;
    if (paramIndex >= 0) {
        SetFromStringAfterPrompt(*target, paramIndex, text);
    } else {
        auto lock = GetPlug().LockMain();
        target->TextFromTextEntry(text.c_str());
    }
}

// --- questions ---

void IGraphicsWin::ShowMessage(const std::string& text, const std::string& title, int style,
                               std::function<void(int)> then)
{
    if (!mWindow) return IGraphics::ShowMessage(text, title, style, std::move(then));
    SetFocus(static_cast<HWND>(mWindow));
    mLayer.ShowMessage(text, title, style, std::move(then));
}

void IGraphicsWin::ShowPopupMenu(const IPopupMenu& menu, int x, int y, std::function<void(int)> then)
{
    if (!mWindow) return IGraphics::ShowPopupMenu(menu, x, y, std::move(then));
    SetFocus(static_cast<HWND>(mWindow));
    mLayer.ShowMenu(menu, x, y, std::move(then));
}

void IGraphicsWin::ChooseFile(const FileRequest& request, std::function<void(const std::string&)> then)
{
    if (!mWindow) return IGraphics::ChooseFile(request, std::move(then));
    // One dialog at a time; a second request, or one that cannot start,
    // answers empty on the next tick.
    if (mFileDialog || !(mFileDialog = FileDialogThread::Start(request))) {
        mDue.push_back([then] { if (then) then(std::string()); });
        return;
    }
    mFileThen = std::move(then);
}

void IGraphicsWin::OpenAddress(const std::string& address) { OpenInBrowser(address); }

}  // namespace qor
