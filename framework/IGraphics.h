// The editor: a fixed-size panel of controls drawn on a raster surface.
// IGraphics is the portable part: the controls in drawing order, the events
// a window feeds it, dirty tracking and drawing. A window form for each
// system (IGraphicsLinux, IGraphicsWin) derives from it, puts the surface on
// the screen and offers the boxes, menus and text entry that the controls and
// the commands ask for. Without a window (tests, screenshots) the questions
// are answered at once as dismissed.
//
// Threads: everything here runs on the editor's thread (the host's thread
// that calls effEditIdle and owns the window). The event entries and Draw
// take the plug-in's main lock themselves (it is recursive), so controls may
// read parameters while a block renders elsewhere;
// SetParameterFromPlug arrives with the lock already held by the host's call.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/IMouseMod.h"
#include "framework/IText.h"
#include "framework/IUserServices.h"
#include "graphics/Bitmap.h"
#include "graphics/Rect.h"
#include "graphics/Surface.h"

namespace qor {

class IControl;
class IParameter;
class IPlugBase;

class IGraphics : public IUserServices {
public:
    static constexpr int kRedrawRate = 25;  // per second
    // The value prompt's text box, centred on the control.
    static constexpr int kPromptWidth = 40;
    static constexpr int kPromptHeight = 16;

    IGraphics(IPlugBase& plug, int width, int height);
    ~IGraphics() override;

    IPlugBase& GetPlug() { return mPlug; }
    int Width() const { return mWidth; }
    int Height() const { return mHeight; }

    // --- window (the system form overrides; the portable form has none) ---
    // Opens the editor as a child of the host's window; false when it cannot.
    virtual bool OpenWindow(void* parent) { return false; }
    virtual void CloseWindow() {}
    virtual bool WindowIsOpen() const { return false; }
    // The host's idle call: events, timers and repaints happen here.
    virtual void Idle() {}

    // --- what controls ask of the window ---
    // A one-line text entry over `box`; when committed the control receives
    // the text (or, for a parameter, its value through SetFromStringAfterPrompt).
    virtual void CreateTextEntry(IControl& control, const IText& style, const gfx::Rect& box,
                                 const std::string& text, int maxLength, int paramIndex);
    // Right click on a parameter control: a text box or a menu of display texts.
    void PromptUserInput(IControl& control);
    // A committed text entry for a parameter: the text becomes the control's
    // value as user input (enumerated texts by name, numbers by value).
    void SetFromStringAfterPrompt(IControl& control, int paramIndex, const std::string& text);

    // IUserServices: without a window every question is answered as dismissed.

    // --- events from the window, in editor pixels ---
    void OnMouseDown(int x, int y, const IMouseMod& mod);
    void OnMouseUp(int x, int y, const IMouseMod& mod);
    void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod);
    // True when a control took it (the window then captures the mouse).
    bool OnMouseDblClick(int x, int y, const IMouseMod& mod);
    void OnMouseWheel(int x, int y, const IMouseMod& mod, float delta);
    void OnMouseOver(int x, int y, const IMouseMod& mod);
    void OnMouseOut();
    // True when the control under the pointer took the key (IKey codes).
    bool OnKeyDown(int x, int y, int key);

    // --- drawing ---
    // The union of the dirty controls' rectangles; false when none is dirty.
    bool IsDirty(gfx::Rect& area) const;
    // Redraws every control that meets `area` onto the surface, in list order
    // and clipped to `area`, and marks them clean.
    void Draw(gfx::Surface& surface, const gfx::Rect& area);
    void SetAllControlsDirty();

    // --- controls ---
    // Takes ownership; drawing order is the order of attachment.
    int AttachControl(std::unique_ptr<IControl> control);
    IControl* GetControl(int index);
    int NControls() const { return int(mControls.size()); }
    // The host, a chunk or a program change set a parameter (inside the
    // host's call, main lock held): every control bound to it follows.
    void SetParameterFromPlug(int paramIndex, double value, bool normalized);

    // --- host automation ---
    // A control moved its parameter (normalized value). A press of the mouse
    // button to its release is one gesture: the host hears begin-edit once
    // for each parameter it moves, the changes, then end-edit at the release.
    // A change outside a press (a wheel notch, a typed or chosen value) is a
    // gesture of its own: begin-edit, the change, end-edit.
    void PushParameterFromControl(int paramIndex, double normalized);
    // Ends the pointer's gesture (the release, or the window closing).
    void EndGesture();

    // --- resources ---
    // Bitmaps by resource identifier, decoded once and cached. A resource
    // that is missing or no PNG gives an empty bitmap, which draws nothing.
    const gfx::Bitmap& LoadBitmap(int id, const char* resourceName, int frames);
    // "Arial" and "Verdana" (bold or not) from the fonts the plug-in carries;
    // null when the build carries none, and then text is not drawn.
    const gfx::Font* FindFont(const IText& style);
    // As FindFont; throws std::runtime_error when there is no font.
    const gfx::Font& FontFor(const IText& style);

private:
    // The control that takes the pointer at (x, y): the last attached one
    // that is hit, so later controls lie on top. -1 for none.
    int ControlAt(int x, int y) const;
    void BeginGesture();

    IPlugBase& mPlug;
    int mWidth, mHeight;
    std::vector<std::unique_ptr<IControl>> mControls;
    int mMouseCapture = -1;
    int mMouseOver = -1;
    bool mGestureOpen = false;
    std::vector<int> mGestureParams;  // begin-edit sent, end-edit owed
    struct Cache;
    std::unique_ptr<Cache> mCache;
};

}  // namespace qor
