// The base of every editor control: a rectangle on the panel, an optional
// bound parameter and a normalized value, with the events a window delivers.
// Framework controls (bitmap, switch, multi-frame knob, text) derive from it,
// and so do the instrument's own.
#pragma once

#include <vector>

#include "framework/IMouseMod.h"
#include "framework/IText.h"
#include "graphics/Rect.h"
#include "graphics/Surface.h"

namespace qor {

class IGraphics;
class IPlugBase;

class IControl {
public:
    IControl(IPlugBase& plug, const gfx::Rect& rect, int paramIndex = -1);
    virtual ~IControl() = default;

    virtual void OnMouseDown(int x, int y, const IMouseMod& mod) {}
    virtual void OnMouseUp(int x, int y, const IMouseMod& mod) {}
    virtual void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) {}
    // True when the control takes the double click.
    virtual bool OnMouseDblClick(int x, int y, const IMouseMod& mod);
    virtual void OnMouseWheel(int x, int y, const IMouseMod& mod, float delta) {}
    virtual bool OnKeyDown(int x, int y, int key) { return false; }
    virtual void OnMouseOver(int x, int y, const IMouseMod& mod) {}
    virtual void OnMouseOut() {}
    virtual void Draw(IGraphics& graphics, gfx::Surface& surface) = 0;

    // The host, a chunk or a program change set the bound parameter.
    virtual void SetValueFromPlug(double value);
    // A value typed or chosen by the musician: taken and pushed to the plug-in.
    virtual void SetValueFromUserInput(double value);
    // A committed text entry that edits no parameter (a program name).
    virtual void TextFromTextEntry(const char* text) {}
    virtual bool IsDirty() const { return mDirty; }
    virtual void SetClean() { mDirty = false; }
    virtual bool IsHit(int x, int y) const;
    // Clamps the value to 0..1, marks the control for redraw and, when it is
    // bound to a parameter, sets the parameter from the editor.
    virtual void SetDirty(bool pushParamToPlug = true);
    virtual void Redraw() { mDirty = true; }
    virtual int ParamIdx() const { return mParamIdx; }
    // A parameter bound as a secondary binding (`binding` counts them).
    virtual void SetAuxParamValueFromPlug(int binding, double value) {}

    const gfx::Rect& GetRECT() const { return mRECT; }
    const gfx::Rect& GetTargetRECT() const { return mTargetRECT; }
    double GetValue() const { return mValue; }
    double GetDefault() const { return mDefaultValue; }
    void SetText(const IText& text) { mText = text; }
    const IText& GetText() const { return mText; }
    const std::vector<int>& AuxParams() const { return mAuxParams; }
    void AddAuxParam(int paramIndex) { mAuxParams.push_back(paramIndex); }
    IPlugBase& GetPlug() { return mPlug; }
    // The editor that holds the control (set when it is attached); parameter
    // changes go through it so that it can bracket gestures for the host.
    void SetGraphics(IGraphics* graphics) { mGraphics = graphics; }
    IGraphics* GetGraphics() const { return mGraphics; }

protected:
    IPlugBase& mPlug;
    gfx::Rect mRECT;
    gfx::Rect mTargetRECT;
    int mParamIdx;
    double mValue = 0.0;
    double mDefaultValue = -1.0;  // none until the first value arrives
    double mClampLo = 0.0, mClampHi = 1.0;
    bool mDirty = true;
    IText mText;
    std::vector<int> mAuxParams;
    IGraphics* mGraphics = nullptr;
};

}  // namespace qor
