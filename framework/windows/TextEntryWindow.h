// The one-line text entry on Windows: an "EDIT" child window (identifier 99)
// over a control, in the control's text style (font, bold, italic, alignment,
// entry colours), limited to a length and to the characters its rules take,
// with all its text selected and the focus.
//
// Inside it Enter commits, Escape cancels, losing the focus commits and a
// wheel turn cancels; a paste brings in only what could have been typed.
// The box itself only records the outcome: the editor finishes it at its
// next timer tick, reads the text and removes the box.
//
// Editor thread only.
#pragma once

#include <memory>
#include <string>

#include "framework/IText.h"
#include "framework/ITextEntryRules.h"
#include "graphics/Rect.h"

namespace qor {

class TextEntryWindow {
public:
    static constexpr int kId = 99;
    // Focused: just opened; Shown: the editor has painted around it since.
    enum class State { Focused = 1, Shown = 2, Cancel = 3, Commit = 4 };

    // A box covering `box` and one pixel more to the right and bottom, in the
    // window `parent` (an HWND) of module `instance`. Null when Windows
    // refuses the window.
    static std::unique_ptr<TextEntryWindow> Open(void* parent, void* instance, const gfx::Rect& box,
                                                 const IText& style, const std::string& text,
                                                 const TextEntryRules& rules);
    ~TextEntryWindow();  // destroys the window and its font and brush

    TextEntryWindow(const TextEntryWindow&) = delete;
    TextEntryWindow& operator=(const TextEntryWindow&) = delete;

    State GetState() const;
    bool IsOpen() const { return GetState() == State::Focused || GetState() == State::Shown; }
    // The outcome, taken only while the box is open: the first one holds.
    void MarkShown();
    void Commit();
    void Cancel();

    // What the box holds, at most TextEntryRules::kCommitLength characters.
    std::string Text() const;
    const gfx::Rect& Box() const;
    void* Handle() const;  // HWND; null once Windows destroyed the box
    // The parent's WM_CTLCOLOREDIT for this box: sets the colours on the
    // device context `dc` (an HDC) and returns the background brush.
    void* Colours(void* dc) const;

    struct Impl;

private:
    explicit TextEntryWindow(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> mImpl;
};

}  // namespace qor
