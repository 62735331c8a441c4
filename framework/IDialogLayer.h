// The questions the editor draws itself over its controls: message boxes,
// popup menus and the text entry box. One is open at a time, the others
// wait in the order they were asked. While a message box or a menu is open
// the controls get no events; a text entry lets the pointer move on but
// takes the keys, and a press anywhere else commits it.
//
// Answers are collected as the events arrive and their continuations run
// from RunAnswers(), which the window calls on idle with no lock held.
// Portable: the window form only routes its events here.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/IMenuView.h"
#include "framework/IMessageBoxView.h"
#include "framework/IPopupMenu.h"
#include "framework/ITextEntryBox.h"
#include "framework/ITypedKey.h"
#include "graphics/Rect.h"

namespace qor {

class IDialogLayer {
public:
    // Width in pixels of the text at a text size.
    using MeasureText = std::function<int(std::string_view text, int size)>;
    // The text size of menus and message boxes.
    static constexpr int kTextSize = 13;

    IDialogLayer(const gfx::Rect& bounds, MeasureText measure);

    void ShowMessage(const std::string& text, const std::string& title, int style, std::function<void(int)> then);
    void ShowMenu(const IPopupMenu& menu, int x, int y, std::function<void(int)> then);
    // `then` hears whether the text was committed, and the text.
    void ShowTextEntry(std::unique_ptr<ITextEntryBox> entry,
                       std::function<void(bool committed, const std::string& text)> then);

    bool Active() const { return !mQueue.empty(); }
    const IMenuView* Menu() const { return Active() ? mQueue.front().menu.get() : nullptr; }
    const IMessageBoxView* Box() const { return Active() ? mQueue.front().box.get() : nullptr; }
    const ITextEntryBox* Entry() const { return Active() ? mQueue.front().entry.get() : nullptr; }

    // Each returns true when the event was the layer's (the controls do not get it).
    bool MouseDown(int x, int y);
    bool MouseMove(int x, int y);
    bool MouseDrag(int x, int y);
    bool Wheel();
    bool Key(const ITypedKey& key);
    // Releases go on to the controls as well (a press they had ends).
    void MouseUp(int x, int y);

    // Runs the continuations of the questions answered so far, in order. A
    // continuation may ask a new question.
    void RunAnswers();
    // Answers everything open or waiting as dismissed (No, OK, no item, a
    // cancelled entry); RunAnswers() then runs them.
    void DismissAll();
    bool HasAnswers() const { return !mAnswered.empty(); }

    // What has to be drawn again since the last call.
    gfx::Rect TakeDirty();

private:
    struct Question {
        std::unique_ptr<IMenuView> menu;
        std::unique_ptr<IMessageBoxView> box;
        std::unique_ptr<ITextEntryBox> entry;
        std::function<void(int)> thenInt;
        std::function<void(bool, const std::string&)> thenText;
        gfx::Rect Area() const;
    };
    // Moves the open question to the answered ones when it has its answer.
    void Settle();
    void Touch() { if (Active()) mDirty = mDirty.Union(mQueue.front().Area()); }
    std::function<int(std::string_view)> Measure(int size) const;

    gfx::Rect mBounds;
    MeasureText mMeasure;
    std::deque<Question> mQueue;  // the front one is open
    std::vector<std::function<void()>> mAnswered;
    gfx::Rect mDirty;
};

}  // namespace qor
