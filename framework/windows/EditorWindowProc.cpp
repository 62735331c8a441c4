#include "framework/windows/EditorWindowProc.h"

#include "framework/windows/IGraphicsWin.h"
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

}  // namespace

// The window procedure's way into the editor (a friend of IGraphicsWin).
struct IGraphicsWinMessages {
    static LRESULT Handle(IGraphicsWin& g, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
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
            if (!g.KeyDown(TypedKey(unsigned(wParam)))) PostMessageA(GetAncestor(window, GA_ROOT), message, wParam, lParam);
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

void* EditorWindowProc() { return reinterpret_cast<void*>(&WindowProc); }

}  // namespace qor
