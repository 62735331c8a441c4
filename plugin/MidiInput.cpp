// PLACEHOLDER until the MIDI input lands: the smallest behaviour that links.
#include "plugin/QOR.h"

namespace qor {

void Synth::ChangeParameter(int index, double value, bool normalized)
{
    IParameter* param = GetParam(index);
    if (!param) return;
    if (!normalized) {
        param->Set(value);
        value = param->GetNormalized();
    }
    if (suppressParameterEcho) return;
    SetParameterFromEditor(index, value);
}
void Synth::StartMidiLearn(bool on) { learnActive = on; }
void Synth::StartMidiUnlearn(bool on) { learnActive = on; }
void Synth::CompleteMidiLearn() { learnActive = false; }
void QOR::StartMidiLearn(bool on) { Synth::StartMidiLearn(on); }
void QOR::StartMidiUnlearn(bool on) { Synth::StartMidiUnlearn(on); }
void QOR::CompleteMidiLearn() { Synth::CompleteMidiLearn(); }
void QOR::AllNotesOff() { Synth::AllNotesOff(); }
void QOR::ProcessMidi(IMidiMessage* message)
{
    QueuedMidiEvent ev;
    ev.offset = message->offset;
    ev.status = message->status;
    ev.data1 = message->data1;
    ev.data2 = message->data2;
    engine.Queue().Add(ev);
}
void QOR::ProcessSysEx(ISysExMessage*) {}
void QOR::SetParameterFromEditor(int index, double normalized) { IPlugBase::SetParameterFromEditor(index, normalized); }
void QOR::ControllerChanged(int, int) {}
void QOR::SendParameterChange(int) {}

}  // namespace qor
