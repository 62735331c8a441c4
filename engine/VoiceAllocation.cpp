// Which voice plays a key: polyphonic reassign or round robin, or the mono
// unison stack with last-note or high-note priority; held keys, sustain pedal
// and all-notes-off.
#include "engine/Engine.h"

namespace qor {

void Engine::NoteOn(int note, int velocity)
{
    if (note < 0 || note > 127) return;
    if (tuning && tuning->ShouldFilterNote(note)) return;
    if (k3FunctionLevel == 0) velocity = 100;  // the lowest reception level ignores velocity

    ++noteSerial;
    heldKeys.Press(note, velocity, noteSerial);
    if (heldKeys.Count() == 1) lfo.restartDelay();  // first key of a phrase

    if (MonoPlay()) {
        MonoNoteStart(note, velocity);
        return;
    }

    const int count = activeVoices;
    int chosen = -1;
    if (roundRobin) {
        chosen = (noteSerial - 1) % count;
    } else {
        // The same key retriggers its own voice; else a free voice; else the oldest note.
        for (int i = 0; i < count && chosen < 0; ++i)
            if (voices[static_cast<size_t>(i)].note == note) chosen = i;
        for (int i = 0; i < count && chosen < 0; ++i)
            if (!voices[static_cast<size_t>(i)].active) chosen = i;
        if (chosen < 0) {
            chosen = 0;
            for (int i = 1; i < count; ++i)
                if (voices[static_cast<size_t>(i)].serial < voices[static_cast<size_t>(chosen)].serial) chosen = i;
        }
    }
    voices[static_cast<size_t>(chosen)].startNote(note, velocity, noteSerial, transpose, 0);
}

void Engine::NoteOff(int note)
{
    if (note < 0 || note > 127) return;
    const int releasedVelocity = heldKeys.Release(note);
    for (Voice& v : voices)
        if (v.note == note) v.release();

    if (MonoPlay() && heldKeys.Count() > 0) {
        // Return to a key still held: the highest, or the one pressed last.
        const int back = priorityHigh ? heldKeys.Highest() : heldKeys.Latest();
        if (voices[0].note != back) MonoNoteStart(back, releasedVelocity);
    }
}

void Engine::MonoNoteStart(int note, int velocity)
{
    if (priorityHigh && note < heldKeys.Highest()) return;
    voices[0].startNote(note, velocity, noteSerial, transpose, 0);
    if (activeVoices >= 6) {
        // The unison stack: five more voices spread by the mono detune.
        const int d = monoDetune;
        const int offsets[5] = {d, 2 * d, 3 * d, -d, -2 * d};
        for (int i = 0; i < 5; ++i) voices[static_cast<size_t>(i + 1)].startNote(note, velocity, noteSerial, transpose, offsets[i]);
    }
}

void Engine::AllNotesOff()
{
    heldKeys.Clear();
    sustainPedal = 0;
    for (Voice& v : voices) v.setSustain(false);
    for (Voice& v : voices) {
        v.gate = 0;
        v.envVcf.gateOff();
        v.envVca.gateOff();
    }
}

void Engine::SetSustainPedal(bool down)
{
    sustainPedal = down ? 1 : 0;
    for (Voice& v : voices) v.setSustain(down);
}

}  // namespace qor
