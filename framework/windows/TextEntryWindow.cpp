#include "framework/windows/TextEntryWindow.h"

#include <algorithm>

#include "framework/TextCopy.h"
#include "framework/windows/WinApi.h"

namespace qor {

struct TextEntryWindow::Impl {
    HWND edit = nullptr;
    HFONT font = nullptr;
    HBRUSH background = nullptr;
    COLORREF textColour = 0, backColour = 0;
    WNDPROC previous = nullptr;
    State state = State::Focused;
    TextEntryRules rules;
    gfx::Rect box;

    bool IsOpen() const { return state == State::Focused || state == State::Shown; }
    void Finish(State outcome)
    {
        if (IsOpen()) state = outcome;
    }
    void Paste();
};

namespace {

COLORREF ColourRef(const gfx::Color& c) { return RGB(c.r, c.g, c.b); }

LRESULT CALLBACK EntryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* impl = reinterpret_cast<TextEntryWindow::Impl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!impl) return DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC previous = impl->previous;
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                impl->Finish(TextEntryWindow::State::Commit);
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                impl->Finish(TextEntryWindow::State::Cancel);
                return 0;
            }
            break;
        case WM_CHAR: {
            const char c = char(wParam);
            // Enter and Escape were taken as keys; a tab has no place in a line.
            if (c == '\r' || c == '\n' || c == 0x1B || c == '\t') return 0;
            // Backspace and the editing shortcuts (copy, cut, paste, undo,
            // select all) arrive as control characters and stay the box's.
            if (static_cast<unsigned char>(c) < 0x20) break;
            if (!impl->rules.Accepts(c)) return 0;
            break;
        }
        case WM_PASTE:
            impl->Paste();
            return 0;
        case WM_KILLFOCUS:
            impl->Finish(TextEntryWindow::State::Commit);
            break;
        case WM_MOUSEWHEEL:
            impl->Finish(TextEntryWindow::State::Cancel);
            return 0;
        case WM_GETDLGCODE:
            // A host whose window is a dialog must not take Enter, Escape or Tab.
            return CallWindowProcA(previous, window, message, wParam, lParam) | DLGC_WANTALLKEYS;
        case WM_NCDESTROY:
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            impl->edit = nullptr;
            break;
        default: break;
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

}  // namespace

void TextEntryWindow::Impl::Paste()
{
    // Only what the box would have taken from the keyboard comes in.
    if (!OpenClipboard(edit)) return;
    std::string text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const auto* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = rules.Filter(BoundedText(bytes, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    // What replaces the selection may fill the box up to its length, no more.
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const int kept = GetWindowTextLengthA(edit) - int(end - start);
    text.resize(std::min(text.size(), size_t(std::max(0, rules.maxLength - kept))));
    if (!text.empty()) SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

TextEntryWindow::TextEntryWindow(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}

std::unique_ptr<TextEntryWindow> TextEntryWindow::Open(void* parent, void* instance, const gfx::Rect& box,
                                                       const IText& style, const std::string& text,
                                                       const TextEntryRules& rules)
{
    auto impl = std::make_unique<Impl>();
    impl->rules = rules;
    impl->box = box;
    DWORD align = ES_CENTER;
    if (style.align == gfx::Align::Left) align = ES_LEFT;
    if (style.align == gfx::Align::Right) align = ES_RIGHT;
    const std::string shown = text.substr(0, size_t(std::max(0, rules.maxLength)));
    impl->edit = CreateWindowExA(0, "EDIT", shown.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | align, box.left,
                                 box.top, box.W() + 1, box.H() + 1, static_cast<HWND>(parent),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)), static_cast<HINSTANCE>(instance),
                                 nullptr);
    if (!impl->edit) return nullptr;
    // The text size is the em height in pixels, as the panel's own text has it.
    impl->font = CreateFontA(-style.size, 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL, style.italic ? TRUE : FALSE,
                             FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, style.font.c_str());
    impl->textColour = ColourRef(style.entryText);
    impl->backColour = ColourRef(style.entryBackground);
    impl->background = CreateSolidBrush(impl->backColour);
    if (impl->font) SendMessageA(impl->edit, WM_SETFONT, reinterpret_cast<WPARAM>(impl->font), FALSE);
    SendMessageA(impl->edit, EM_LIMITTEXT, WPARAM(std::max(0, rules.maxLength)), 0);
    SetWindowLongPtrA(impl->edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl.get()));
    impl->previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(impl->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EntryProc)));
    SendMessageA(impl->edit, EM_SETSEL, 0, -1);
    SetFocus(impl->edit);
    return std::unique_ptr<TextEntryWindow>(new TextEntryWindow(std::move(impl)));
}

TextEntryWindow::~TextEntryWindow()
{
    // Leaving by the editor's hand is no loss of focus that commits.
    mImpl->state = State::Cancel;
    if (mImpl->edit) DestroyWindow(mImpl->edit);
    if (mImpl->font) DeleteObject(mImpl->font);
    if (mImpl->background) DeleteObject(mImpl->background);
}

TextEntryWindow::State TextEntryWindow::GetState() const { return mImpl->state; }

void TextEntryWindow::MarkShown()
{
    if (mImpl->state == State::Focused) mImpl->state = State::Shown;
}

void TextEntryWindow::Commit() { mImpl->Finish(State::Commit); }
void TextEntryWindow::Cancel() { mImpl->Finish(State::Cancel); }

std::string TextEntryWindow::Text() const
{
    char text[TextEntryRules::kCommitLength + 1] = {};
    if (mImpl->edit) GetWindowTextA(mImpl->edit, text, int(sizeof text));
    return std::string(BoundedText(text, TextEntryRules::kCommitLength));
}

const gfx::Rect& TextEntryWindow::Box() const { return mImpl->box; }
void* TextEntryWindow::Handle() const { return mImpl->edit; }

void* TextEntryWindow::Colours(void* dc) const
{
    SetTextColor(static_cast<HDC>(dc), mImpl->textColour);
    SetBkColor(static_cast<HDC>(dc), mImpl->backColour);
    return mImpl->background;
}

}  // namespace qor
