// The chorus section: turns the mono voice sum into the stereo output through
// three resampling delay lines whose clock is swept by a chorus LFO.
//
// Modes (`Chorus` 0..7): 0 "OFF", 1 "CHORUS 1", 2 "CHORUS 2", 3 "CHORUS 3",
// 4 "TREMOLO", 5 "AMBI.1", 6 "AMBI.2", 7 "DELAY".
#pragma once

#include <cstdint>

#include "engine/DelayLine.h"

namespace qor {

class Chorus {
public:
    static constexpr double kSecondsA = 0.004;
    static constexpr double kSecondsB = 0.006;
    static constexpr double kSecondsC = 0.0484;

    // All three lines start at 44100 Hz with 0.04 s until the first reset.
    Chorus();

    // Re-creates the three lines, empty, for the rate. Not on the audio thread.
    void create(double sampleRate);

    // Parameter changes (main lock held): store, then updateChorus().
    void setMode(double raw);    // (int)raw, 0..7
    void setSpeed(double e);     // speed = 2^((e - 0.5) x 8) x 2: 0.125..32
    void setDepth(double e);     // depthParam = e, 0..1

    // Chorus LFO increment, depth and offset for the current mode.
    void updateChorus();

    // Once per control tick, after the voices: sets the line rates.
    void controlTick();

    // Audio thread, once per sample. With stereoOut false the chorus and delay
    // modes fold to (left + right) / 2 on both channels.
    void process(double y, bool stereoOut, double& left, double& right)
    {
        if (chorusActive) {
            // Lines A and B take the same input through equal filters, so
            // A's filter serves both (B's own stays unused).
            const double v = lineA.inFilter.process(y);
            left = y + lineA.feed(v);
            right = y + lineB.feed(v);
        } else if (delayActive) {
            left = y;
            right = lineC.process(y);
        } else {
            left = right = y;
            return;
        }
        if (!stereoOut) left = right = (left + right) * 0.5;
    }

    // The engine's output gain is volume x level x gainFactor(): OFF has no
    // wet path to add to the dry signal, so it plays at twice the level.
    double gainFactor() const { return chorusMode == 0 ? 2.0 : 1.0; }

    DelayLine lineA;
    DelayLine lineB;
    DelayLine lineC;

    uint8_t chorusMode = 0;
    double speed = 2.0;
    double depthParam = 0.0;
    double chorusInc = 0.0;
    double chorusDepth = 0.0;
    double chorusOffset = 0.0;
    double chorusPhase = 0.0;  // 0..2: rising half, then falling half
    uint8_t chorusActive = 0;
    uint8_t delayActive = 0;

private:
    void setRates(double v);
};

}  // namespace qor
