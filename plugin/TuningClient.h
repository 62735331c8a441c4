// One instance's MTS-ESP client: asks the tuning master, through the
// process's MTS-ESP binding, for the frequency of each started key and whether
// a key is to be ignored. Without a master the instrument plays twelve-tone
// equal temperament.
//
// The client registers with the library when it is made and deregisters when
// it goes, so a master never holds on to a client that no longer exists.
//
// Threads: made and destroyed on the thread that creates and closes the
// instance; TunedPitch and ShouldFilterNote run on the audio thread with the
// main lock held, once per note-on (tuning is sampled at note start only).
#pragma once

#include <array>

#include "engine/Tuning.h"
#include "platform/MtsEspLibrary.h"

namespace qor {

class TuningClient final : public TuningSource {
public:
    explicit TuningClient(const MtsEspLibrary& library = MtsEspLibrary::Process());
    ~TuningClient() override;
    TuningClient(const TuningClient&) = delete;
    TuningClient& operator=(const TuningClient&) = delete;

    // Keys (0..127, after transposition) the master asks to ignore.
    bool ShouldFilterNote(int note) override;
    // Pitch units of a key: the inverse of pitchToFreq at the master's
    // frequency, truncated; key x 128 without a master.
    int TunedPitch(int key) override;

    // The owner plays on several MIDI channels: filtering then follows the
    // master's per-channel answers when the master uses them.
    void SetMultiChannel(bool on) { multiChannel_ = on; }

    // The last known frequency of a key in Hz: the equal-tempered one until
    // the master has given another.
    double NoteFrequency(int key) const { return noteFreq_[static_cast<size_t>(key & 0x7F)]; }

private:
    bool MasterPresent() const;

    const MtsEspLibrary& library_;
    std::array<double, MtsEspLibrary::kKeys> noteFreq_{};
    bool multiChannel_ = false;
};

}  // namespace qor
