// QOR's side of the panel controls: everything is the front panel's.
#include <string>

#include "engine/ParameterIndex.h"
#include "framework/IParameter.h"
#include "plugin/FrontPanel.h"
#include "plugin/QOR.h"
#include "programs/ParameterTable.h"

namespace qor {

namespace {
// The name field takes this many characters.
constexpr std::size_t kProgramNameLength = 30;
}  // namespace

// The editor's thread asks while the audio thread plays: every answer and
// every key is taken under the main lock.
uint16_t QOR::SegmentPattern(int display) const
{
    auto lock = LockMain();
    return mPanel->SegmentPattern(display);
}
bool QOR::LedOn(int led) const
{
    auto lock = LockMain();
    return mPanel->LedOn(led);
}
int QOR::PanelMode() const
{
    auto lock = LockMain();
    return mPanel->Mode();
}
int QOR::FunctionNumber() const
{
    auto lock = LockMain();
    return mPanel->Function();
}
std::string QOR::DisplayText() const
{
    auto lock = LockMain();
    return mPanel->DisplayText();
}
PanelView::WaveView QOR::CurrentWave() const
{
    auto lock = LockMain();
    return mPanel->CurrentWave();
}
// The key controls keep their number negated; either sign is taken.
void QOR::PressPanelKey(int key, bool alternate)
{
    auto lock = LockMain();
    mPanel->PressKey(key < 0 ? -key : key, alternate);
}
void QOR::ReleasePanelKey(int key)
{
    auto lock = LockMain();
    mPanel->ReleaseKey(key < 0 ? -key : key);
}

std::string QOR::LfoSpeedText() const
{
    auto lock = LockMain();
    char text[IParameter::kDisplayCapacity] = {};
    qor::LfoSpeedText(*this, text);
    return text;
}

bool QOR::LfoSpeedInFives() const
{
    auto lock = LockMain();
    return GetParam(kLfoSync)->Value() >= 0.5;
}

void QOR::RenameProgram(const std::string& name)
{
    auto lock = LockMain();
    const std::string cut = name.substr(0, kProgramNameLength);
    ModifyCurrentPreset(cut.c_str());
    NotifyHostOfProgramChange();
    NotifyHostOfAllParams();
}

}  // namespace qor
