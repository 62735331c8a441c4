// What the editor's window forms (X11 on Linux, a child window on Windows)
// share: the raster the panel is drawn on, the message boxes and menus drawn
// over it (IDialogLayer) rather than the system's modal ones, whose own loops
// would hold the host's thread, and the queue of answers that are due.
//
// Editor thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/IDialogLayer.h"
#include "framework/IGraphics.h"
#include "graphics/Surface.h"

namespace qor {

class IGraphicsWindowed : public IGraphics {
public:
    IGraphicsWindowed(IPlugBase& plug, int width, int height);

    void ShowMessage(const std::string& text, const std::string& title, int style,
                     std::function<void(int)> then) final;
    void ShowPopupMenu(const IPopupMenu& menu, int x, int y, std::function<void(int)> then) final;

protected:
    // The open window takes the keyboard, so that a box or menu just shown
    // hears Enter and Escape.
    virtual void FocusWindow() = 0;

    // Draws `area` of the panel, with the open box or menu over it, onto the
    // surface (made anew when the editor's size changed).
    void DrawPanel(const gfx::Rect& area);
    // Runs the answers that are due, and those they give rise to.
    void RunAnswers();
    // An answer to run with the next ones (never from inside the request).
    void AnswerLater(std::function<void()> answer) { mDue.push_back(std::move(answer)); }
    void DropAnswers() { mDue.clear(); }
    const gfx::Font* DialogFont();
    // A committed text entry: a parameter's value read from its text, or the
    // control's own text (the program name).
    void CommitTypedText(IControl& target, int paramIndex, const std::string& text);

    gfx::Surface mSurface;
    IDialogLayer mLayer;

private:
    std::vector<std::function<void()>> mDue;
};

}  // namespace qor
