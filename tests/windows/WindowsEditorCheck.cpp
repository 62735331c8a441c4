#include "tests/windows/WindowsEditorCheck.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "engine/ParameterIndex.h"
#include "framework/ITextEntryRules.h"
#include "framework/VstAbi.h"
#include "plugin/CommandNumbers.h"
#include "plugin/PanelLayout.h"

namespace qor::wintest {

namespace {

constexpr const char* kEditorClass = "IPlugWndClass";
constexpr int kEntryId = 99;

// Editor pixels: the middle of a control.
struct Point {
    int x, y;
};
constexpr Point Middle(const gfx::Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
constexpr Point kProtectSwitch{panel::kProtectSwitchX + panel::kProtectSwitchFrame.width / 2,
                               panel::kProtectSwitchY + panel::kProtectSwitchFrame.height / 2};
LPARAM At(Point p) { return MAKELPARAM(p.x, p.y); }

// Key downs the host's own window received (the editor passes on what it does not take).
std::vector<WPARAM> gHostKeys;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN) gHostKeys.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

intptr_t VSTCALL HostCallback(vst::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

HWND MakeHostWindow()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "QorCheckHost";
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(0, wc.lpszClassName, "QOR check host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1100,
                                700, nullptr, nullptr, wc.hInstance, nullptr);
    if (host) ShowWindow(host, SW_SHOW);
    return host;
}

class Plugin {
public:
    ~Plugin()
    {
        if (mEffect) {
            Dispatch(vst::effMainsChanged, 0, 0);
            Dispatch(vst::effClose);
        }
        if (mModule) FreeLibrary(mModule);
    }
    bool Load(const std::string& path)
    {
        mModule = LoadLibraryA(path.c_str());
        if (!mModule) return false;
        auto entry = reinterpret_cast<vst::EntryProc>(reinterpret_cast<void*>(GetProcAddress(mModule, "VSTPluginMain")));
        mEffect = entry ? entry(HostCallback) : nullptr;
        if (!mEffect) return false;
        Dispatch(vst::effOpen);
        Dispatch(vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
        Dispatch(vst::effSetBlockSize, 0, 512);
        Dispatch(vst::effMainsChanged, 0, 1);
        return true;
    }
    HMODULE Module() const { return mModule; }
    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
    }
    float Param(int index) { return mEffect->getParameter(mEffect, index); }
    void SetParam(int index, float value) { mEffect->setParameter(mEffect, index, value); }
    std::string ParamDisplay(int index)
    {
        char text[256] = {};
        Dispatch(vst::effGetParamDisplay, index, 0, text);
        return text;
    }
    std::string ProgramName()
    {
        char text[256] = {};
        Dispatch(vst::effGetProgramName, 0, 0, text);
        return text;
    }
    long Working() { return std::lround(Param(kWorkingParameter) * 41.0 + 8.0); }

    // Messages and idle calls, as a host's loop gives them, until `done`
    // holds (two seconds at most).
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(2))
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        do {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            Dispatch(vst::effEditIdle);
            if (done()) return true;
            Sleep(5);
        } while (std::chrono::steady_clock::now() < end);
        return done();
    }
    // A few timer ticks: what was posted has been handled.
    void Settle() { PumpUntil([] { return false; }, std::chrono::milliseconds(150)); }

private:
    HMODULE mModule = nullptr;
    vst::AEffect* mEffect = nullptr;
};

class Checks {
public:
    explicit Checks(const std::function<void(const std::string&)>& log) : mLog(log) {}
    bool Expect(bool ok, const std::string& what)
    {
        if (mLog) mLog((ok ? "ok    " : "FAIL  ") + what);
        if (!ok) mFailures.push_back(what);
        return ok;
    }
    std::vector<std::string> Failures() const { return mFailures; }

private:
    std::function<void(const std::string&)> mLog;
    std::vector<std::string> mFailures;
};

bool ClassRegistered(HMODULE module)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    return GetClassInfoExA(module, kEditorClass, &wc) != FALSE;
}

