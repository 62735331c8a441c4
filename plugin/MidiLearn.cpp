// MIDI Learn and Unlearn, started from the front panel. A learn pairs the
// next controller moved with the next parameter changed, in either order; an
// unlearn clears whichever comes first.
#include "plugin/QOR.h"

namespace qor {

void Synth::StartMidiLearn(bool on)
{
    learnActive = on;
    learnRemove = false;
    learnController = -1;
    learnParameter = -1;
}

void Synth::StartMidiUnlearn(bool on)
{
    learnActive = on;
    learnRemove = true;
    learnController = -1;
    learnParameter = -1;
}

void Synth::CompleteMidiLearn()
{
    if (!learnActive) return;
    auto unmapParameter = [&](int parameter) {
        for (int32_t& entry : controllerMap)
            if (entry == parameter) entry = -1;
    };
    const bool knowController = learnController >= 0 && learnController < kControllers;
    const bool knowParameter = learnParameter >= 0;
    if (!learnRemove) {
        if (!knowController || !knowParameter) return;  // wait for the other half
        // A parameter has at most one controller.
        unmapParameter(learnParameter);
        controllerMap[static_cast<size_t>(learnController)] = learnParameter;
    } else if (knowController) {
        controllerMap[static_cast<size_t>(learnController)] = -1;
    } else if (knowParameter) {
        unmapParameter(learnParameter);
    } else {
        return;
    }
    learnActive = false;
    learnRemove = false;
}

void QOR::StartMidiLearn(bool on)
{
    Synth::StartMidiLearn(on);
    infoMessage = on ? kInfoMidiLearn : kInfoVersion;
}

void QOR::StartMidiUnlearn(bool on)
{
    Synth::StartMidiUnlearn(on);
    infoMessage = on ? kInfoMidiUnlearn : kInfoVersion;
}

void QOR::CompleteMidiLearn()
{
    const bool wasActive = learnActive;
    Synth::CompleteMidiLearn();
    if (wasActive && !learnActive) infoMessage = kInfoVersion;
}

}  // namespace qor
