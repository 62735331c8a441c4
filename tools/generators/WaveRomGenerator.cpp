// gen-waverom: designs the 31 fixed waves as harmonic spectra, renders them
// into the multi-resolution layout and writes engine/data/WaveRomData.cpp.
//
//   gen-waverom <output.cpp>          write the file
//   gen-waverom --check <file.cpp>    exit 1 when the file is not what this makes
//
// The spectra are voiced for the middle of the keyboard: around C4 harmonic n
// sits near 262 n Hz, so a formant "at harmonic 4" is one near 1 kHz.
// Everything here is a fixed formula; the output depends on nothing else.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "engine/WaveMemory.h"
#include "programs/WaveSynthesis.h"
#include "tools/generators/HarmonicShapes.h"

namespace {

using namespace qor::waves;

struct WaveDesign {
    std::string_view name;
    std::function<Spectrum()> spectrum;
};

bool isOdd(int n) { return n % 2 == 1; }

// A pipe's own harmonics for the organ waves: a principal's steady fall.
double principalPipe(int m) { return std::pow(0.55, m - 1); }

// Hammond-style registration: drawbar settings for the footages 8', 4',
// 2 2/3', 2', 1 3/5', 1 1/3', 1' (harmonics 1, 2, 3, 4, 5, 6, 8). Tonewheels
// are nearly pure sines; a trace of their second harmonic is kept.
Spectrum drawbars(const std::array<int, 7>& settings)
{
    constexpr std::array<int, 7> footHarmonics{1, 2, 3, 4, 5, 6, 8};
    Spectrum s;
    for (size_t i = 0; i < settings.size(); ++i)
        addRank(s, footHarmonics[i], drawbar(settings[i]), [](int m) { return m == 1 ? 1.0 : 0.0; });
    return s;
}

// The 31 waves, in wave-number order. Each is one line of idea and a formula.
const std::array<WaveDesign, 31> designs{{
    // Bright hammered string: 1/n fall with the felt's roll-off, and the hammer
    // at 1/8.5 of the string leaving shallow notches near harmonics 8, 17, 25.
    {"GRAND PIANO I", [] {
         auto s = fromAmplitudes([](int n) {
             return positionComb(n, 1.0 / 8.5, 0.6) / n * rollOff(n, 24.0, 1.5);
         });
         return rampPhases(s);
     }},
    // Church bell faked in one cycle: fundamental and octave, then partials on
    // prime harmonics only, so the upper spectrum shares no pattern.
    {"BELL", [] {
         Spectrum s;
         s.amplitude[1] = 1.0;
         s.amplitude[2] = 0.6;
         s.amplitude[3] = 0.12;
         for (const int p : {5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47, 53, 59, 61, 67, 71, 73, 79})
             s.amplitude[p] = 1.1 / std::sqrt(p) * rollOff(p, 36.0, 2.0);
         return lowCrestPhases(s);
     }},
    // Bowed string: the sawtooth of Helmholtz motion, bow at 1/9 softening
    // harmonics 9, 18, 27, the body's low mode and its 2.5 kHz bridge hill.
    {"STRINGS", [] {
         auto s = fromAmplitudes([](int n) {
             return positionComb(n, 1.0 / 9.0, 0.5) / n * (1.0 + 0.4 * bump(n, 2, 0.8) + 1.0 * bump(n, 10, 3.5)) *
                    rollOff(n, 32.0, 2.0);
         });
         return rampPhases(s);
     }},
    // Fingered electric bass: the first three harmonics carry the note, the
    // pickup near the bridge adds a thin, quickly falling top.
    {"E.BASS", [] {
         auto s = fromAmplitudes([](int n) {
             return std::pow(n, -1.3) * positionComb(n, 0.13, 0.5) * rollOff(n, 12.0, 2.0);
         });
         return sinePhases(s);
     }},
    // Double reed: a weak fundamental under a strong formant around 1.2 kHz
    // (harmonics 4-5) and a second one near 2.9 kHz (harmonic 11).
    {"OBOE", [] {
         auto s = fromAmplitudes([](int n) {
             return (0.2 + resonance(n, 4.5, 2.5) + 0.5 * resonance(n, 11.0, 3.0)) / std::sqrt(n) *
                    rollOff(n, 24.0, 3.0);
         });
         return lowCrestPhases(s);
     }},
    // Tine electric piano: nearly a sine with the pickup's second and third
    // harmonics, plus the tine's faint metallic mode near 7 times the note.
    {"E.PIANO I", [] {
         Spectrum s;
         s.amplitude[1] = 1.0;
         s.amplitude[2] = 0.32;
         s.amplitude[3] = 0.11;
         s.amplitude[4] = 0.05;
         s.amplitude[5] = 0.025;
         addPartial(s, 7.2, 0.12);
         addPartial(s, 14.6, 0.04);
         return sinePhases(s);
     }},
    // Full tonewheel organ, drawbars 8' 4' 2 2/3' 2' 1 3/5' 1 1/3' 1' at 8 6 8 6 4 6 8.
    {"ORGAN", [] {
         auto s = drawbars({8, 6, 8, 6, 4, 6, 8});
         return lowCrestPhases(s);
     }},
    // Brass section: the fundamental below harmonics 2-4, the strongest
    // partials around the third, then about 12 dB per octave down.
    {"BRASS I", [] {
         auto s = fromAmplitudes([](int n) {
             const double rise = (n / 3.0) / std::sqrt(1.0 + (n / 3.0) * (n / 3.0));
             return rise * rollOff(n, 5.0, 2.0);
         });
         return rampPhases(s);
     }},
    // FM bell, carrier 2 and modulator 7 at index 2.2, over a soft fundamental:
    // sidebands land on harmonics 2, 5, 9, 12, 16, 19 ...
    {"DIGITAL BELL", [] {
         auto s = fromCycle([](double x) { return std::sin(2 * x + 2.2 * std::sin(7 * x)) + 0.5 * std::sin(x); });
         return s;
     }},
    // Slapped bass: heavy low end, scooped middle, and the pop's bright band
    // that low notes push up to 1-3 kHz.
    {"SLAP BASS", [] {
         auto s = fromAmplitudes([](int n) {
             return (1.0 - 0.7 * bump(n, 6, 2.5)) * (1.0 + 2.0 * bump(n, 32, 12)) / n * rollOff(n, 64.0, 2.0);
         });
         return sinePhases(s);
     }},
    // Ideal plucked string seen at the bridge: plucked at 1/5, so harmonics
    // 5, 10, 15 ... are missing; the force is a rectangular pulse.
    {"PLUCKED STRING", [] {
         auto s = fromAmplitudes([](int n) { return std::sin(kPi * n / 5.0) / n * rollOff(n, 40.0, 1.0); });
         return cosinePhases(s);
     }},
    // Nylon string plucked at about 1/6, soft top and the guitar body's air
    // resonance lifting the second harmonic.
    {"CLASSIC GUITAR", [] {
         auto s = fromAmplitudes([](int n) {
             return std::sin(kPi * n * 0.17) / n * (1.0 + 0.8 * bump(n, 2, 0.8)) * rollOff(n, 10.0, 2.0);
         });
         return cosinePhases(s);
     }},
    // Clamped tine: its modes at 1, 6.27, 17.55, 34.39, 56.84, 84.91 and 118.6
    // times the fundamental, each split over its neighbouring harmonics.
    {"HAMMERED TINE", [] {
         Spectrum s;
         s.amplitude[1] = 1.0;
         s.amplitude[2] = 0.1;
         s.amplitude[3] = 0.06;
         const std::array<std::array<double, 2>, 6> modes{
             {{6.267, 0.45}, {17.55, 0.22}, {34.39, 0.12}, {56.84, 0.07}, {84.91, 0.04}, {118.6, 0.025}}};
         for (const auto& [ratio, level] : modes) addPartial(s, ratio, level);
         return lowCrestPhases(s);
     }},
    // Ring modulation of a sawtooth by harmonics 13 and 31: a dense sideband
    // cluster from 1 to about 70 with no harmonic order to it.
    {"METALLIC WAVE", [] {
         return fromCycle([](double x) {
             double saw = 0.0;
             for (int k = 1; k <= 24; ++k) saw += (k % 2 == 1 ? 1.0 : -1.0) * std::sin(k * x) / k;
             return saw * std::sin(13 * x) * (1.0 + 0.6 * std::cos(31 * x)) + 0.5 * std::sin(x);
         });
     }},
    // Reed stop with a short resonator: odd harmonics, even ones faint, and
    // vowel formants near harmonics 3, 5 and 11.
    {"VOX HUMANA", [] {
         auto s = fromAmplitudes([](int n) {
             const double reed = (0.3 + resonance(n, 3.0, 2.5) + 0.8 * resonance(n, 5.0, 3.0) +
                                  0.5 * resonance(n, 11.0, 4.0)) /
                                 std::sqrt(n) * rollOff(n, 30.0, 3.0);
             return isOdd(n) ? reed : 0.1 * reed;
         });
         return sinePhases(s);
     }},
    // Narrow pulse, one sixth of the cycle: a flat, cutting top with notches
    // at every sixth harmonic.
    {"SHARP WAVE", [] {
         auto s = fromAmplitudes([](int n) { return std::sin(kPi * n / 6.0) / n; });
         return cosinePhases(s);
     }},
    // Additive glass: only the Fibonacci harmonics 1, 2, 3, 5, 8, 13, 21, 34,
    // 55, 89, falling slowly; sparse and synthetic on purpose.
    {"DIGITAL HARMONICS", [] {
         Spectrum s;
         for (const int n : {1, 2, 3, 5, 8, 13, 21, 34, 55, 89}) s.amplitude[n] = std::pow(n, -0.35);
         return lowCrestPhases(s);
     }},
    // Principal chorus with mixture: ranks 8', 4', 2 2/3', 2', 1 1/3', 1', 2/3'
    // and 1/2', each a principal pipe with its own falling harmonics.
    {"PIPE ORGAN", [] {
         Spectrum s;
         const std::array<std::array<double, 2>, 8> ranks{
             {{1, 1.0}, {2, 0.7}, {3, 0.45}, {4, 0.5}, {6, 0.35}, {8, 0.3}, {12, 0.2}, {16, 0.15}}};
         for (const auto& [foot, level] : ranks) addRank(s, static_cast<int>(foot), level, principalPipe);
         return lowCrestPhases(s);
     }},
    // Pizzicato upright bass: plucked near a quarter of the string, a dark top
    // and the body lifting the second harmonic.
    {"WOOD BASS", [] {
         auto s = fromAmplitudes([](int n) {
             return positionComb(n, 0.23, 0.8) / n * (1.0 + 0.4 * bump(n, 2, 1.0)) * rollOff(n, 8.0, 2.0);
         });
         return sinePhases(s);
     }},
    // A sawtooth string tone through a sharp resonance at harmonic 14: the
    // frozen peak of a filter sweep.
    {"RESONANT STRINGS", [] {
         auto s = fromAmplitudes([](int n) { return (1.0 + 5.0 * resonance(n, 14.0, 6.0)) / n * rollOff(n, 48.0, 2.0); });
         return rampPhases(s);
     }},
    // FM electric piano: a 1:1 pair at index 1.3 for the body and a 1:14 pair
    // for the tine's bell-like edge (sidebands at 13, 15, 27, 29).
    {"E.PIANO II", [] {
         return fromCycle([](double x) {
             return std::sin(x + 1.3 * std::sin(x)) + 0.3 * std::sin(x + 1.6 * std::sin(14 * x));
         });
     }},
    // Jazz registration: 8' full with the 2 2/3' third on top (the percussion
    // sound) and a little 4'.
    {"JAZZ ORGAN", [] {
         auto s = drawbars({8, 4, 8, 0, 0, 0, 0});
         return lowCrestPhases(s);
     }},
    // Glockenspiel bar, free at both ends: modes at 1, 2.76, 5.40, 8.93, 13.34,
    // 18.64 and 24.81, shared between neighbouring harmonics.
    {"GLOCKEN", [] {
         Spectrum s;
         const std::array<std::array<double, 2>, 7> modes{{{1.0, 1.0},
                                                           {2.756, 0.55},
                                                           {5.404, 0.4},
                                                           {8.933, 0.28},
                                                           {13.34, 0.2},
                                                           {18.64, 0.13},
                                                           {24.81, 0.09}}};
         for (const auto& [ratio, level] : modes) addPartial(s, ratio, level);
         return lowCrestPhases(s);
     }},
    // Temple bell: hum on the fundamental, strike note an octave up, then modes
    // at irregular ratios up to 26.2; those at 2.84 and 7.86 lifted for colour.
    {"ORIENTAL BELL", [] {
         Spectrum s;
         const std::array<double, 14> ratios{1.0,  2.0,  2.84, 4.06,  5.16,  6.1,   7.86,
                                             9.42, 11.24, 13.76, 16.4, 19.2, 22.6, 26.2};
         for (size_t k = 0; k < ratios.size(); ++k) {
             const double lift = (k == 2 || k == 6) ? 1.6 : 1.0;
             addPartial(s, ratios[k], lift * std::pow(0.82, static_cast<double>(k)));
         }
         return lowCrestPhases(s);
     }},
    // Quill plucking at 1/12 of the string: a fundamental weaker than harmonics
    // 3-6, a long bright top and notches at 12, 24, 36.
    {"HARPSICHORD", [] {
         auto s = fromAmplitudes([](int n) { return positionComb(n, 1.0 / 12.0) / std::pow(n, 0.55) * rollOff(n, 64.0, 2.0); });
         return lowCrestPhases(s);
     }},
    // Trumpet: brighter than BRASS I, peak at harmonics 4-6, a formant lift
    // near 2.5 kHz (harmonic 9) and partials still strong up to the 20th.
    {"TRUMPET", [] {
         auto s = fromAmplitudes([](int n) {
             const double rise = (n / 4.0) / std::sqrt(1.0 + (n / 4.0) * (n / 4.0));
             return rise * (1.0 + 0.5 * resonance(n, 9.0, 2.0)) * rollOff(n, 7.0, 1.8);
         });
         return rampPhases(s);
     }},
    // Saxophone: conical bore with all harmonics, formants near harmonics 3-4
    // and 9, and a ripple along the spectrum for the reed's roughness.
    {"SAX", [] {
         auto s = fromAmplitudes([](int n) {
             return (0.5 + resonance(n, 3.5, 2.0) + 0.7 * resonance(n, 9.0, 3.0)) * std::pow(n, -0.7) *
                    (1.0 + 0.3 * std::sin(1.7 * n)) * rollOff(n, 40.0, 2.0);
         });
         return lowCrestPhases(s);
     }},
    // Mellow grand: softer hammer, so a steeper fall; struck at 1/7 with a
    // deeper notch near harmonics 7 and 14.
    {"GRAND PIANO II", [] {
         auto s = fromAmplitudes([](int n) { return positionComb(n, 1.0 / 7.0, 0.8) * std::pow(n, -1.4) * rollOff(n, 16.0, 2.0); });
         return rampPhases(s);
     }},
    // Textbook square: odd harmonics at 1/n in sine phase.
    {"SQUARE", [] {
         auto s = fromAmplitudes([](int n) { return isOdd(n) ? 1.0 / n : 0.0; });
         return sinePhases(s);
     }},
    // Textbook rising sawtooth: every harmonic at 1/n, alternating in sign.
    {"SAWTOOTH", [] {
         auto s = fromAmplitudes([](int n) { return 1.0 / n; });
         return rampPhases(s);
     }},
    // Harmonic 1 alone.
    {"SINE", [] {
         Spectrum s;
         s.amplitude[1] = 1.0;
         return s;
     }},
}};

std::string formatTable(std::string_view name, std::string_view note,
                        const std::array<uint8_t, qor::kWaveMemoryBytes>& bytes)
{
    std::ostringstream out;
    out << "// " << note << "\n";
    out << "const std::array<uint8_t, kWaveMemoryBytes> " << name << "{{\n";
    for (int slot = 0; slot < qor::kWaveSlots; ++slot) {
        out << "    // " << slot << (slot == 0 ? ": never played" : " " + std::string(designs[slot - 1].name)) << "\n";
        for (int line = 0; line < qor::kWaveSlotBytes / 16; ++line) {
            out << "   ";
            for (int k = 0; k < 16; ++k) {
                char hex[8];
                std::snprintf(hex, sizeof hex, " 0x%02X,", bytes[slot * qor::kWaveSlotBytes + line * 16 + k]);
                out << hex;
            }
            out << "\n";
        }
    }
    out << "}};\n";
    return out.str();
}

std::string generateSource()
{
    std::array<uint8_t, qor::kWaveMemoryBytes> samples{};
    std::array<uint8_t, qor::kWaveMemoryBytes> slopes{};
    std::fill(samples.begin(), samples.begin() + qor::kWaveSlotBytes, uint8_t{128});
    for (int w = 1; w < qor::kWaveSlots; ++w) {
        const size_t at = static_cast<size_t>(w) * qor::kWaveSlotBytes;
        qor::renderWaveTables(toHarmonicMap(designs[w - 1].spectrum()),
                              std::span<uint8_t, 1024>(samples.data() + at, 1024),
                              std::span<uint8_t, 1024>(slopes.data() + at, 1024));
    }

    std::string text =
        "// The fixed wave memory: waves 1..31, each a single cycle in the six\n"
        "// interleaved resolutions of engine/WaveMemory.h.\n"
        "// Generated by tools/generators/WaveRomGenerator.cpp (gen-waverom) from\n"
        "// harmonic spectra; change the designs there and regenerate.\n"
        "#include \"engine/WaveMemory.h\"\n"
        "\n"
        "namespace qor {\n"
        "\n";
    text += formatTable("waveRom", "Sample bytes, 128 = zero.", samples);
    text += "\n";
    text += formatTable("slopeRom",
                        "Slope bytes: difference to the next sample of the same level, two's complement.",
                        slopes);
    text += "\n}  // namespace qor\n";
    return text;
}

int usage()
{
    std::fprintf(stderr, "usage: gen-waverom <output.cpp>\n       gen-waverom --check <file.cpp>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool check = argc == 3 && std::string_view(argv[1]) == "--check";
    if (!check && argc != 2) return usage();
    const char* path = argv[argc - 1];
    const std::string text = generateSource();

    if (check) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "gen-waverom: cannot read %s\n", path);
            return 1;
        }
        const std::string existing{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (existing != text) {
            std::fprintf(stderr, "gen-waverom: %s is out of date; run gen-waverom %s\n", path, path);
            return 1;
        }
        return 0;
    }

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "gen-waverom: cannot write %s\n", path);
        return 1;
    }
    return 0;
}
