// One step of the voice's four-stage ladder with its saturating feedback, for
// one voice (T = double) or for a vector of voices side by side (T a vector of
// doubles, each lane doing the very same operations in the same order).
// Shared by ResonantFilter and the voice lanes, so both compute it to the bit.
#pragma once

namespace qor {

template <class T>
struct LadderState {
    T s1, s2, s3, s4;
    T antiDenormal;  // alternates in sign every step
};

template <class T>
struct LadderCoefficients {
    T g, g4, o, feedback, norm;
};

// Advances the ladder by input x; y is the ladder's output before the output
// gain. A NaN input or stage becomes 0; every stage gets the alternating
// anti-denormal offset first.
template <class T>
[[gnu::always_inline]] inline void ladderStep(const T& input, LadderState<T>& s, const LadderCoefficients<T>& c, T& y)
{
    const T zero{};
    const T d = s.antiDenormal;
    s.s1 = s.s1 == s.s1 ? s.s1 + d : zero;
    s.s2 = s.s2 == s.s2 ? s.s2 + d : zero;
    s.s3 = s.s3 == s.s3 ? s.s3 + d : zero;
    s.s4 = s.s4 == s.s4 ? s.s4 + d : zero;
    s.antiDenormal = -d;
    const T x = input == input ? input : zero;
    const T g = c.g;

    y = (g * (g * (g * s.s1 + s.s2) + s.s3) + s.s4 + c.g4 * x) * c.norm;

    // Soft clip of the feedback path: a rational tanh-like curve, limited to +/-5.
    const T h = 0.2 * y;
    T sat = (h * h + 27.0) * 5.0 * h / (9.0 * h * h + 27.0);
    sat = h > 3.0 ? zero + 5.0 : sat;
    sat = h < -3.0 ? zero - 5.0 : sat;

    T v = (x - sat * c.feedback) * g;
    const T y1 = s.s1 + v;
    s.s1 = v - c.o * y1;
    v = y1 * g;
    const T y2 = s.s2 + v;
    s.s2 = v - c.o * y2;
    v = y2 * g;
    const T y3 = s.s3 + v;
    s.s3 = v - c.o * y3;
    v = y3 * g;
    const T y4 = s.s4 + v;
    s.s4 = v - c.o * y4;
}

}  // namespace qor
