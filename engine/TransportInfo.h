// The host's transport as the LFO sync sees it at the start of a block.
// The defaults are what a host that tells nothing implies.
#pragma once

namespace qor {

struct TransportInfo {
    double samplePos = -1.0;
    double ppqPos = -1.0;   // position in quarter notes
    double tempo = 120.0;   // beats per minute
    double barStartPos = -1.0;
    double cycleStartPos = -1.0;
    double cycleEndPos = -1.0;
    int numerator = 4;
    int denominator = 4;
    bool playing = false;
    bool cycleActive = false;
};

}  // namespace qor
