// The instrument's 60 parameters: names, ranges, defaults and display texts.
// Built once, when the plug-in object is constructed.
#pragma once

#include <string_view>

namespace qor {

class IPlugBase;

// Initialises the plug-in's 60 parameter objects.
void InitParameterTable(IPlugBase& plug);

// The wave name shown for "OSC 1 Wave" (8) or "OSC 2 Wave" (14) at its current
// value; waves 32 and 34 are named after the memory that holds the current
// program. Empty for any other index.
std::string_view WaveName(const IPlugBase& plug, int paramIndex, bool currentIsCartridge);

// The display text of "LFO Speed": its sync note value while "LFO Sync" is
// on, else its ordinary text. text holds IParameter::kDisplayCapacity bytes.
void LfoSpeedText(const IPlugBase& plug, char* text);

// The display functions, exposed for the tests.
void DisplayVolume(double v, char* text);
void DisplayWorkingParameter(double v, char* text);
void DisplayRange(double v, char* text);
void DisplayLowBoost(double v, char* text);
void DisplayLfoShape(double v, char* text);
void DisplayChorus(double v, char* text);

}  // namespace qor
