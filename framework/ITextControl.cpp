#include "framework/ITextControl.h"

#include <utility>

#include "framework/IGraphics.h"

namespace qor {

ITextControl::ITextControl(IPlugBase& plug, const gfx::Rect& rect, const IText& style, std::string text)
    : IControl(plug, rect), mString(std::move(text))
{
    mText = style;
}

void ITextControl::SetTextFromPlug(std::string text)
{
    if (text == mString) return;
    mString = std::move(text);
    Redraw();
}

void ITextControl::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    if (mString.empty()) return;
    if (const gfx::Font* font = graphics.FindFont(mText))
        surface.DrawText(*font, mText.size, mText.color, mRECT, mText.align, mString);
}

}  // namespace qor
