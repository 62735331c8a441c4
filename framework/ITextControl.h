// A line of text in a text style, inside the control's rectangle.
#pragma once

#include <string>

#include "framework/IControl.h"

namespace qor {

class ITextControl : public IControl {
public:
    ITextControl(IPlugBase& plug, const gfx::Rect& rect, const IText& style, std::string text = {});

    void SetTextFromPlug(std::string text);
    const std::string& Text() const { return mString; }
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;
    // Text takes no pointer: what lies under it does.
    bool IsHit(int x, int y) const override { return false; }

private:
    std::string mString;
};

}  // namespace qor