HWND EditorIn(HWND host) { return FindWindowExA(host, nullptr, kEditorClass, nullptr); }
HWND EntryIn(HWND editor) { return GetDlgItem(editor, kEntryId); }

std::string TextOf(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, int(sizeof text));
    return text;
}

void Click(HWND editor, Point p, bool right = false)
{
    PostMessageA(editor, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, At(p));
    PostMessageA(editor, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, At(p));
}

void Type(HWND entry, const std::string& text)
{
    for (char c : text) PostMessageA(entry, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
}

void Press(HWND window, int virtualKey) { PostMessageA(window, WM_KEYDOWN, WPARAM(virtualKey), 1); }

// What the editor's window shows, as 0x00RRGGBB words, row by row.
std::vector<uint32_t> ScreenPixels(HWND editor, int width, int height)
{
    std::vector<uint32_t> pixels;
    HDC window = GetDC(editor);
    HDC memory = CreateCompatibleDC(window);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        pixels.assign(p, p + size_t(width) * size_t(height));
        for (uint32_t& px : pixels) px &= 0xFFFFFF;
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(editor, window);
    return pixels;
}

// The panel as the plug-in draws it offscreen, as 0x00RRGGBB words.
std::vector<uint32_t> OffscreenPixels(Plugin& plug)
{
    std::vector<uint32_t> pixels(size_t(panel::kWidth) * size_t(panel::kHeight));
    vst::QorEditorPixels target{panel::kWidth, panel::kHeight, panel::kWidth, 0, pixels.data()};
    if (plug.Dispatch(vst::effVendorSpecific, vst::kQorDrawEditor, vst::kQorDrawEditorMagic, &target) != 1) return {};
    for (uint32_t& px : pixels) px &= 0xFFFFFF;
    return pixels;
}

// How many pixels of the window differ from the panel drawn offscreen (which
// never shows the boxes and menus drawn over it); -1 when either is missing.
long PixelsDifferingFromPanel(Plugin& plug, HWND editor)
{
    const std::vector<uint32_t> shown = ScreenPixels(editor, panel::kWidth, panel::kHeight);
    const std::vector<uint32_t> drawn = OffscreenPixels(plug);
    if (drawn.empty() || shown.size() != drawn.size()) return -1;
    long differ = 0;
    for (size_t i = 0; i < shown.size(); ++i) differ += shown[i] != drawn[i];
    return differ;
}

// Whether the instrument starts with its memory protected: the setting it
// keeps in its INI file (protected when there is none).
bool StartsProtected()
{
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return true;
    const std::string ini = std::string(folder) + "\\Marrowind\\qor.ini";
    char value[16] = {};
    GetPrivateProfileStringA("Global", "Write Protect", "true", value, sizeof value, ini.c_str());
    return lstrcmpiA(value, "false") != 0;
}

bool PutOnClipboard(HWND owner, const std::string& text)
{
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool put = false;
    if (void* bytes = memory ? GlobalLock(memory) : nullptr) {
        std::memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        put = SetClipboardData(CF_TEXT, memory) != nullptr;
    }
    if (!put && memory) GlobalFree(memory);
    CloseClipboard();
    return put;
}

// A text entry opens over the editor; null when none came.
HWND AwaitEntry(Plugin& plug, HWND editor)
{
    plug.PumpUntil([&] { return EntryIn(editor) != nullptr; });
    return EntryIn(editor);
}

Point UtilityKey(int command)
{
    for (const panel::Key& key : panel::kUtilityKeys)
        if (key.number == command) return Middle(key.rect);
    return {0, 0};
}

void CheckTextEntry(Plugin& plug, HWND editor, Checks& c)
{
    // Memory protection keeps names out: the switch turns it off for the
    // check and back on after it (the setting persists in the INI file).
    const bool protect = StartsProtected();
    if (protect) {
        Click(editor, kProtectSwitch);
        plug.Settle();
    }
    Click(editor, Middle(panel::kProgramName));
    HWND entry = AwaitEntry(plug, editor);
    if (c.Expect(entry != nullptr, "a click on the program name opens an EDIT box (id 99)")) {
        Type(entry, "warm pad");
        Press(entry, VK_RETURN);
        const bool named = plug.PumpUntil([&] { return plug.ProgramName() == "warm pad"; });
        c.Expect(named, "Enter applies the typed name (now \"" + plug.ProgramName() + "\")");
        c.Expect(plug.PumpUntil([&] { return !EntryIn(editor); }), "the box goes after Enter");
    }
    Click(editor, Middle(panel::kProgramName));
    if ((entry = AwaitEntry(plug, editor))) {
        Type(entry, "cold");
        Press(entry, VK_ESCAPE);
        c.Expect(plug.PumpUntil([&] { return !EntryIn(editor); }), "the box goes after Escape");
        c.Expect(plug.ProgramName() == "warm pad", "Escape leaves the name as it was");
    }

    // A confirmation is a box drawn over the panel that takes the keys:
    // Escape answers No, Enter the focused first button, Yes.
    Click(editor, UtilityKey(command::kInitProgram));
    plug.Settle();
    c.Expect(PixelsDifferingFromPanel(plug, editor) > 0, "Init Program draws its question over the panel");
    Press(editor, VK_ESCAPE);
    plug.Settle();
    c.Expect(plug.ProgramName() == "warm pad" && PixelsDifferingFromPanel(plug, editor) == 0,
             "Escape answers No: the box goes and the program stays");
    Click(editor, UtilityKey(command::kInitProgram));
    plug.Settle();
    Press(editor, VK_RETURN);
    const bool initialised = plug.PumpUntil([&] { return plug.ProgramName() != "warm pad"; });
    c.Expect(initialised, "Enter answers Yes: the program is initialised (now \"" + plug.ProgramName() + "\")");

    // The utility menu, drawn the same way, goes with Escape.
    Click(editor, Middle(panel::kUtilityMenu));
    plug.Settle();
    c.Expect(PixelsDifferingFromPanel(plug, editor) > 0, "the utility menu opens over the panel");
    Press(editor, VK_ESCAPE);
    plug.Settle();
    c.Expect(PixelsDifferingFromPanel(plug, editor) == 0, "Escape closes the menu");

    if (protect) {
        Click(editor, kProtectSwitch);
        plug.Settle();
    }

    // A value box on an integer parameter takes digits only.
    const Point cutoff = Middle(panel::ParameterField(kCutoff));
    const std::string before = plug.ParamDisplay(kCutoff);
    const std::string typed = before == "12" ? "13" : "12";
    Click(editor, cutoff, true);
    entry = AwaitEntry(plug, editor);
    if (c.Expect(entry != nullptr, "a right click on a value field opens a value box")) {
        c.Expect(TextOf(entry) == before, "the value box starts with the shown value \"" + before + "\"");
        Type(entry, "a");
        plug.Settle();
        c.Expect(TextOf(entry) == before, "a letter typed into an integer value box is ignored");
        Type(entry, typed);
        Press(entry, VK_RETURN);
        const bool set = plug.PumpUntil([&] { return plug.ParamDisplay(kCutoff) == typed; });
        c.Expect(set, "Enter sets the typed value " + typed + " (shown: " + plug.ParamDisplay(kCutoff) + ")");
    }
    // A paste brings in only what could have been typed, up to the box's length.
    Click(editor, cutoff, true);
    if ((entry = AwaitEntry(plug, editor))) {
        const std::string pasted = "1a2b3c4d5e6f7g8h9";
        std::string digits;
        for (char ch : pasted)
            if (ch >= '0' && ch <= '9') digits.push_back(ch);
        digits.resize(TextEntryRules::kValueLength);
        c.Expect(PutOnClipboard(editor, pasted), "the test puts text on the clipboard");
        SendMessageA(entry, WM_PASTE, 0, 0);
        c.Expect(TextOf(entry) == digits, "a paste into a value box keeps its digits, as many as fit (\"" +
                                              TextOf(entry) + "\")");
        Press(entry, VK_ESCAPE);
        plug.PumpUntil([&] { return !EntryIn(editor); });
    }
    // A wheel turn while the box is open cancels it.
    Click(editor, cutoff, true);
    if ((entry = AwaitEntry(plug, editor))) {
        Type(entry, "7");
        POINT screen{cutoff.x, cutoff.y};
        ClientToScreen(editor, &screen);
        PostMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
        c.Expect(plug.PumpUntil([&] { return !EntryIn(editor); }), "a wheel turn closes the value box");
        c.Expect(plug.ParamDisplay(kCutoff) == typed, "and changes nothing");
    }
}

// The wheel over a field steps its value by one; a drag up the volume knob
// raises the volume (the window holds the pointer for the press).
void CheckWheelAndDrag(Plugin& plug, HWND editor, Checks& c)
{
    const Point cutoff = Middle(panel::ParameterField(kCutoff));
    const long before = std::atol(plug.ParamDisplay(kCutoff).c_str());
    POINT screen{cutoff.x, cutoff.y};  // the wheel reports screen pixels
    ClientToScreen(editor, &screen);
    PostMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    const bool stepped =
        plug.PumpUntil([&] { return std::labs(std::atol(plug.ParamDisplay(kCutoff).c_str()) - before) == 1; });
    c.Expect(stepped, "a wheel notch over a field steps it by one (" + std::to_string(before) + " to " +
                          plug.ParamDisplay(kCutoff) + ")");

    const Point knob{panel::kVolumeKnobX + panel::kKnobFrame.width / 2,
                     panel::kVolumeKnobY + panel::kKnobFrame.height / 2};
    plug.SetParam(kVolume, 0.5f);  // room to rise
    const float volume = plug.Param(kVolume);
    PostMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(knob));
    for (int step = 1; step <= 5; ++step)
        PostMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, At({knob.x, knob.y - 4 * step}));
    PostMessageA(editor, WM_LBUTTONUP, 0, At({knob.x, knob.y - 20}));
    c.Expect(plug.PumpUntil([&] { return plug.Param(kVolume) > volume; }), "a drag up the volume knob raises the volume");
}

