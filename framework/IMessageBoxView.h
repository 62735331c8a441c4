// A message box the editor draws itself: a title, the message broken into
// lines, an information or error sign and the buttons OK or Yes and No. The
// first button is the default: Enter presses the button that has the focus
// (the default at first), Escape answers No (OK in a box with only OK); the
// arrows and Tab move the focus; Y and N answer Yes and No. The mouse
// presses a button when it is released over the button it went down on.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ITypedKey.h"
#include "graphics/Rect.h"

namespace qor {

class IMessageBoxView {
public:
    using MeasureText = std::function<int(std::string_view)>;
    static constexpr int kLineHeight = 18;
    static constexpr int kTitleHeight = 24;
    static constexpr int kButtonWidth = 84;
    static constexpr int kButtonHeight = 26;
    static constexpr int kMargin = 16;
    static constexpr int kIconSize = 32;
    static constexpr int kMaxTextWidth = 420;

    enum class Icon { None, Information, Error };
    struct Button {
        std::string label;
        int answer;
        gfx::Rect rect;
    };

    // style as IUserServices::ShowMessage takes it; centred in `bounds`.
    IMessageBoxView(const std::string& text, const std::string& title, int style, const gfx::Rect& bounds,
                    MeasureText measure);

    void Key(const ITypedKey& key);
    void MouseDown(int x, int y);
    void MouseUp(int x, int y);

    bool Done() const { return mAnswer != 0; }
    // One of IUserServices::kAnswer*; 0 while open.
    int Answer() const { return mAnswer; }
    // Answers as Escape would.
    void Dismiss() { mAnswer = mButtons.back().answer; }

    const std::string& Title() const { return mTitle; }
    const std::vector<std::string>& Lines() const { return mLines; }
    Icon GetIcon() const { return mIcon; }
    const std::vector<Button>& Buttons() const { return mButtons; }
    int Focused() const { return mFocused; }
    int Pressed() const { return mPressed; }
    const gfx::Rect& Rect() const { return mRect; }
    gfx::Rect IconRect() const;
    gfx::Rect TextRect() const;

private:
    int ButtonAt(int x, int y) const;

    std::string mTitle;
    std::vector<std::string> mLines;
    Icon mIcon = Icon::None;
    std::vector<Button> mButtons;
    gfx::Rect mRect;
    int mFocused = 0;
    int mPressed = -1;
    int mAnswer = 0;
};

}  // namespace qor
