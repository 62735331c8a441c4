#include "framework/IGraphics.h"

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "framework/EditorFonts.h"
#include "framework/IControl.h"
#include "framework/IParameter.h"
#include "framework/IPlugBase.h"
#include "framework/ITextEntryRules.h"
#include "graphics/Font.h"
#include "graphics/FontRegistry.h"
#include "graphics/Png.h"
#include "platform/Resources.h"

namespace qor {

namespace {

// Resource names are given as paths ("resources/img/knob.png"); the build
// embeds each image under its file name without folder and extension.
std::string_view ResourceStem(std::string_view name)
{
    if (const size_t slash = name.find_last_of('/'); slash != std::string_view::npos) name.remove_prefix(slash + 1);
    if (const size_t dot = name.find_last_of('.'); dot != std::string_view::npos) name = name.substr(0, dot);
    return name;
}

}  // namespace

struct IGraphics::Cache {
    std::map<int, gfx::Bitmap> bitmaps;
    gfx::FontRegistry fonts;  // the embedded faces, registered on first use
    bool fontsAdded = false;
};

IGraphics::IGraphics(IPlugBase& plug, int width, int height)
    : mPlug(plug), mWidth(width), mHeight(height), mCache(std::make_unique<Cache>())
{
}

IGraphics::~IGraphics() = default;

// --- questions, answered as dismissed without a window ---

void IGraphics::CreateTextEntry(IControl& control, const IText& style, const gfx::Rect& box,
                                const std::string& text, int maxLength, int paramIndex)
{
    // No window, no box: the entry is cancelled and nothing changes.
}

// --- the value prompt ---

void IGraphics::PromptUserInput(IControl& control)
{
    const int index = control.ParamIdx();
    auto lock = mPlug.LockMain();
    const IParameter* param = mPlug.GetParam(index);
    if (!param) return;
    const gfx::Rect& r = control.GetRECT();
    if (param->NDisplayTexts() > 0) {
        IPopupMenu menu;
        for (int i = 0; i < param->NDisplayTexts(); ++i) {
            int value = 0;
            const char* text = param->DisplayTextAt(i, &value);
            menu.Add(text, value).checked = value == param->Int();
        }
        IControl* target = &control;
        ShowPopupMenu(menu, r.left, r.bottom, [this, target, index](int value) {
            if (value < 0) return;
            auto lock = mPlug.LockMain();
            if (const IParameter* p = mPlug.GetParam(index)) target->SetValueFromUserInput(p->GetNormalized(value));
        });
        return;
    }
    char text[IParameter::kDisplayCapacity] = {};
    mPlug.FormatParamDisplay(index, param->Value(), text);
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const gfx::Rect box{cx - kPromptWidth / 2, cy - kPromptHeight / 2, cx - kPromptWidth / 2 + kPromptWidth,
                        cy - kPromptHeight / 2 + kPromptHeight};
    CreateTextEntry(control, control.GetText(), box, text, TextEntryRules::ForParameter(*param).maxLength, index);
}

void IGraphics::SetFromStringAfterPrompt(IControl& control, int paramIndex, const std::string& text)
{
    auto lock = mPlug.LockMain();
    const IParameter* param = mPlug.GetParam(paramIndex);
    if (!param) return;
    std::optional<double> value = TextEntryRules::ForParameter(*param).Commit(*param, text);
    if (!value) return;  // not a number: the entry changes nothing
    // A field that shows something other than its value (the 8' range, a
    // low boost from its flat setting) takes back what it shows, as the
    // host's typed text does.
    if (param->Kind() != IParameter::kKindEnumerated) {
        const std::string_view cut = std::string_view(text).substr(0, TextEntryRules::kCommitLength);
        if (const std::optional<double> shown = mPlug.ParseParamText(paramIndex, cut)) value = shown;
    }
    control.SetValueFromUserInput(param->GetNormalized(*value));
}

// --- events ---

int IGraphics::ControlAt(int x, int y) const
{
    for (int i = NControls() - 1; i >= 0; --i)
        if (mControls[size_t(i)]->IsHit(x, y)) return i;
    return -1;
}

void IGraphics::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    auto lock = mPlug.LockMain();
    EndGesture();  // a release the window never reported
    mMouseCapture = ControlAt(x, y);
    if (mMouseCapture < 0) return;
    BeginGesture();
    mControls[size_t(mMouseCapture)]->OnMouseDown(x, y, mod);
}

void IGraphics::OnMouseUp(int x, int y, const IMouseMod& mod)
{
    auto lock = mPlug.LockMain();
    const int captured = mMouseCapture;
    mMouseCapture = -1;
    if (captured >= 0) mControls[size_t(captured)]->OnMouseUp(x, y, mod);
    EndGesture();
}

void IGraphics::OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod)
{
    auto lock = mPlug.LockMain();
    if (mMouseCapture >= 0 && (dX != 0 || dY != 0)) mControls[size_t(mMouseCapture)]->OnMouseDrag(x, y, dX, dY, mod);
}

bool IGraphics::OnMouseDblClick(int x, int y, const IMouseMod& mod)
{
    auto lock = mPlug.LockMain();
    EndGesture();
    const int hit = ControlAt(x, y);
    if (hit < 0) return false;
    BeginGesture();
    if (mControls[size_t(hit)]->OnMouseDblClick(x, y, mod)) {
        mMouseCapture = hit;  // the release ends the gesture
        return true;
    }
    EndGesture();
    return false;
}