// A common file dialog of this process on a thread other than the host's.
BOOL CALLBACK MatchFileDialog(HWND window, LPARAM found)
{
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &process);
    char name[16] = {};
    GetClassNameA(window, name, int(sizeof name));
    if (process != GetCurrentProcessId() || thread == GetCurrentThreadId() || lstrcmpA(name, "#32770") != 0 ||
        !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND FindFileDialog()
{
    HWND found = nullptr;
    EnumWindows(MatchFileDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool IsProgramFile(const std::string& path)
{
    char magic[4] = {};
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    const bool read = std::fread(magic, 1, 4, file) == 4;
    std::fclose(file);
    return read && std::string(magic, 4) == "CcnK";
}

// Save Program through the file dialog, which runs on a thread of its own:
// the panel goes on working while it is open, the chosen path is saved to.
// Leaves a second dialog open for the editor's closing to cancel.
void CheckFileDialog(Plugin& plug, HWND editor, Checks& c)
{
    Click(editor, UtilityKey(command::kSaveProgram));
    plug.PumpUntil([] { return FindFileDialog() != nullptr; });
    HWND dialog = FindFileDialog();
    if (!c.Expect(dialog != nullptr, "Save Program opens a file dialog on a thread of its own")) return;

    Click(editor, Middle(panel::ParameterField(30)));
    c.Expect(plug.PumpUntil([&] { return plug.Working() == 30; }), "the panel plays on while the dialog is open");

    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "qor-editor-check-" + std::to_string(GetCurrentProcessId()) + ".fxp";
    DeleteFileA(path.c_str());
    // The file name box of the dialog: a combo box in newer layouts, an edit box in older ones.
    HWND name = GetDlgItem(dialog, 0x47C);
    if (!name) name = GetDlgItem(dialog, 0x480);
    if (!c.Expect(name != nullptr, "the dialog has its file name box")) return;
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    const bool saved = plug.PumpUntil([&] { return IsProgramFile(path); }, std::chrono::seconds(5));
    c.Expect(saved, "the answer comes back to the editor and the program is saved to " + path);
    DeleteFileA(path.c_str());

    Click(editor, UtilityKey(command::kSaveProgram));
    c.Expect(plug.PumpUntil([] { return FindFileDialog() != nullptr; }), "a second Save Program opens the dialog again");
}

}  // namespace

std::vector<std::string> CheckEditor(const std::string& givenPath, const std::function<void(const std::string&)>& log)
{
    // A file dialog moves the process's current folder while it is open (and
    // Wine's, after it closes, until its thread puts it back): the DLL is
    // loaded again later by its full path, as hosts do.
    char full[MAX_PATH * 4] = {};
    const DWORD length = GetFullPathNameA(givenPath.c_str(), DWORD(sizeof full), full, nullptr);
    const std::string dllPath = length > 0 && length < sizeof full ? std::string(full) : givenPath;
    Checks c(log);
    Plugin plug;
    if (!c.Expect(plug.Load(dllPath), "the plug-in loads: " + dllPath)) return c.Failures();
    HWND host = MakeHostWindow();
    if (!c.Expect(host != nullptr, "the test makes its host window")) return c.Failures();
    // The host's window is active before the editor opens in it, as a
    // musician's would be (focus moves that arrive late would take the keys
    // from a text box).
    SetForegroundWindow(host);
    plug.PumpUntil([] { return false; }, std::chrono::milliseconds(500));

    vst::ERect* rect = nullptr;
    c.Expect(plug.Dispatch(vst::effEditGetRect, 0, 0, &rect) == 1 && rect &&
                 rect->right - rect->left == panel::kWidth && rect->bottom - rect->top == panel::kHeight,
             "effEditGetRect gives the panel's size");
    c.Expect(!ClassRegistered(plug.Module()), "no window class before an editor opens");

    // Opened, used and closed twice: the second time works like the first.
    const int fields[2] = {20, 43};
    for (int field : fields) {
        const std::string round = " (field " + std::to_string(field) + ")";
        if (!c.Expect(plug.Dispatch(vst::effEditOpen, 0, 0, host) == 1, "effEditOpen" + round)) break;
        HWND editor = EditorIn(host);
        if (!c.Expect(editor != nullptr, "a child window of class IPlugWndClass in the host's window" + round)) break;
        RECT client{};
        GetClientRect(editor, &client);
        POINT origin{0, 0};
        MapWindowPoints(editor, host, &origin, 1);
        c.Expect(IsWindowVisible(editor) && TextOf(editor) == "IPlug" && origin.x == 0 && origin.y == 0 &&
                     client.right == panel::kWidth && client.bottom == panel::kHeight,
                 "visible, titled IPlug, at the host window's origin with the panel's size");
        c.Expect(ClassRegistered(plug.Module()), "the class is registered while the editor is open");
        plug.Settle();
        if (field == fields[0]) {
            // The window shows what the raster holds: the same panel as the
            // plug-in draws offscreen, colour for colour.
            const long differ = PixelsDifferingFromPanel(plug, editor);
            c.Expect(differ == 0, "the window shows the panel as drawn offscreen (" + std::to_string(differ) +
                                      " pixels differ)");
        }

        Click(editor, Middle(panel::ParameterField(field)));
        c.Expect(plug.PumpUntil([&] { return plug.Working() == field; }),
                 "a click on a field makes it the working parameter" + round);

        if (field == fields[0]) {
            CheckTextEntry(plug, editor, c);
            gHostKeys.clear();
            Press(editor, VK_F1);
            c.Expect(plug.PumpUntil([] { return std::count(gHostKeys.begin(), gHostKeys.end(), VK_F1) > 0; }),
                     "a key the editor does not take (F1) reaches the host's window");
            CheckWheelAndDrag(plug, editor, c);
            CheckFileDialog(plug, editor, c);
        }

        c.Expect(plug.Dispatch(vst::effEditClose) == 1, "effEditClose" + round);
        c.Expect(!IsWindow(editor) && !EditorIn(host), "the child window is gone after effEditClose" + round);
        c.Expect(plug.PumpUntil([] { return FindFileDialog() == nullptr; }),
                 "no file dialog is left open after effEditClose" + round);
        c.Expect(!ClassRegistered(plug.Module()), "the class is unregistered after the last close" + round);
    }

    // Two instances with their editors open share the class: it stays until
    // the last of them closes, whichever closes first.
    {
        Plugin second;
        HWND otherHost = MakeHostWindow();
        if (c.Expect(second.Load(dllPath) && otherHost, "a second instance in a second host window")) {
            c.Expect(plug.Dispatch(vst::effEditOpen, 0, 0, host) == 1 &&
                         second.Dispatch(vst::effEditOpen, 0, 0, otherHost) == 1,
                     "both editors open");
            plug.Dispatch(vst::effEditClose);
            c.Expect(ClassRegistered(plug.Module()) && IsWindow(EditorIn(otherHost)),
                     "the class stays while the second editor is open");
            second.Dispatch(vst::effEditClose);
            c.Expect(!ClassRegistered(plug.Module()), "and goes when it closes");
        }
        if (otherHost) DestroyWindow(otherHost);
    }

    // An instance closed with its editor and a file dialog still open: the
    // dialog is cancelled, the window and the class go.
    {
        HWND otherHost = MakeHostWindow();
        {
            Plugin third;
            if (c.Expect(third.Load(dllPath) && otherHost && third.Dispatch(vst::effEditOpen, 0, 0, otherHost) == 1,
                         "a third instance opens its editor")) {
                Click(EditorIn(otherHost), UtilityKey(command::kSaveProgram));
                c.Expect(third.PumpUntil([] { return FindFileDialog() != nullptr; }), "and a file dialog");
            }
        }  // effClose, with no effEditClose first
        c.Expect(plug.PumpUntil([&] { return FindFileDialog() == nullptr && !EditorIn(otherHost); }),
                 "closing that instance closes its dialog and its window");
        c.Expect(!ClassRegistered(plug.Module()), "and unregisters the class");
        if (otherHost) DestroyWindow(otherHost);
    }

    // A host that destroys its window before effEditClose takes the editor's
    // window with it; the editor lets go of the class all the same.
    if (c.Expect(plug.Dispatch(vst::effEditOpen, 0, 0, host) == 1, "effEditOpen once more")) {
        HWND editor = EditorIn(host);
        DestroyWindow(host);
        plug.Settle();
        c.Expect(editor && !IsWindow(editor), "the editor's window goes with the host's");
        plug.Dispatch(vst::effEditClose);
        c.Expect(!ClassRegistered(plug.Module()), "the class is unregistered after the host destroyed its window");
    }
    // A parent that is no window: the opening fails and leaves no class behind.
    c.Expect(plug.Dispatch(vst::effEditOpen, 0, 0, host) == 0, "effEditOpen with a destroyed window fails");
    c.Expect(!ClassRegistered(plug.Module()), "the class is unregistered after the failed opening");
    return c.Failures();
}

bool EditorWindowChecks(const std::string& dllPath, std::string& detail)
{
    int ran = 0;
    const std::vector<std::string> failures = CheckEditor(dllPath, [&](const std::string&) { ++ran; });
    detail = std::to_string(ran) + " checks, " + std::to_string(failures.size()) + " failed";
    for (const std::string& failure : failures) detail += "; " + failure;
    return failures.empty();
}

}  // namespace qor::wintest
