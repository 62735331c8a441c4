// The name of the program that plays; a click opens a text box to rename it
// (at most 30 characters).
#pragma once

#include <string>

#include "framework/IControl.h"

namespace qor {

class PanelView;

class IMwProgramName : public IControl {
public:
    IMwProgramName(IPlugBase& plug, const gfx::Rect& rect, PanelView& panel);

    std::string Name() const;
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void TextFromTextEntry(const char* text) override;
    bool IsDirty() const override { return mDirty || Name() != mDrawnName; }
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;

private:
    PanelView& mPanel;
    std::string mDrawnName;
};

}  // namespace qor
