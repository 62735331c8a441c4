// The one-line text entry box the editor draws itself: a program name, a
// typed parameter value, a path where no file dialog program exists. It
// starts with all its text selected, so typing replaces it. Enter commits,
// Escape cancels, a click anywhere else commits, a wheel turn cancels.
#pragma once

#include <functional>
#include <string>

#include "framework/IText.h"
#include "framework/ITypedKey.h"
#include "graphics/Rect.h"

namespace qor {

class ITextEntryBox {
public:
    enum class State { Open, Committed, Cancelled };
    // Whether a typed character goes in (backspace and delete always work).
    using Accepts = std::function<bool(char)>;

    // `text` is shown as given (cut to maxLength); what can be typed is
    // limited to `accepts` and maxLength characters.
    ITextEntryBox(const gfx::Rect& box, const IText& style, std::string text, int maxLength, Accepts accepts);

    void Key(const ITypedKey& key);
    // A press inside the box places the caret; anywhere else it commits.
    void MouseDown(int x, int y, int caretFromX);
    void Wheel() { Finish(State::Cancelled); }
    void LoseFocus() { Finish(State::Committed); }

    State GetState() const { return mState; }
    const std::string& Text() const { return mText; }
    int Caret() const { return mCaret; }
    bool AllSelected() const { return mAllSelected && !mText.empty(); }
    const gfx::Rect& Box() const { return mBox; }
    const IText& Style() const { return mStyle; }
    static constexpr int kInset = 3;  // between the box's edge and its text
    // Where text `textWidth` pixels wide starts, aligned as the style says.
    int TextLeft(int textWidth) const;
    // Shown above the box when set (the path entry says what it asks for).
    std::string caption;

private:
    void Finish(State state);
    void Insert(char c);
    void EraseSelection();

    gfx::Rect mBox;
    IText mStyle;
    std::string mText;
    int mMaxLength;
    Accepts mAccepts;
    int mCaret;
    bool mAllSelected = true;
    State mState = State::Open;
};

}  // namespace qor
