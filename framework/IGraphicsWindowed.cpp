#include "framework/IGraphicsWindowed.h"

#include "framework/IControl.h"
#include "framework/IDialogLook.h"
#include "framework/IPlugBase.h"

namespace qor {

IGraphicsWindowed::IGraphicsWindowed(IPlugBase& plug, int width, int height)
    : IGraphics(plug, width, height),
      mLayer({0, 0, width, height}, [this](std::string_view text, int size) {
          return IDialogLook(DialogFont()).Measure(text, size);
      })
{
}

const gfx::Font* IGraphicsWindowed::DialogFont()
{
    IText style;
    style.font = "Arial";
    return FindFont(style);  // none: the boxes are drawn without their texts
}

void IGraphicsWindowed::ShowMessage(const std::string& text, const std::string& title, int style,
                                    std::function<void(int)> then)
{
    if (!WindowIsOpen()) return IGraphics::ShowMessage(text, title, style, std::move(then));
    FocusWindow();
    mLayer.ShowMessage(text, title, style, std::move(then));
}

void IGraphicsWindowed::ShowPopupMenu(const IPopupMenu& menu, int x, int y, std::function<void(int)> then)
{
    if (!WindowIsOpen()) return IGraphics::ShowPopupMenu(menu, x, y, std::move(then));
    FocusWindow();
    mLayer.ShowMenu(menu, x, y, std::move(then));
}

void IGraphicsWindowed::DrawPanel(const gfx::Rect& area)
{
    if (mSurface.Width() != Width() || mSurface.Height() != Height()) mSurface = gfx::Surface(Width(), Height());
    Draw(mSurface, area);
    if (mLayer.Active()) {
        mSurface.SetClip(area);
        IDialogLook(DialogFont()).Draw(mLayer, mSurface);
        mSurface.ResetClip();
    }
}

void IGraphicsWindowed::CommitTypedText(IControl& target, int paramIndex, const std::string& text)
{
    if (paramIndex >= 0) {
        SetFromStringAfterPrompt(target, paramIndex, text);
    } else {
        auto lock = GetPlug().LockMain();
        target.TextFromTextEntry(text.c_str());
    }
}

void IGraphicsWindowed::AwaitFile(std::unique_ptr<IFileDialog> dialog, std::function<void(const std::string&)> then)
{
    mFileDialog = std::move(dialog);
    mFileThen = std::move(then);
}

void IGraphicsWindowed::PollFileDialog()
{
    if (!mFileDialog) return;
    if (std::optional<std::string> path = mFileDialog->Poll()) {
        mFileDialog = nullptr;
        if (auto then = std::move(mFileThen)) AnswerLater([then, chosen = *path] { then(chosen); });
    }
}

void IGraphicsWindowed::CancelFileDialog(bool answer)
{
    if (!mFileDialog) return;
    mFileDialog = nullptr;
    auto then = std::move(mFileThen);
    mFileThen = nullptr;
    if (answer && then) AnswerLater([then] { then(std::string()); });
}

void IGraphicsWindowed::RunAnswers()
{
    while (!mDue.empty() || mLayer.HasAnswers()) {
        std::vector<std::function<void()>> due;
        due.swap(mDue);
        for (auto& answer : due) answer();
        mLayer.RunAnswers();
    }
}

}  // namespace qor
