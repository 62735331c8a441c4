#include "framework/linux/IGraphicsLinux.h"

#include <cstdlib>

#include "framework/IControl.h"
#include "framework/IParameter.h"
#include "framework/IPlugBase.h"
#include "framework/ITextEntryRules.h"
#include "graphics/Font.h"

namespace qor {

namespace {

// What a text entry takes: the editor's rules for a parameter's value or a
// name (the path entry takes what a name takes).
ITextEntryBox::Accepts AcceptsFor(const IParameter* param)
{
    const TextEntryRules rules = param ? TextEntryRules::ForParameter(*param) : TextEntryRules::ForName();
    return [rules](char c) { return rules.Accepts(c); };
}

}  // namespace

IGraphicsLinux::IGraphicsLinux(IPlugBase& plug, int width, int height) : IGraphicsWindowed(plug, width, height) {}

IGraphicsLinux::~IGraphicsLinux()
{
    // The plug-in is going away: a running dialog is killed and reaped and
    // the window closed, but no continuation runs into a half-destroyed
    // plug-in (hosts close the editor before the plug-in, and that answers).
    CancelFileDialog(false);
    mWindow = nullptr;
}

bool IGraphicsLinux::OpenWindow(void* parent)
{
    if (mWindow) CloseWindow();
    mWindow = XcbEditorWindow::Open(uint32_t(reinterpret_cast<uintptr_t>(parent)), Width(), Height());
    if (!mWindow) return false;
    if (mSurface.Width() != Width() || mSurface.Height() != Height()) mSurface = gfx::Surface(Width(), Height());
    mPainted = false;
    mExposed = {};
    SetAllControlsDirty();
    mLastPaint = {};
    mWindow->TakeFocus();  // as a window made on Windows takes it
    return true;
}

void IGraphicsLinux::CloseWindow()
{
    // Questions still open are answered as dismissed, a running file dialog
    // ends with no path; their continuations run now, once.
    mLayer.DismissAll();
    CancelFileDialog();  // the dialog program is killed and reaped
    mWindow = nullptr;
    RunAnswers();
}

void IGraphicsLinux::DropWindow()
{
    CloseWindow();
}

void IGraphicsLinux::Idle()
{
    // Openers of web addresses end on their own; reap them.
    std::erase_if(mOpeners, [](const std::unique_ptr<ChildProcess>& p) { return p->Poll(); });
    if (!mWindow) return;
    mWindow->Poll(*this);
    if (!mWindow->Alive()) {
        DropWindow();
        return;
    }
    PollFileDialog();
    RunAnswers();
    if (!mWindow) return;  // a continuation closed the editor
    const auto now = std::chrono::steady_clock::now();
    if (now - mLastPaint >= kFramePeriod) {
        mLastPaint = now;
        Paint();
    }
}

void IGraphicsLinux::Paint()
{
    gfx::Rect area;
    if (!mPainted) {
        SetAllControlsDirty();
        mExposed = {0, 0, Width(), Height()};
    }
    IsDirty(area);
    area = area.Union(mLayer.TakeDirty());
    if (!area.Empty()) {
        area = area.Intersection({0, 0, Width(), Height()});
        DrawPanel(area);
        mPainted = true;
    }
    const gfx::Rect put = area.Union(mExposed);
    mExposed = {};
    if (!put.Empty()) {
        mWindow->Put(mSurface.Row(0), mSurface.Width(), put);
        mWindow->Flush();
    }
}

// --- events ---

void IGraphicsLinux::WindowMouseDown(int x, int y, const IMouseMod& mod)
{
    if (mLayer.MouseDown(x, y)) return;
    OnMouseDown(x, y, mod);
}

void IGraphicsLinux::WindowMouseUp(int x, int y, const IMouseMod& mod)
{
    mLayer.MouseUp(x, y);
    OnMouseUp(x, y, mod);
}

void IGraphicsLinux::WindowMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod)
{
    if (mLayer.MouseDrag(x, y)) return;
    OnMouseDrag(x, y, dX, dY, mod);
}

