// Where the engine asks for the tuning of a started note. Without a source the
// instrument plays twelve-tone equal temperament; an MTS-ESP client plugs in here.
#pragma once

namespace qor {

class TuningSource {
public:
    virtual ~TuningSource() = default;
    // True when the tuning master wants this note ignored.
    virtual bool ShouldFilterNote(int note) = 0;
    // Pitch in pitch units (128 per semitone) for a key after transposition.
    virtual int TunedPitch(int key) = 0;
};

}  // namespace qor
