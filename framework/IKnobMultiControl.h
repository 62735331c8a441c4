// A knob drawn from a multi-frame bitmap. Dragging up raises the value:
// moving by the knob's height x gearing covers the whole range, ten times
// finer with shift or control held. A wheel notch moves it by 0.01 (0.001
// fine); a double click returns it to its default.
#pragma once

#include "framework/IBitmapControl.h"

namespace qor {

class IKnobMultiControl : public IBitmapControl {
public:
    static constexpr double kDefaultGearing = 4.0;
    static constexpr double kFineFactor = 10.0;
    static constexpr double kWheelStep = 0.01;
    static constexpr double kFineWheelStep = 0.001;

    IKnobMultiControl(IPlugBase& plug, int x, int y, int paramIndex, const gfx::Bitmap& bitmap,
                      double gearing = kDefaultGearing);

    void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override;
    void OnMouseWheel(int x, int y, const IMouseMod& mod, float delta) override;
    bool OnMouseDblClick(int x, int y, const IMouseMod& mod) override;

protected:
    double mGearing;
};

}  // namespace qor
