#include "programs/ParameterTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "engine/Lfo.h"
#include "engine/ParameterIndex.h"
#include "engine/WaveMemory.h"
#include "framework/IPlugBase.h"

namespace qor {

namespace {

constexpr size_t kText = IParameter::kDisplayCapacity;

// Copies one of a list of texts when round(v) - offset indexes it; otherwise
// the text is left as it was.
template <size_t N>
void pickText(double v, int offset, const std::array<const char*, N>& texts, char* text)
{
    const double i = std::round(v) - offset;
    if (i >= 0 && i < static_cast<double>(N)) std::snprintf(text, kText, "%s", texts[static_cast<size_t>(i)]);
}

// The wave an oscillator plays for a plain value: the whole part, as the
// engine takes it; -1 (no wave) for what is no number.
int waveOf(double v)
{
    if (!(v > -1.0)) return -1;
    return static_cast<int>(std::min(v, static_cast<double>(kWaveCount)));
}

// The LFO's speed for a plain value: the whole part within 0..99, as the engine takes it.
int lfoSpeedOf(double v)
{
    if (!(v > 0.0)) return 0;
    return static_cast<int>(std::min(v, 99.0));
}

bool lfoSynced(const IPlugBase& plug) { return plug.GetParam(kLfoSync)->Value() >= 0.5; }

bool isWave(int paramIndex) { return paramIndex == kOsc1Wave || paramIndex == kOsc2Wave; }

// The number a text starts with (after blanks and a plus), or nothing.
std::optional<double> readNumber(std::string_view text)
{
    const size_t start = text.find_first_not_of(" \t+");
    if (start == std::string_view::npos) return std::nullopt;
    text.remove_prefix(start);
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// The middle one of the speeds that show a note value.
std::optional<double> middleSpeedOf(int noteValue)
{
    int lowest = -1;
    int highest = -1;
    for (int speed = 0; speed <= 99; ++speed) {
        if (lfoSyncIndex(speed) != noteValue) continue;
        if (lowest < 0) lowest = speed;
        highest = speed;
    }
    if (lowest < 0) return std::nullopt;
    return static_cast<double>((lowest + highest) / 2);
}

constexpr std::array<const char*, 3> kRangeTexts{"16", "8", "4"};
constexpr std::array<const char*, 7> kShapeTexts{"TRIANGLE", "SAW UP", "SAW DWN", "SQUARE", "INV.SQR", "RANDOM", "CHRM.RND"};
constexpr std::array<const char*, 8> kChorusTexts{"OFF", "CHORUS 1", "CHORUS 2", "CHORUS 3", "TREMOLO", "AMBI.1", "AMBI.2", "DELAY"};

}  // namespace

void DisplayVolume(double v, char* text)
{
    if (v <= 0.0)
        std::snprintf(text, kText, "-oo");
    else
        std::snprintf(text, kText, "%.1f", 20.0 * std::log10(v));
}

void DisplayWorkingParameter(double v, char* text)
{
    // The hardware's parameter number: index - 7.
    std::snprintf(text, kText, "%i", static_cast<int>(std::round(v)) - 7);
}

void DisplayRange(double v, char* text) { pickText(v, 0, kRangeTexts, text); }

void DisplayLowBoost(double v, char* text)
{
    // 18 dB of boost is the flat setting of the panel.
    std::snprintf(text, kText, "%.1f", v - 18.0);
}

void DisplayLfoShape(double v, char* text) { pickText(v, 1, kShapeTexts, text); }

void DisplayChorus(double v, char* text) { pickText(v, 0, kChorusTexts, text); }

void InitParameterTable(IPlugBase& plug)
{
    auto param = [&](int index) -> IParameter& { return *plug.GetParam(index); };
    auto integer = [&](int index, const char* name) {
        const ParamRange& r = paramRanges[static_cast<size_t>(index)];
        param(index).InitInteger(name, r.defaultValue, r.min, r.max);
    };
    constexpr const char* kOffOn[] = {"OFF", "ON"};

    param(kVolume).InitContinuous("Volume", 0.5, 0.0, 1.0, 0.01, 1.0);
    param(kVolume).SetDisplayFunction(DisplayVolume);
    param(kOutput).InitEnumerated("Output", 1, {"MONO", "STEREO"});
    integer(kMasterTune, "Master Tune");
    integer(kTranspose, "Transpose");
    param(kPortamento).InitEnumerated("Portamento", 0, kOffOn);
    param(kMono).InitEnumerated("Mono", 0, kOffOn);
    param(kPriority).InitEnumerated("Priority", 0, {"LAST", "HIGH"});
    integer(kWorkingParameter, "Working Parameter");
    param(kWorkingParameter).SetDisplayFunction(DisplayWorkingParameter);
    // The wave parameters show their wave names as display texts, so a host
    // can also type a name.
    auto waves = [&](int index, const char* name) {
        integer(index, name);
        for (int w = 0; w < kWaveCount; ++w) param(index).AddDisplayText(w, waveNames[static_cast<size_t>(w)]);
    };
    waves(kOsc1Wave, "OSC 1 Wave");
    integer(kRange, "Range");
    param(kRange).SetDisplayFunction(DisplayRange);
    integer(kPortaSpeed, "Porta Speed");
    integer(kBalance, "Balance");
    integer(kPitchBend, "Pitch Bend");
    integer(kAutoBend, "Auto Bend");
    waves(kOsc2Wave, "OSC 2 Wave");
    integer(kOsc2Coarse, "OSC 2 Coarse");
    integer(kOsc2Fine, "OSC 2 Fine");
    integer(kCutoff, "Cutoff");
    integer(kResonance, "Resonance");
    integer(kLowCut, "Low Cut");
    integer(kEnvelope, "Envelope");
    integer(kVcfAttack, "VCF Attack");
    integer(kVcfDecay, "VCF Decay");
    param(kVcfEnvInvert).InitEnumerated("VCF Env. Invert", 0, kOffOn);
    integer(kVcfSustain, "VCF Sustain");
    integer(kVcfRelease, "VCF Release");
    integer(kLevel, "Level");
    // The panel initialises Low Boost here, between Level and VCA Attack.
    param(kLowBoost).InitContinuous("Low Boost", 18.0, 0.0, 24.0, 0.1, 1.0);
    param(kLowBoost).SetDisplayFunction(DisplayLowBoost);
    integer(kVcaAttack, "VCA Attack");
    integer(kVcaDecay, "VCA Decay");
    integer(kVcaSustain, "VCA Sustain");
    integer(kVcaRelease, "VCA Release");
    integer(kLfoShape, "LFO Shape");
    param(kLfoShape).SetDisplayFunction(DisplayLfoShape);
    integer(kLfoSpeed, "LFO Speed");
    integer(kLfoDelay, "LFO Delay");
    integer(kLfoToOsc, "LFO to OSC");
    integer(kLfoToVcf, "LFO to VCF");
    integer(kLfoToVca, "LFO to VCA");
    integer(kVeloVcf, "Velo VCF");
    integer(kVeloVca, "Velo VCA");
    integer(kPresOscBal, "Pres. OSC Bal.");
    integer(kPresVcf, "Pres. VCF");
    integer(kPresVca, "Pres. VCA");
    integer(kPresLfoOsc, "Pres. LFO OSC");
    integer(kKbVcf, "KB VCF");
    integer(kKbVca, "KB VCA");
    integer(kChorus, "Chorus");
    param(kChorus).SetDisplayFunction(DisplayChorus);
    param(kVoices).InitEnumerated("Voices", 1, {"1", "6", "12", "32", "64"});
    integer(kMonoDetune, "Mono Detune");
    integer(kVcfFreqOffset, "VCF Freq.Offset");
    param(kLfoSync).InitEnumerated("LFO Sync", 0, kOffOn);
    integer(kChorusSpeed, "Chorus Speed");
    integer(kChorusDepth, "Chorus Depth");
    param(kVoiceAllocationMode).InitEnumerated("Voice Allocation Mode", 0, {"Reassign", "Round Robin"});
    for (int i = 0; i < 6; ++i) {
        char name[IParameter::kNameCapacity];
        std::snprintf(name, sizeof name, "Reserved %i", i + 1);
        param(kReserved1 + i).InitContinuous(name, 0.0, 0.0, 1.0, 0.01, 1.0);
    }
}

void ParameterText(const IPlugBase& plug, int paramIndex, double value, bool currentIsCartridge, char* text)
{
    const IParameter* param = plug.GetParam(paramIndex);
    if (!param || !text) return;
    std::string_view shown;
    if (isWave(paramIndex))
        shown = waveName(waveOf(value), currentIsCartridge);
    else if (paramIndex == kLfoSpeed && lfoSynced(plug))
        shown = kLfoSyncNames[static_cast<size_t>(lfoSyncIndex(lfoSpeedOf(value)))];
    if (shown.empty())
        param->FormatDisplay(value, false, text, true);
    else
        std::snprintf(text, kText, "%.*s", static_cast<int>(shown.size()), shown.data());
}

std::optional<double> ParameterTextValue(const IPlugBase& plug, int paramIndex, std::string_view text,
                                         bool currentIsCartridge)
{
    const IParameter* param = plug.GetParam(paramIndex);
    if (!param) return std::nullopt;
    if (isWave(paramIndex)) {
        for (int wave = 0; wave < kWaveCount; ++wave)
            if (waveName(wave, currentIsCartridge) == text) return wave;
    } else if (paramIndex == kLfoSpeed && lfoSynced(plug)) {
        for (int i = 0; i < kLfoSyncValues; ++i)
            if (kLfoSyncNames[static_cast<size_t>(i)] == text) return middleSpeedOf(i);
    } else if (param->GetDisplayFunction() && param->Step() > 0.0) {
        // Fields that show something other than their value ("8" for the
        // 8' range, 0.0 for the flat low boost, parameter numbers, decibels)
        // take back what they show: the value whose text is the one typed,
        // or whose text reads as the same number.
        const std::optional<double> typed = readNumber(text);
        std::optional<double> byNumber;
        char shown[kText];
        const int steps = static_cast<int>(std::round((param->Max() - param->Min()) / param->Step()));
        for (int i = 0; i <= steps; ++i) {
            const double v = param->Min() + i * param->Step();
            ParameterText(plug, paramIndex, v, currentIsCartridge, shown);
            if (text == shown) return v;
            if (typed && !byNumber && readNumber(shown) == typed) byNumber = v;
        }
        if (byNumber) return byNumber;
    }
    return param->ParseHostText(text);
}

std::string_view WaveName(const IPlugBase& plug, int paramIndex, bool currentIsCartridge)
{
    if (!isWave(paramIndex)) return {};
    return waveName(waveOf(plug.GetParam(paramIndex)->Value()), currentIsCartridge);
}

void LfoSpeedText(const IPlugBase& plug, char* text)
{
    // The memory plays no part in the speed's text.
    ParameterText(plug, kLfoSpeed, plug.GetParam(kLfoSpeed)->Value(), false, text);
}

}  // namespace qor
