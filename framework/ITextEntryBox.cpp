#include "framework/ITextEntryBox.h"

#include <algorithm>

namespace qor {

ITextEntryBox::ITextEntryBox(const gfx::Rect& box, const IText& style, std::string text, int maxLength,
                             Accepts accepts)
    : mBox(box), mStyle(style), mText(std::move(text)), mMaxLength(std::max(0, maxLength)),
      mAccepts(std::move(accepts))
{
    if (int(mText.size()) > mMaxLength) mText.resize(size_t(mMaxLength));
    mCaret = int(mText.size());
}

void ITextEntryBox::Finish(State state)
{
    if (mState == State::Open) mState = state;
}

void ITextEntryBox::EraseSelection()
{
    if (!mAllSelected) return;
    mText.clear();
    mCaret = 0;
    mAllSelected = false;
}

void ITextEntryBox::Insert(char c)
{
    if (mAccepts && !mAccepts(c)) return;  // refused: the selection stays as it was
    EraseSelection();
    if (int(mText.size()) >= mMaxLength) return;
    mText.insert(mText.begin() + mCaret, c);
    ++mCaret;
}

void ITextEntryBox::Key(const ITypedKey& key)
{
    if (mState != State::Open) return;
    using Kind = ITypedKey::Kind;
    switch (key.kind) {
        case Kind::Enter: Finish(State::Committed); return;
        case Kind::Escape: Finish(State::Cancelled); return;
        case Kind::Character: Insert(key.ch); return;
        case Kind::Backspace:
            if (mAllSelected) {
                EraseSelection();
            } else if (mCaret > 0) {
                mText.erase(size_t(--mCaret), 1);
            }
            return;
        case Kind::Delete:
            if (mAllSelected) {
                EraseSelection();
            } else if (mCaret < int(mText.size())) {
                mText.erase(size_t(mCaret), 1);
            }
            return;
        case Kind::Left:
            mCaret = mAllSelected ? 0 : std::max(0, mCaret - 1);
            break;
        case Kind::Right:
            mCaret = mAllSelected ? int(mText.size()) : std::min(int(mText.size()), mCaret + 1);
            break;
        case Kind::Home: mCaret = 0; break;
        case Kind::End: mCaret = int(mText.size()); break;
        default: return;
    }
    mAllSelected = false;
}

int ITextEntryBox::TextLeft(int textWidth) const
{
    // Text longer than the box shows its end, where typing happens.
    if (textWidth > mBox.W() - 2 * kInset) return mBox.right - kInset - textWidth;
    switch (mStyle.align) {
        case gfx::Align::Left: return mBox.left + kInset;
        case gfx::Align::Right: return mBox.right - kInset - textWidth;
        case gfx::Align::Center: break;
    }
    return mBox.left + (mBox.W() - textWidth) / 2;
}

void ITextEntryBox::MouseDown(int x, int y, int caretFromX)
{
    if (mState != State::Open) return;
    if (!mBox.Contains(x, y)) {
        Finish(State::Committed);
        return;
    }
    mAllSelected = false;
    mCaret = std::clamp(caretFromX, 0, int(mText.size()));
}

}  // namespace qor
