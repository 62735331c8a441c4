// The instrument's MIDI port: what the host delivers is copied to the output
// when MIDI Thru is on, then filtered, acted on at once or queued for the
// engine's control ticks. Omni: the channel nibble is never looked at.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "plugin/QOR.h"
#include "engine/ParameterIndex.h"

namespace qor {

namespace {

constexpr int kModulationWheel = 1;
constexpr int kSustainPedal = 64;
constexpr int kAllSoundOff = 120;
constexpr int kAllNotesOff = 123;

// A continuous controller later than the first control tick of the block is
// applied at the nearest tick rather than the one before it. Notes and the
// pedal keep their offsets.
void adjustOffset(QueuedMidiEvent& event, int controlPeriod)
{
    if (event.offset <= controlPeriod) return;
    // The host's offset is unchecked: one near the limit stays in the future
    // instead of wrapping round to a negative offset that is due at once.
    const int32_t shift = controlPeriod / 2;
    event.offset = event.offset > std::numeric_limits<int32_t>::max() - shift ? std::numeric_limits<int32_t>::max()
                                                                              : event.offset + shift;
}

}  // namespace

void QOR::ProcessMidi(IMidiMessage* message)
{
    if (!message) return;
    if (midiThru) SendMidi(message);

    QueuedMidiEvent event;
    event.offset = message->offset;
    event.status = message->status;
    event.data1 = message->data1;
    event.data2 = message->data2;
    const int period = engine.controlPeriod;
    switch (event.status >> 4) {
        case 0x8: engine.Queue().Add(event); break;
        case 0x9:
            if (event.data2 == 0) event.status = static_cast<uint8_t>(0x80 | (event.status & 0x0F));
            engine.Queue().Add(event);
            break;
        case 0xB: {
            const int controller = event.data1;
            if (controller < kControllers && learnActive) {
                learnController = controller;
                CompleteMidiLearn();
            } else if (controller == kSustainPedal) {
                engine.Queue().Add(event);
            } else if (controller < kControllers) {
                adjustOffset(event, period);
                engine.Queue().Add(event);
            } else if (controller == kAllSoundOff || controller == kAllNotesOff) {
                AllNotesOff();
            }
            break;
        }
        case 0xC: {
            const int program = event.data1 & 0x7F;
            if (!ignoreProgramChange && k3FunctionLevel >= 3 && program < 2 * kProgramsPerMemory)
                SwitchProgram(program);
            break;
        }
        case 0xD:
        case 0xE:
            adjustOffset(event, period);
            engine.Queue().Add(event);
            break;
        default: break;  // polyphonic pressure and system messages
    }
}

void QOR::ProcessSysEx(ISysExMessage* message)
{
    if (!message || !message->data || message->size <= 0) return;
    if (midiThru) SendSysEx(message);
    if (k3FunctionLevel != 4) return;
    // The largest message fits without the buffer ever growing again.
    if (sysexBuffer.capacity() < kMaxSysExBytes) sysexBuffer.reserve(kMaxSysExBytes);
    for (int32_t i = 0; i < message->size; ++i) {
        const uint8_t byte = message->data[i];
        // A message that never ends is dropped rather than collected forever;
        // the receiver skips the rest of it up to the next F0.
        if (sysexBuffer.size() >= kMaxSysExBytes) sysexBuffer.clear();
        sysexBuffer.push_back(byte);
        if (byte == 0xF7) ReceiveFromHost();
    }
}

void QOR::ControllerChanged(int controller, int value)
{
    const double v = value / 127.0;
    if (controller == kModulationWheel) {
        // The wheel sweeps "LFO to OSC" over the lower half of its range.
        if (k3FunctionLevel >= 2) ChangeParameter(kLfoToOsc, v * 15.0 / 31.0, true);
        return;
    }
    if (controller < 0 || controller >= kControllers) return;
    const int index = controllerMap[static_cast<size_t>(controller)];
    if (index < 0 || index >= kNumParams) return;
    // Learned controllers act at every level.
    if (v != GetParam(index)->GetNormalized()) ChangeParameter(index, v, true);
}

void QOR::AllNotesOff()
{
    auto lock = LockMain();
    engine.AllNotesOff();
}

}  // namespace qor
