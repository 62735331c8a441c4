// A parameter field of the panel grid: shows its parameter's value and
// lights up while it is the working parameter. A click makes it the working
// parameter (a right click first opens the value prompt); dragging up or down
// changes the value (gearing 4, ten times finer with shift or control); a
// wheel notch moves it by exactly one step of the parameter.
#pragma once

#include <string>

#include "framework/IControl.h"

namespace qor {

class PanelView;

class IMwParamControl : public IControl {
public:
    static constexpr int kWorkingParameter = 7;
    static constexpr int kLfoSpeed = 33;
    static constexpr double kGearing = 4.0;
    // Text too wide for the field shrinks, down to this size, to fit
    // inside the margins.
    static constexpr int kSmallestTextSize = 8;
    static constexpr int kTextMargin = 2;

    IMwParamControl(IPlugBase& plug, const gfx::Rect& rect, int paramIndex, PanelView& panel);

    // The text the field shows now.
    std::string Text() const;
    bool IsWorking() const;

    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
    void OnMouseWheel(int x, int y, const IMouseMod& mod, float delta) override;
    bool IsDirty() const override;
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;

private:
    PanelView& mPanel;
    std::string mDrawnText;
    bool mDrawnWorking = false;
};

}  // namespace qor
