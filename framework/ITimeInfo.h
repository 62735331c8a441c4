// The host's transport at the start of a block, as GetTimeInfo reports it.
// The defaults are what a host that tells nothing implies; GetTimeInfo only
// overwrites the fields the host marks valid.
#pragma once

namespace qor {

struct ITimeInfo {
    double samplePos = -1.0;
    double ppqPos = -1.0;   // position in quarter notes
    double tempo = 120.0;   // beats per minute
    double barStartPos = -1.0;  // quarter notes at the start of the last bar
    double cycleStartPos = -1.0;
    double cycleEndPos = -1.0;
    int numerator = 4;
    int denominator = 4;
    bool playing = false;
    bool cycleActive = false;
};

}  // namespace qor
