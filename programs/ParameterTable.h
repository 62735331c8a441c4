// The instrument's 60 parameters: names, ranges, defaults and display texts.
// Built once, when the plug-in object is constructed.
#pragma once

#include <optional>
#include <string_view>

namespace qor {

class IPlugBase;

// Initialises the plug-in's 60 parameter objects.
void InitParameterTable(IPlugBase& plug);

// The display text of a parameter at a plain value, as host and panel show
// it. Two kinds of text depend on more than the value: the wave parameters
// name waves 32 and 34 after the memory that holds the current program, and
// "LFO Speed" shows its note value while "LFO Sync" is on. Every other text is
// the parameter's own. text holds IParameter::kDisplayCapacity bytes.
void ParameterText(const IPlugBase& plug, int paramIndex, double value, bool currentIsCartridge, char* text);

// The plain value of a text typed for a parameter: any text ParameterText
// shows for it (a note value gives the middle one of the speeds that show
// it), else what the parameter itself reads. Nothing when the text means no value.
std::optional<double> ParameterTextValue(const IPlugBase& plug, int paramIndex, std::string_view text,
                                         bool currentIsCartridge);

// The wave name shown for "OSC 1 Wave" (8) or "OSC 2 Wave" (14) at its current
// value. Empty for any other index.
std::string_view WaveName(const IPlugBase& plug, int paramIndex, bool currentIsCartridge);

// The display text of "LFO Speed" at its current value. text holds
// IParameter::kDisplayCapacity bytes.
void LfoSpeedText(const IPlugBase& plug, char* text);

// The display functions, exposed for the tests.
void DisplayVolume(double v, char* text);
void DisplayWorkingParameter(double v, char* text);
void DisplayRange(double v, char* text);
void DisplayLowBoost(double v, char* text);
void DisplayLfoShape(double v, char* text);
void DisplayChorus(double v, char* text);

}  // namespace qor
