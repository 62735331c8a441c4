#include "engine/WaveMemory.h"

namespace qor {

const std::array<std::string_view, kWaveCount> waveNames{
    "OFF",            "GRAND PIANO I",     "BELL",          "STRINGS",          "E.BASS",
    "OBOE",           "E.PIANO I",         "ORGAN",         "BRASS I",          "DIGITAL BELL",
    "SLAP BASS",      "PLUCKED STRING",    "CLASSIC GUITAR", "HAMMERED TINE",   "METALLIC WAVE",
    "VOX HUMANA",     "SHARP WAVE",        "DIGITAL HARMONICS", "PIPE ORGAN",   "WOOD BASS",
    "RESONANT STRINGS", "E.PIANO II",      "JAZZ ORGAN",    "GLOCKEN",          "ORIENTAL BELL",
    "HARPSICHORD",    "TRUMPET",           "SAX",           "GRAND PIANO II",   "SQUARE",
    "SAWTOOTH",       "SINE",              "USER WAVE (INTERNAL)", "WHITE NOISE", "USER WAVE (CARTRIDGE)",
};

std::string_view userWaveName(int wave, bool currentIsCartridge)
{
    // Wave 32 is the current memory's own user wave, 34 the other memory's.
    const bool cartridge = (wave == kWaveUserOwn) == currentIsCartridge;
    return cartridge ? waveNames[kWaveUserOther] : waveNames[kWaveUserOwn];
}

std::string_view waveName(int wave, bool currentIsCartridge)
{
    if (wave == kWaveUserOwn || wave == kWaveUserOther) return userWaveName(wave, currentIsCartridge);
    if (wave < 0 || wave >= kWaveCount) return {};
    return waveNames[static_cast<size_t>(wave)];
}

}  // namespace qor