void IGraphics::OnMouseWheel(int x, int y, const IMouseMod& mod, float delta)
{
    auto lock = mPlug.LockMain();
    const int hit = ControlAt(x, y);
    if (hit >= 0) mControls[size_t(hit)]->OnMouseWheel(x, y, mod, delta);
}

void IGraphics::OnMouseOver(int x, int y, const IMouseMod& mod)
{
    auto lock = mPlug.LockMain();
    const int hit = ControlAt(x, y);
    if (hit != mMouseOver && mMouseOver >= 0) mControls[size_t(mMouseOver)]->OnMouseOut();
    mMouseOver = hit;
    if (hit >= 0) mControls[size_t(hit)]->OnMouseOver(x, y, mod);
}

void IGraphics::OnMouseOut()
{
    auto lock = mPlug.LockMain();
    if (mMouseOver >= 0) mControls[size_t(mMouseOver)]->OnMouseOut();
    mMouseOver = -1;
}

bool IGraphics::OnKeyDown(int x, int y, int key)
{
    auto lock = mPlug.LockMain();
    const int hit = ControlAt(x, y);
    return hit >= 0 && mControls[size_t(hit)]->OnKeyDown(x, y, key);
}

// --- host automation ---

void IGraphics::BeginGesture()
{
    mGestureOpen = true;
    mGestureParams.clear();
}

void IGraphics::EndGesture()
{
    auto lock = mPlug.LockMain();
    mGestureOpen = false;
    for (int index : mGestureParams) mPlug.EndParamEdit(index);
    mGestureParams.clear();
}

void IGraphics::PushParameterFromControl(int paramIndex, double normalized)
{
    auto lock = mPlug.LockMain();
    if (!mPlug.GetParam(paramIndex)) return;
    if (!mGestureOpen) {
        mPlug.BeginParamEdit(paramIndex);
        mPlug.SetParameterFromEditor(paramIndex, normalized);
        mPlug.EndParamEdit(paramIndex);
        return;
    }
    if (std::find(mGestureParams.begin(), mGestureParams.end(), paramIndex) == mGestureParams.end()) {
        mGestureParams.push_back(paramIndex);
        mPlug.BeginParamEdit(paramIndex);
    }
    mPlug.SetParameterFromEditor(paramIndex, normalized);
}

// --- drawing ---

bool IGraphics::IsDirty(gfx::Rect& area) const
{
    auto lock = mPlug.LockMain();
    gfx::Rect dirty{};
    for (const auto& control : mControls)
        if (control->IsDirty()) dirty = dirty.Union(control->GetRECT());
    dirty = dirty.Intersection({0, 0, mWidth, mHeight});
    if (dirty.Empty()) return false;
    area = dirty;
    return true;
}

void IGraphics::Draw(gfx::Surface& surface, const gfx::Rect& area)
{
    auto lock = mPlug.LockMain();
    const gfx::Rect clip = area.Intersection({0, 0, surface.Width(), surface.Height()});
    if (clip.Empty()) return;
    for (const auto& control : mControls) {
        if (!control->GetRECT().Intersects(clip)) continue;
        surface.SetClip(clip);
        control->Draw(*this, surface);
        control->SetClean();
    }
    surface.ResetClip();
}

void IGraphics::SetAllControlsDirty()
{
    for (const auto& control : mControls) control->Redraw();
}

// --- controls ---

int IGraphics::AttachControl(std::unique_ptr<IControl> control)
{
    control->SetGraphics(this);
    mControls.push_back(std::move(control));
    return NControls() - 1;
}

IControl* IGraphics::GetControl(int index)
{
    return index >= 0 && index < NControls() ? mControls[size_t(index)].get() : nullptr;
}

void IGraphics::SetParameterFromPlug(int paramIndex, double value, bool normalized)
{
    const IParameter* param = mPlug.GetParam(paramIndex);
    if (!param) return;
    const double v = normalized ? value : param->GetNormalized(value);
    for (const auto& control : mControls) {
        if (control->ParamIdx() == paramIndex) control->SetValueFromPlug(v);
        const std::vector<int>& aux = control->AuxParams();
        for (size_t b = 0; b < aux.size(); ++b)
            if (aux[b] == paramIndex) control->SetAuxParamValueFromPlug(int(b), v);
    }
}

// --- resources ---

const gfx::Bitmap& IGraphics::LoadBitmap(int id, const char* resourceName, int frames)
{
    auto found = mCache->bitmaps.find(id);
    if (found != mCache->bitmaps.end()) return found->second;
    gfx::Bitmap bitmap;
    if (auto bytes = platform::FindResource("PNG", ResourceStem(resourceName ? resourceName : "")))
        if (auto decoded = gfx::DecodePng(*bytes, frames)) bitmap = std::move(*decoded);
    return mCache->bitmaps.emplace(id, std::move(bitmap)).first->second;
}

const gfx::Font* IGraphics::FindFont(const IText& style)
{
    if (!mCache->fontsAdded) {
        AddEditorFonts(mCache->fonts);
        mCache->fontsAdded = true;
    }
    return mCache->fonts.Find(style.font, style.bold);
}

const gfx::Font& IGraphics::FontFor(const IText& style)
{
    const gfx::Font* font = FindFont(style);
    if (!font) throw std::runtime_error("the editor's fonts are missing from this build");
    return *font;
}

}  // namespace qor
