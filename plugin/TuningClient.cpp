#include "plugin/TuningClient.h"

#include <cmath>

#include "engine/PitchTables.h"

namespace qor {

TuningClient::TuningClient(const MtsEspLibrary& library) : library_(library)
{
    for (size_t n = 0; n < noteFreq_.size(); ++n)
        noteFreq_[n] = 440.0 * std::pow(2.0, (static_cast<double>(n) - 69.0) / 12.0);
    library_.RegisterClient(this);
}

TuningClient::~TuningClient() { library_.DeregisterClient(this); }

bool TuningClient::MasterPresent() const { return library_.MasterTable() != nullptr && library_.HasMaster(); }

bool TuningClient::ShouldFilterNote(int note)
{
    if (!MasterPresent()) return false;
    const int key = note & 0x7F;
    if (multiChannel_ && library_.UseMultiChannelTuning(MtsEspLibrary::kNoChannel))
        return library_.ShouldFilterNoteMultiChannel(key, MtsEspLibrary::kNoChannel);
    return library_.ShouldFilterNote(key, MtsEspLibrary::kNoChannel);
}

int TuningClient::TunedPitch(int key)
{
    if (!MasterPresent()) return key * kPitchUnitsPerSemitone;
    const size_t index = static_cast<size_t>(key & 0x7F);
    const double freq = library_.MasterTable()[index];
    // A master that hands out no usable frequency leaves the key equal-tempered.
    if (!std::isfinite(freq) || freq <= 0.0) return key * kPitchUnitsPerSemitone;
    noteFreq_[index] = freq;
    return freqToPitch(freq);
}

}  // namespace qor
