#include "plugin/editor/IMwProgramName.h"

#include "framework/IGraphics.h"
#include "framework/IPlugBase.h"
#include "framework/ITextEntryRules.h"
#include "plugin/PanelView.h"
#include "plugin/editor/PanelStyle.h"

namespace qor {

IMwProgramName::IMwProgramName(IPlugBase& plug, const gfx::Rect& rect, PanelView& panel)
    : IControl(plug, rect, -322), mPanel(panel)
{
    mText = panel::style::ProgramNameText();
}

std::string IMwProgramName::Name() const
{
    auto lock = mPlug.LockMain();
    // What plays: memory protection may keep a loaded program's name out of
    // its slot, and the panel shows the program the musician hears.
    return mPlug.LiveProgramName();
}

void IMwProgramName::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    if (mGraphics)
        mGraphics->CreateTextEntry(*this, mText, mRECT, Name(), TextEntryRules::kNameLength, -1);
}

void IMwProgramName::TextFromTextEntry(const char* text)
{
    std::string name(text ? text : "");
    if (name.size() > size_t(TextEntryRules::kNameLength)) name.resize(TextEntryRules::kNameLength);
    mPanel.RenameProgram(name);
    Redraw();
}

void IMwProgramName::Draw(IGraphics& graphics, gfx::Surface& surface)
{
    mDrawnName = Name();
    if (mDrawnName.empty()) return;
    if (const gfx::Font* font = graphics.FindFont(mText))
        surface.DrawText(*font, mText.size, mText.color, mRECT, mText.align, mDrawnName);
}

}  // namespace qor
