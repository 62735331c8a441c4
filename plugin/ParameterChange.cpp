// The route by which program data, SysEx, controllers and the panel change a
// parameter, and the editor's own route.
#include "plugin/QOR.h"
#include "engine/ParameterIndex.h"
#include "framework/IGraphics.h"

namespace qor {

void Synth::ChangeParameter(int index, double value, bool normalized)
{
    auto lock = LockMain();
    IParameter* param = GetParam(index);
    if (!param) return;
    if (!normalized) {
        param->Set(value);  // clamped to the range
        value = param->GetNormalized();
    }
    // While constructing only plain values land, and nothing is echoed.
    if (suppressParameterEcho) return;
    SetParameterFromEditor(index, value);
    if (IGraphics* editor = GetAttachedEditor()) editor->SetParameterFromPlug(index, value, true);
    if (index >= kRange && index <= kVcfFreqOffset) {
        // The hardware's own parameters always go out, whatever the setting.
        SendParameterChange(index);
        programEdited = true;
    }
}

void QOR::SetParameterFromEditor(int index, double normalized)
{
    auto lock = LockMain();
    IPlugBase::SetParameterFromEditor(index, normalized);
    if (sendParameterSysEx && !suppressParameterEcho) SendParameterChange(index);
}

}  // namespace qor