void IGraphicsLinux::WindowDoubleClick(int x, int y, const IMouseMod& mod)
{
    if (mLayer.MouseDown(x, y)) return;
    // A second quick press on a control that has no use for a double click
    // (a panel key pressed twice) is a press like the first.
    if (!OnMouseDblClick(x, y, mod)) OnMouseDown(x, y, mod);
}

void IGraphicsLinux::WindowMouseWheel(int x, int y, const IMouseMod& mod, float delta)
{
    if (mLayer.Wheel()) return;
    OnMouseWheel(x, y, mod, delta);
}

void IGraphicsLinux::WindowMouseMove(int x, int y, const IMouseMod& mod)
{
    if (mLayer.MouseMove(x, y)) return;
    OnMouseOver(x, y, mod);
}

void IGraphicsLinux::WindowMouseLeave() { OnMouseOut(); }

bool IGraphicsLinux::WindowKeyDown(int x, int y, const ITypedKey& key)
{
    if (mLayer.Key(key)) return true;
    const int code = key.PanelKey();
    return code >= 0 && OnKeyDown(x, y, code);
}

void IGraphicsLinux::WindowExposed(const gfx::Rect& area) { mExposed = mExposed.Union(area); }

// --- what controls and commands ask ---

void IGraphicsLinux::CreateTextEntry(IControl& control, const IText& style, const gfx::Rect& box,
                                     const std::string& text, int maxLength, int paramIndex)
{
    if (!mWindow) return;
    const IParameter* param = paramIndex >= 0 ? GetPlug().GetParam(paramIndex) : nullptr;
    auto entry = std::make_unique<ITextEntryBox>(box, style, text, maxLength, AcceptsFor(param));
    IControl* target = &control;  // controls live as long as the editor
    mWindow->TakeFocus();
    mLayer.ShowTextEntry(std::move(entry), [this, target, paramIndex](bool committed, const std::string& typed) {
        if (!committed) return;
        CommitTypedText(*target, paramIndex, typed.substr(0, size_t(TextEntryRules::kCommitLength)));
    });
}

void IGraphicsLinux::ChooseFile(const FileRequest& request, std::function<void(const std::string&)> then)
{
    if (!mWindow) return IGraphics::ChooseFile(request, std::move(then));
    if (FileDialogOpen() || mPathEntryOpen) {
        // One dialog at a time: a second request answers empty, on idle.
        AnswerLater([then] { if (then) then(std::string()); });
        return;
    }
    if (auto dialog = FileDialogProcess::Start(request)) {
        AwaitFile(std::move(dialog), std::move(then));
        return;
    }
    // No dialog program on this machine: the path is typed into the editor.
    std::string start = request.folder;
    if (!start.empty() && start.back() != '/') start += '/';
    if (request.save) start += request.proposedName;
    const int width = std::min(Width() - 40, 640), height = 20;
    const int left = (Width() - width) / 2, top = (Height() - height) / 2;
    IText style;
    style.font = "Arial";
    style.size = 13;
    style.align = gfx::Align::Left;
    auto entry = std::make_unique<ITextEntryBox>(gfx::Rect{left, top, left + width, top + height}, style, start,
                                                 kPathLength, AcceptsFor(nullptr));
    entry->caption = request.save ? "Save as (Enter saves, Escape cancels):" : "Open (Enter opens, Escape cancels):";
    mPathEntryOpen = true;
    mWindow->TakeFocus();
    mLayer.ShowTextEntry(std::move(entry), [this, then](bool committed, const std::string& typed) {
        mPathEntryOpen = false;
        std::string path = committed ? typed : std::string();
        if (path.rfind("~/", 0) == 0)
            if (const char* home = std::getenv("HOME")) path = home + path.substr(1);
        if (then) then(path);
    });
}

void IGraphicsLinux::OpenAddress(const std::string& address)
{
    const std::string opener = ChildProcess::FindOnPath("xdg-open");
    if (opener.empty() || address.empty()) return;
    if (auto process = ChildProcess::Start({opener, address})) mOpeners.push_back(std::move(process));
}

}  // namespace qor
