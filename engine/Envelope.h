// The two attack-decay-sustain-release generators of a voice, stepped once per
// control tick. Everything is single precision, as on the hardware.
//
// Rates 0..31 come from fixed tables whose entries are phase increments per
// control tick, so a stage lasts about 1/entry ticks. The attack is linear;
// decay and release follow a fixed curve, so their shape is the same at every
// rate and only the duration changes. The filter envelope runs 10% faster.
#pragma once

#include <array>
#include <cstdint>

namespace qor {

class Envelope {
public:
    enum Stage : int32_t { kIdle = 0, kAttack = 1, kDecay = 2, kRelease = 3 };

    // Phase increment per control tick for attack rate 0..31.
    virtual float attackIncrement(int rate) const = 0;
    // Phase increment per control tick for decay or release rate 0..31.
    virtual float decayIncrement(int rate) const = 0;
    // Decay shape at phase x: 0 below 0, 1 from 1 on, falling from 0.999856
    // towards 0 in between.
    virtual float curve(float x) const = 0;

    // One control tick.
    void step();
    // Key down: a linear attack from the current level, so a retriggered
    // voice does not drop to zero first.
    void gateOn();
    // Key up: release from the current level; at level 0 straight to idle.
    void gateOff();

    // Rate changes take effect at the next tick of a running stage without
    // restarting its phase.
    void setAttack(int r);
    void setDecay(int r);
    void setRelease(int r);
    // Sustain level (r & 31) x 0.032258064, so 31 is full level.
    void setSustain(int r);

    float level = 0;  // 0..1
    uint8_t attack = 0;
    uint8_t decay = 0;
    uint8_t release = 0;
    float sustain = 0;  // 0..1
    int32_t stage = kIdle;
    float phase = 0;      // progress through the current stage, 0..1
    float increment = 0;  // added to phase per tick
    float releaseLevel = 0;

    static constexpr std::array<float, 32> kAttackRates{
        1.0f,       0.5f,       0.3333333f, 0.2f,       0.1666667f, 0.1428571f, 0.125f,     0.0833333f,
        0.0714286f, 0.0555556f, 0.0454545f, 0.0333333f, 0.0277778f, 0.0208333f, 0.016129f,  0.0125f,
        0.009434f,  0.0074627f, 0.0057471f, 0.0045455f, 0.0035714f, 0.0028249f, 0.002193f,  0.0017241f,
        0.0013514f, 0.0010965f, 0.0009416f, 0.0007837f, 0.0006281f, 0.0004708f, 0.0003137f, 0.000157f,
    };
    static constexpr std::array<float, 32> kDecayRates{
        1.0f,       0.0769231f, 0.047619f,  0.04f,      0.03125f,   0.0232558f, 0.02f,      0.0185185f,
        0.016129f,  0.0135135f, 0.0113636f, 0.0083333f, 0.0071429f, 0.00625f,   0.005814f,  0.0051546f,
        0.0044643f, 0.0039063f, 0.0035971f, 0.003268f,  0.0020243f, 0.0017301f, 0.0015015f, 0.0012755f,
        0.0009921f, 0.0009381f, 0.0008251f, 0.0007112f, 0.0005974f, 0.0004803f, 0.0003613f, 0.0002396f,
    };
    static constexpr float kSustainStep = 0.032258064f;

protected:
    // Embedded by value in the voice and never deleted through this base.
    ~Envelope() = default;
};

// Filter envelope: 249-point curve, rates x 1.1.
class EnvelopeVCF final : public Envelope {
public:
    float attackIncrement(int rate) const override;
    float decayIncrement(int rate) const override;
    float curve(float x) const override;
};

// Amplifier envelope: 505-point curve, rates as tabled.
class EnvelopeVCA final : public Envelope {
public:
    float attackIncrement(int rate) const override;
    float decayIncrement(int rate) const override;
    float curve(float x) const override;
};

}  // namespace qor
