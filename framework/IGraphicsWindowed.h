// What the editor's window forms (X11 on Linux, a child window on Windows)
// share: the raster the panel is drawn on, the message boxes and menus drawn
// over it (IDialogLayer) rather than the system's modal ones, whose own loops
// would hold the host's thread, and the queue of answers that are due.
//
// Editor thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/IDialogLayer.h"
#include "framework/IGraphics.h"
#include "graphics/Surface.h"

namespace qor {

// A file dialog under way (a program on Linux, a thread on Windows); dropping
// it cancels the dialog without waiting for it.
class IFileDialog {
public:
    virtual ~IFileDialog() = default;
    // Nothing while the musician is still choosing; then the chosen path,
    // empty when the dialog was cancelled or failed.
    virtual std::optional<std::string> Poll() = 0;
};

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
    // The file dialog whose path `then` will be given; one at a time.
    void AwaitFile(std::unique_ptr<IFileDialog> dialog, std::function<void(const std::string&)> then);
    bool FileDialogOpen() const { return mFileDialog != nullptr; }
    // A dialog that has ended hands its path to the continuation, as a due answer.
    void PollFileDialog();
    // Cancels a dialog still open; its continuation gets no path, as a due
    // answer, or never runs when `answer` is false (the plug-in is going).
    void CancelFileDialog(bool answer = true);
    const gfx::Font* DialogFont();
    // A committed text entry: a parameter's value read from its text, or the
    // control's own text (the program name).
    void CommitTypedText(IControl& target, int paramIndex, const std::string& text);

    gfx::Surface mSurface;
    IDialogLayer mLayer;

private:
    std::vector<std::function<void()>> mDue;
    std::unique_ptr<IFileDialog> mFileDialog;
    std::function<void(const std::string&)> mFileThen;
};

}  // namespace qor
