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

uint16_t QOR::SegmentPattern(int display) const { return mPanel->SegmentPattern(display); }
bool QOR::LedOn(int led) const { return mPanel->LedOn(led); }
int QOR::PanelMode() const { return mPanel->Mode(); }
int QOR::FunctionNumber() const { return mPanel->Function(); }
std::string QOR::DisplayText() const { return mPanel->DisplayText(); }
PanelView::WaveView QOR::CurrentWave() const { return mPanel->CurrentWave(); }
// The key controls keep their number negated; either sign is taken.
void QOR::PressPanelKey(int key, bool alternate) { mPanel->PressKey(key < 0 ? -key : key, alternate); }
void QOR::ReleasePanelKey(int key) { mPanel->ReleaseKey(key < 0 ? -key : key); }

std::string QOR::LfoSpeedText() const
{
    char text[IParameter::kDisplayCapacity] = {};
    qor::LfoSpeedText(*this, text);
    return text;
}

bool QOR::LfoSpeedInFives() const { return GetParam(kLfoSync)->Value() >= 0.5; }

void QOR::RenameProgram(const std::string& name)
{
    const std::string cut = name.substr(0, kProgramNameLength);
    ModifyCurrentPreset(cut.c_str());
    NotifyHostOfProgramChange();
    NotifyHostOfAllParams();
}

}  // namespace qor
