// The names of the factory programs: the slots of the factory bank and the
// programs restored from the internal and cartridge factory sets carry them
// (entry k - 1 names program k of its memory); the alternative internal set
// names its programs "Tobin's Patch #1" .. "Tobin's Patch #50".
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace qor {

inline constexpr std::array<std::string_view, 50> kInternalFactoryNames{
    "Piano",         "Ragtime Piano", "Piano II",      "Digi Piano",    "Digi Piano II", "Digi Piano III",
    "Strings",       "Strings II",    "Analog Strings", "Violin",       "Brass",         "Analog Brass",
    "Brass II",      "Horns",         "Rock Organ",    "Jazz Organ",    "Pipes",         "Pipes II",
    "Harpsichord",   "Lead Bass",     "Clav-Organ",    "Flanged Bass",  "Clavinet",      "Wood Bass",
    "Guitar",        "Lead Synth",    "Lead 5ths",     "Marimba",       "Vice",          "Sax",
    "Tubular Bells", "Sitar",         "Clarinet",      "Harp",          "Toy Piano",     "Log Drums",
    "Koto",          "Space Toms",    "Oriental Bell", "Island Drums",  "Steel Drums",   "Swell",
    "Sample & Hold", "Flute",         "Piccolo",       "Pressure",      "Shimmer",       "E. Drum",
    "Helicopter",    "Trumpet",
};

inline constexpr std::array<std::string_view, 50> kCartridgeFactoryNames{
    "Digital Piano I",    "Digital Piano II", "Digital Piano III",    "Digital Piano IV", "Pressure Orchestra",
    "Brass I",            "Brass II",         "Horns",                "Solo Tarn",        "Swell Orchestra",
    "Heavy Metal Keyboard", "Piano",          "Rock Piano",           "Boogie Piano",     "Chorused Piano",
    "Clavi",              "Fat Clavi",        "Pan Flute",            "Saxes",            "Rock Pipes",
    "Percus Organ",       "Drawbars",         "Jazz Drawbars",        "Clav Organ",       "Pipes",
    "Standup Bass",       "Wound Bass",       "Flanged Bass",         "Lead Bass",        "Strings",
    "Arco Strings",       "Sweet Strings",    "Orchestra I",          "Orchestra II",     "Lead Line",
    "Pressure Comp",      "Octave Pck",       "Lead 5ths",            "Marimba",          "Vibes",
    "Toy Piano",          "Tubular Bells",    "Steel Drums",          "Lite Waves",       "Glasswing",
    "Vice",               "Celestial Pad",    "Space Tones",          "Jet",              "Log Drums",
};

// The name of program k (1..50) of the alternative set.
inline std::string TobinPatchName(int k) { return "Tobin's Patch #" + std::to_string(k); }

}  // namespace qor
