#include "framework/IMessageBoxView.h"

#include <algorithm>

#include "framework/IUserServices.h"

namespace qor {

namespace {

// Breaks the text at its line feeds and between words where a line grows
// wider than `width`; a word wider than a line stands alone.
std::vector<std::string> BreakLines(const std::string& text, int width, const IMessageBoxView::MeasureText& measure)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string paragraph = text.substr(start, end - start);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
        std::string line;
        size_t word = 0;
        while (word < paragraph.size()) {
            size_t next = paragraph.find(' ', word);
            if (next == std::string::npos) next = paragraph.size();
            const std::string piece = paragraph.substr(word, next - word);
            const std::string joined = line.empty() ? piece : line + " " + piece;
            if (!line.empty() && measure && measure(joined) > width) {
                lines.push_back(line);
                line = piece;
            } else {
                line = joined;
            }
            word = next + 1;
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

IMessageBoxView::IMessageBoxView(const std::string& text, const std::string& title, int style,
                                 const gfx::Rect& bounds, MeasureText measure)
    : mTitle(title)
{
    if (style & IUserServices::kIconError) {
        mIcon = Icon::Error;
    } else if (style & IUserServices::kIconInformation) {
        mIcon = Icon::Information;
    }
    if ((style & 0xf) == IUserServices::kYesNo) {
        mButtons = {{"Yes", IUserServices::kAnswerYes, {}}, {"No", IUserServices::kAnswerNo, {}}};
    } else {
        mButtons = {{"OK", IUserServices::kAnswerOk, {}}};
    }
    mLines = BreakLines(text, kMaxTextWidth, measure);

    int textWidth = 0;
    for (const std::string& line : mLines) textWidth = std::max(textWidth, measure ? measure(line) : 0);
    textWidth = std::min(textWidth, kMaxTextWidth);
    const int iconRoom = mIcon == Icon::None ? 0 : kIconSize + kMargin;
    const int buttonsWidth = int(mButtons.size()) * kButtonWidth + (int(mButtons.size()) - 1) * 10;
    int width = std::max({2 * kMargin + iconRoom + textWidth, 2 * kMargin + buttonsWidth, 240,
                          2 * kMargin + (measure ? measure(title) : 0)});
    const int textHeight = std::max(int(mLines.size()) * kLineHeight, mIcon == Icon::None ? 0 : kIconSize);
    int height = kTitleHeight + kMargin + textHeight + kMargin + kButtonHeight + kMargin;
    width = std::min(width, bounds.W());
    height = std::min(height, bounds.H());
    const int left = bounds.left + (bounds.W() - width) / 2, top = bounds.top + (bounds.H() - height) / 2;
    mRect = {left, top, left + width, top + height};

    int x = mRect.right - kMargin - buttonsWidth;
    const int y = mRect.bottom - kMargin - kButtonHeight;
    for (Button& b : mButtons) {
        b.rect = {x, y, x + kButtonWidth, y + kButtonHeight};
        x += kButtonWidth + 10;
    }
}

gfx::Rect IMessageBoxView::IconRect() const
{
    if (mIcon == Icon::None) return {};
    const int left = mRect.left + kMargin, top = mRect.top + kTitleHeight + kMargin;
    return {left, top, left + kIconSize, top + kIconSize};
}

gfx::Rect IMessageBoxView::TextRect() const
{
    const int left = mRect.left + kMargin + (mIcon == Icon::None ? 0 : kIconSize + kMargin);
    const int top = mRect.top + kTitleHeight + kMargin;
    return {left, top, mRect.right - kMargin, top + int(mLines.size()) * kLineHeight};
}

int IMessageBoxView::ButtonAt(int x, int y) const
{
    for (int i = 0; i < int(mButtons.size()); ++i)
        if (mButtons[size_t(i)].rect.Contains(x, y)) return i;
    return -1;
}

void IMessageBoxView::Key(const ITypedKey& key)
{
    if (Done()) return;
    using Kind = ITypedKey::Kind;
    const int n = int(mButtons.size());
    switch (key.kind) {
        case Kind::Enter: mAnswer = mButtons[size_t(mFocused)].answer; break;
        case Kind::Escape: Dismiss(); break;
        case Kind::Left: case Kind::Up: mFocused = (mFocused + n - 1) % n; break;
        case Kind::Right: case Kind::Down: case Kind::Tab: mFocused = (mFocused + 1) % n; break;
        case Kind::Character: {
            const char c = char(key.ch | 0x20);
            if (key.ch == ' ') {
                mAnswer = mButtons[size_t(mFocused)].answer;
            } else {
                for (const Button& b : mButtons)
                    if (char(b.label[0] | 0x20) == c) mAnswer = b.answer;
            }
            break;
        }
        default: break;
    }
}

void IMessageBoxView::MouseDown(int x, int y)
{
    if (Done()) return;
    mPressed = ButtonAt(x, y);
    if (mPressed >= 0) mFocused = mPressed;
}

void IMessageBoxView::MouseUp(int x, int y)
{
    if (Done()) return;
    if (mPressed >= 0 && ButtonAt(x, y) == mPressed) mAnswer = mButtons[size_t(mPressed)].answer;
    mPressed = -1;
}

}  // namespace qor
