#include "engine/VoiceLanes.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <utility>

#include "engine/LadderStep.h"
#include "engine/Voice.h"
#include "engine/WaveTables.h"

namespace qor {

namespace {

// W lanes: doubles, a lane mask of the same width, ints, and unsigned ints as
// wide as the doubles (the 24-bit phases never carry beyond 32 bits, so their
// sums are those of 32-bit arithmetic, and the lane masks apply to them).
// Eight lanes fill an AVX-512 register, four an AVX2 one, two an SSE2 one.
template <int W>
struct Lanes;

template <>
struct Lanes<8> {
    typedef double D __attribute__((vector_size(64)));
    typedef long long M __attribute__((vector_size(64)));
    typedef int I __attribute__((vector_size(32)));
    typedef unsigned long long U __attribute__((vector_size(64)));
};

template <>
struct Lanes<4> {
    typedef double D __attribute__((vector_size(32)));
    typedef long long M __attribute__((vector_size(32)));
    typedef int I __attribute__((vector_size(16)));
    typedef unsigned long long U __attribute__((vector_size(32)));
};

template <>
struct Lanes<2> {
    typedef double D __attribute__((vector_size(16)));
    typedef long long M __attribute__((vector_size(16)));
    typedef int I __attribute__((vector_size(8)));
    typedef unsigned long long U __attribute__((vector_size(16)));
};

template <int W, class Mask>
[[gnu::always_inline]] inline bool anyLane(const Mask& m)
{
    long long a = 0;
    for (int j = 0; j < W; ++j) a |= m[j];
    return a != 0;
}

VoiceKernel detectKernel()
{
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq")) return VoiceKernel::Avx512;
    return __builtin_cpu_supports("avx2") ? VoiceKernel::Avx2 : VoiceKernel::Sse2;
}

const VoiceKernel bestKernel = detectKernel();
std::atomic<VoiceKernel> currentKernel{bestKernel};

// What a lane reads when it plays no wave: an oscillator switched off, one
// replaced by noise, a lane without a voice.
constexpr std::array<int8_t, WaveTables::kPositions> kSilence{};

// N voices one at a time.
template <int N>
void renderScalar(Voice* const* group, double* __restrict sum, int frames, const double* __restrict noise, int stride)
{
    std::array<Voice*, N> v;
    for (int j = 0; j < N; ++j) v[static_cast<size_t>(j)] = group[j];
    for (int s = 0; s < frames; ++s) {
        const double* n = noise + static_cast<ptrdiff_t>(s) * stride;
        std::array<double, N> out;
        for (int j = 0; j < N; ++j) out[static_cast<size_t>(j)] = v[static_cast<size_t>(j)]->renderSample(n[j]);
        double acc = sum[s];
        for (int j = 0; j < N; ++j) acc += out[static_cast<size_t>(j)];
        sum[s] = acc;
    }
}

void renderScalarGroup(Voice* const* voices, int count, double* sum, int frames, const double* noise, int stride)
{
    for (int k = 0; k < count; k += 4) {
        const int n = count - k < 4 ? count - k : 4;
        const double* draws = noise + k;
        switch (n) {
            case 4: renderScalar<4>(voices + k, sum, frames, draws, stride); break;
            case 3: renderScalar<3>(voices + k, sum, frames, draws, stride); break;
            case 2: renderScalar<2>(voices + k, sum, frames, draws, stride); break;
            default: renderScalar<1>(voices + k, sum, frames, draws, stride); break;
        }
    }
}

// W oscillators (one per lane) for one run: Oscillator::next with the
// clocks, phases and outputs in vectors. A lane plays its wave from the
// table for its wave and increment band, or reads silence; only playing
// lanes give their state back to the oscillator.
template <int W>
struct OscillatorLanes {
    using D = typename Lanes<W>::D;
    using M = typename Lanes<W>::M;
    using I = typename Lanes<W>::I;
    using U = typename Lanes<W>::U;

    D clock{};
    D clockRatio{};
    D output{};
    U phase{};
    U increment{};
    M playing{};
    M noise{};
    std::array<Oscillator*, W> osc{};
    std::array<const int8_t*, W> table{};

    OscillatorLanes() { table.fill(kSilence.data()); }

    void load(int j, Oscillator* o, bool noiseSource, const int8_t* wave)
    {
        const auto k = static_cast<size_t>(j);
        const bool plays = !noiseSource && o->enabled;
        osc[k] = o;
        noise[j] = noiseSource ? -1 : 0;
        playing[j] = plays ? -1 : 0;
        clock[j] = o->clock;
        clockRatio[j] = o->clockRatio;
        output[j] = plays ? o->output : 0.0;
        phase[j] = o->phase;
        increment[j] = o->increment;
        table[k] = plays ? wave : kSilence.data();
    }

    void store(int count) const
    {
        for (int j = 0; j < count; ++j) {
            if (!playing[j]) continue;
            Oscillator& o = *osc[static_cast<size_t>(j)];
            o.phase = phase[j];
            o.clock = clock[j];
            o.output = output[j];
        }
    }

    // At host rates above the hardware clock a sample holds one tick at
    // most, as long as no clock starts above 1.
    bool singleTicks() const
    {
        for (int j = 0; j < W; ++j)
            if (!(clockRatio[j] < 1.0 && clock[j] <= 1.0)) return false;
        return true;
    }

    // Each lane's table at its position h, built as one vector from the
    // bytes: eight small stores read back as one vector would stall.
    template <size_t... J>
    [[gnu::always_inline]] void lookUp(const U& h, I& value, std::index_sequence<J...>) const
    {
        value = I{table[J][h[J]]...};
    }

    // One sample; output then holds each lane's wave output (0 for lanes
    // that play none).
    template <bool kSingleTick>
    [[gnu::always_inline]] void next()
    {
        clock += clockRatio;
        const M tick = clock > 1.0;
        U stepped;
        if constexpr (kSingleTick) {
            clock = tick ? clock - 1.0 : clock;
            stepped = (phase + increment) & 0xFFFFFFu;
        } else {
            // Below 41.7 kHz several ticks, of which only the last is heard.
            const I whole = __builtin_convertvector(clock, I);
            const D ticks = __builtin_convertvector(whole, D);
            clock = tick ? clock - ticks : clock;
            const U times = __builtin_convertvector(whole, U);
            stepped = (phase + increment * times) & 0xFFFFFFu;
        }
        phase = tick ? stepped : phase;
        const U h = stepped >> 16;
        I value;
        lookUp(h, value, std::make_index_sequence<W>());
        const D fresh = __builtin_convertvector(value, D) / 128.0;
        output = tick ? fresh : output;
    }
};

// The first C voices of each of n samples (G vectors of W lanes each) added
// to out[0..n), in voice order.
template <int C, int W, class Sample>
[[gnu::always_inline]] inline void addFirst(const Sample* samples, double* __restrict out, int n)
{
    for (int i = 0; i < n; ++i) {
        double acc = out[i];
#pragma GCC unroll 16
        for (int j = 0; j < C; ++j) acc += samples[i][static_cast<size_t>(j / W)][j % W];
        out[i] = acc;
    }
}

// The same for the first count (1..C) voices.
template <int C, int W, class Sample>
[[gnu::always_inline]] inline void addVoices(const Sample* samples, int count, double* __restrict out, int n)
{
    if constexpr (C > 1) {
        if (count < C) {
            addVoices<C - 1, W>(samples, count, out, n);
            return;
        }
    }
    addFirst<C, W>(samples, out, n);
}

// A NaN becomes 0, anything else gets the anti-denormal offset d.
#define QOR_OFFSET(v, d) ((v) == (v) ? (v) + (d) : zero)

// One of the voice's two smoothers (LowPass::process) in lanes over a run
// whose input x stays put. From the third sample of a run on, the input
// terms b0 (x + x2) + b1 x1 depend only on the sign of the alternating
// anti-denormal offset, so they are computed twice and then reused.
template <int W>
struct SmootherLanes {
    using D = typename Lanes<W>::D;

    D in{}, b0{}, b1{}, c1{}, c2{}, x1{}, x2{}, y1{}, y2{}, d{};
    std::array<D, 2> inputTerms{};
    std::array<std::array<D, 2>, 2> inputState{};  // x1, x2 after a sample of either sign

    void load(int j, const LowPass& f, double input)
    {
        in[j] = input;
        b0[j] = f.b0, b1[j] = f.b1, c1[j] = f.c1, c2[j] = f.c2;
        x1[j] = f.x1, x2[j] = f.x2, y1[j] = f.y1, y2[j] = f.y2, d[j] = f.antiDenormal;
    }

    void store(int j, LowPass& f) const
    {
        f.x1 = x1[j], f.x2 = x2[j], f.y1 = y1[j], f.y2 = y2[j], f.antiDenormal = d[j];
    }

    // Sample n of the run (the output by reference: vectors wider than the
    // default target's are not returned by value).
    [[gnu::always_inline]] void step(int n, D& y)
    {
        const D zero{};
        const D offset = d;
        d = -offset;
        D terms;
        if (n < 4) {
            const D x = QOR_OFFSET(in, offset);
            const D xa = QOR_OFFSET(x1, offset);
            const D xb = QOR_OFFSET(x2, offset);
            terms = b0 * (x + xb) + b1 * xa;
            x2 = xa;
            x1 = x;
            if (n >= 2) {
                inputTerms[static_cast<size_t>(n & 1)] = terms;
                inputState[static_cast<size_t>(n & 1)] = {x1, x2};
            }
        } else {
            terms = inputTerms[static_cast<size_t>(n & 1)];
        }
        const D ya = QOR_OFFSET(y1, offset);
        const D yb = QOR_OFFSET(y2, offset);
        y = terms + c1 * ya + c2 * yb;
        y2 = ya;
        y1 = y;
    }

    // After a run of n samples: the input state of its last sample.
    void finish(int n)
    {
        if (n <= 4) return;
        const auto& s = inputState[static_cast<size_t>((n - 1) & 1)];
        x1 = s[0];
        x2 = s[1];
    }
};

// The ladder of ResonantFilter::process in lanes: coefficients computed as
// ResonantFilter::computeCoefficients does whenever a lane's rounded cutoff
// changes, then the ladder step both share.
template <int W>
struct LadderLanes {
    using D = typename Lanes<W>::D;
    using M = typename Lanes<W>::M;
    using I = typename Lanes<W>::I;

    LadderState<D> state{};
    LadderCoefficients<D> coefficients{};
    D outGain{}, last{};
    D resonance{}, resonanceGain{};
    // Idle lanes read the first voice's tables and never ask for coefficients.
    std::array<const double*, W> resoK{}, ladderO{}, ladderG{}, ladderG4{};

    void tables(int j, const FilterTables& t)
    {
        const auto k = static_cast<size_t>(j);
        resoK[k] = t.resoK.data();
        ladderO[k] = t.ladderO.data();
        ladderG[k] = t.ladderG.data();
        ladderG4[k] = t.ladderG4.data();
    }

    void load(int j, const ResonantFilter& f)
    {
        tables(j, *f.tables);
        resonance[j] = f.resonance;
        resonanceGain[j] = f.resonanceGain;
        LadderCoefficients<D>& c = coefficients;
        c.g[j] = f.g, c.g4[j] = f.g4, c.o[j] = f.o, c.feedback[j] = f.feedback, c.norm[j] = f.norm;
        outGain[j] = f.outGain;
        last[j] = f.lastCutoff;
        LadderState<D>& s = state;
        s.s1[j] = f.s1, s.s2[j] = f.s2, s.s3[j] = f.s3, s.s4[j] = f.s4, s.antiDenormal[j] = f.antiDenormal;
    }

    void store(int j, ResonantFilter& f) const
    {
        const LadderState<D>& s = state;
        f.s1 = s.s1[j], f.s2 = s.s2[j], f.s3 = s.s3[j], f.s4 = s.s4[j], f.antiDenormal = s.antiDenormal[j];
        const LadderCoefficients<D>& c = coefficients;
        f.g = c.g[j], f.g4 = c.g4[j], f.o = c.o[j], f.feedback = c.feedback[j], f.norm = c.norm[j];
        f.outGain = outGain[j];
        f.lastCutoff = last[j];
    }

    // Each lane's table entry at its pitch, built as one vector.
    template <size_t... J>
    [[gnu::always_inline]] static void lookUp(const std::array<const double*, W>& table, const I& pitch, D& value,
                                              std::index_sequence<J...>)
    {
        value = D{table[J][pitch[J]]...};
    }

    // One sample: the ladder's output times the amplitude, into out.
    [[gnu::always_inline]] void step(const D& cutoff, const D& mix, const D& amp, D& out)
    {
        const D zero{};
        // The cutoff clamped to 0..17280 (NaN to 0) and rounded half away from zero.
        D c = cutoff >= 0.0 ? cutoff : zero;
        c = c > static_cast<double>(kMaxPitch) ? zero + static_cast<double>(kMaxPitch) : c;
        const D t = __builtin_convertvector(__builtin_convertvector(c, I), D);
        const D rounded = c - t >= 0.5 ? t + 1.0 : t;
        const M changed = rounded != last;
        if (anyLane<W>(changed)) {
            const I pitch = __builtin_convertvector(rounded, I);
            D k, tableO, tableG, tableG4;
            constexpr auto lanes = std::make_index_sequence<W>();
            lookUp(resoK, pitch, k, lanes);
            lookUp(ladderO, pitch, tableO, lanes);
            lookUp(ladderG, pitch, tableG, lanes);
            lookUp(ladderG4, pitch, tableG4, lanes);
            const D feedback = resonance * k;
            const D newNorm = 1.0 / (tableG4 * feedback + 1.0);
            LadderCoefficients<D>& co = coefficients;
            co.feedback = changed ? feedback : co.feedback;
            outGain = changed ? resonanceGain : outGain;
            co.o = changed ? tableO : co.o;
            co.g = changed ? tableG : co.g;
            co.g4 = changed ? tableG4 : co.g4;
            co.norm = changed ? newNorm : co.norm;
            last = changed ? rounded : last;
        }
        D y;
        ladderStep(mix, state, coefficients, y);
        out = y * outGain * amp;
    }
};

#undef QOR_OFFSET

// Up to W x G voices: G vectors of W lanes side by side, so that the ladders'
// long chains of dependent operations overlap (one ladder step is a chain of
// some thirty dependent operations, a division among them). Voice j sits in vector j / W,
// lane j % W; lanes from count on are idle: all zero, never stored, never
// added.
template <int W, int G>
struct VoiceGroup {
    using D = typename Lanes<W>::D;

    std::array<OscillatorLanes<W>, G> osc1, osc2;
    std::array<SmootherLanes<W>, G> cutoffs, amps;
    std::array<LadderLanes<W>, G> ladders;
    std::array<D, G> gain1{}, gain2{}, amp{};
    bool noisy = false;

    void load(Voice* const* voices, const int8_t* const* waves, int count)
    {
        for (int q = 0; q < G; ++q)
            for (int j = 0; j < W; ++j) ladders[static_cast<size_t>(q)].tables(j, *voices[0]->vcf.tables);
        for (int i = 0; i < count; ++i) {
            Voice& v = *voices[i];
            const auto q = static_cast<size_t>(i / W);
            const int j = i % W;
            osc1[q].load(j, &v.osc1, v.osc1Noise != 0, waves[2 * i]);
            osc2[q].load(j, &v.osc2, v.osc2Noise != 0, waves[2 * i + 1]);
            noisy |= v.osc1Noise || v.osc2Noise;
            cutoffs[q].load(j, v.cutoffSmoother, v.cutoffTarget);
            amps[q].load(j, v.ampSmoother, v.ampTarget);
            ladders[q].load(j, v.vcf);
            gain1[q][j] = v.osc1Gain;
            gain2[q][j] = v.osc2Gain;
        }
    }

    void store(Voice* const* voices, int count) const
    {
        for (int i = 0; i < count; ++i) {
            Voice& v = *voices[i];
            const auto q = static_cast<size_t>(i / W);
            const int j = i % W;
            cutoffs[q].store(j, v.cutoffSmoother);
            amps[q].store(j, v.ampSmoother);
            v.amp = amp[q][j];
            ladders[q].store(j, v.vcf);
        }
        for (int q = 0; q < G; ++q) {
            const int inVector = count - q * W;
            osc1[static_cast<size_t>(q)].store(inVector < 0 ? 0 : inVector > W ? W : inVector);
            osc2[static_cast<size_t>(q)].store(inVector < 0 ? 0 : inVector > W ? W : inVector);
        }
    }

    bool singleTicks() const
    {
        for (int q = 0; q < G; ++q)
            if (!osc1[static_cast<size_t>(q)].singleTicks() || !osc2[static_cast<size_t>(q)].singleTicks())
                return false;
        return true;
    }

    // The run, in chunks of three passes so that none holds more state than
    // the registers take: smoothers, oscillators, then ladders; then the sum.
    template <bool kSingleTick>
    [[gnu::always_inline]] void render(int count, double* __restrict sum, int frames, const double* __restrict noise,
                                       int stride)
    {
        constexpr int kChunk = 32;
        std::array<std::array<D, G>, kChunk> cutoff, level, mix;
        for (int chunk = 0; chunk < frames; chunk += kChunk) {
            const int length = frames - chunk < kChunk ? frames - chunk : kChunk;
            for (int i = 0; i < length; ++i)
#pragma GCC unroll 4
                for (size_t q = 0; q < G; ++q) {
                    cutoffs[q].step(chunk + i, cutoff[static_cast<size_t>(i)][q]);
                    amps[q].step(chunk + i, level[static_cast<size_t>(i)][q]);
                }

            for (int i = 0; i < length; ++i) {
                const double* n = noise + static_cast<ptrdiff_t>(chunk + i) * stride;
#pragma GCC unroll 4
                for (size_t q = 0; q < G; ++q) {
                    OscillatorLanes<W>& a = osc1[q];
                    OscillatorLanes<W>& b = osc2[q];
                    a.template next<kSingleTick>();
                    b.template next<kSingleTick>();
                    D& m = mix[static_cast<size_t>(i)][q];
                    if (noisy) {
                        D draws{};
                        for (int j = 0; j < W; ++j) {
                            const int voice = static_cast<int>(q) * W + j;
                            draws[j] = voice < count ? n[voice] : 0.0;
                        }
                        const D w1 = a.noise ? draws : a.output;
                        const D w2 = b.noise ? draws : b.output;
                        m = w2 * gain2[q] + w1 * gain1[q];
                    } else {
                        m = b.output * gain2[q] + a.output * gain1[q];
                    }
                }
            }

            for (int i = 0; i < length; ++i)
#pragma GCC unroll 4
                for (size_t q = 0; q < G; ++q) {
                    const auto k = static_cast<size_t>(i);
                    ladders[q].step(cutoff[k][q], mix[k][q], level[k][q], mix[k][q]);
                }

            addVoices<W * G, W>(mix.data(), count, sum + chunk, length);
        }
        for (size_t q = 0; q < G; ++q) {
            cutoffs[q].finish(frames);
            amps[q].finish(frames);
            if (frames > 0) amp[q] = level[static_cast<size_t>((frames - 1) % kChunk)][q];
        }
    }
};

// Up to W x G voices at a time, groups one after the other: each sample still
// adds the voices in index order.
template <int W, int G>
[[gnu::always_inline]] inline void renderGroups(Voice* const* voices, const int8_t* const* waves, int count,
                                                double* sum, int frames, const double* noise, int stride)
{
    constexpr int kGroup = W * G;
    for (int k = 0; k < count; k += kGroup) {
        const int n = count - k < kGroup ? count - k : kGroup;
        VoiceGroup<W, G> group;
        group.load(voices + k, waves + 2 * k, n);
        if (group.singleTicks())
            group.template render<true>(n, sum, frames, noise + k, stride);
        else
            group.template render<false>(n, sum, frames, noise + k, stride);
        group.store(voices + k, n);
    }
}

void renderSse2(Voice* const* voices, const int8_t* const* waves, int count, double* sum, int frames,
                const double* noise, int stride)
{
    renderGroups<2, 4>(voices, waves, count, sum, frames, noise, stride);
}

__attribute__((target("avx2"))) void renderAvx2(Voice* const* voices, const int8_t* const* waves, int count,
                                                double* sum, int frames, const double* noise, int stride)
{
    renderGroups<4, 4>(voices, waves, count, sum, frames, noise, stride);
}

__attribute__((target("avx512f,avx512dq"))) void renderAvx512(Voice* const* voices, const int8_t* const* waves,
                                                              int count, double* sum, int frames,
                                                              const double* noise, int stride)
{
    renderGroups<8, 2>(voices, waves, count, sum, frames, noise, stride);
}

}  // namespace

VoiceKernel BestVoiceKernel() { return bestKernel; }

VoiceKernel CurrentVoiceKernel() { return currentKernel.load(std::memory_order_relaxed); }

bool SelectVoiceKernel(VoiceKernel kernel)
{
    // Each kernel's instructions include those of the ones before it.
    if (static_cast<int>(kernel) > static_cast<int>(bestKernel)) return false;
    currentKernel.store(kernel, std::memory_order_relaxed);
    return true;
}

void RenderVoiceLanes(Voice* const* voices, int count, double* sum, int frames, const double* noise, int stride,
                      const WaveTables& tables)
{
    if (count <= 0 || frames <= 0) return;
    if (count > kVoiceLanes) count = kVoiceLanes;
    VoiceKernel kernel = currentKernel.load(std::memory_order_relaxed);
    // A lone voice fills one lane and is cheaper on its own. A ladder kicked
    // into oscillation at its first sample, one without its tables, or an
    // oscillator reading a wave the tables do not hold takes the plain way too.
    if (count == 1) kernel = VoiceKernel::Scalar;
    std::array<const int8_t*, 2 * kVoiceLanes> waves{};
    for (int j = 0; j < count && kernel != VoiceKernel::Scalar; ++j) {
        const Voice& v = *voices[j];
        const ResonantFilter& f = v.vcf;
        if (f.prime || !f.tables || f.tables->ladderG4.size() <= static_cast<size_t>(kMaxPitch) ||
            f.tables->resoK.size() <= static_cast<size_t>(kMaxPitch) ||
            f.tables->ladderO.size() <= static_cast<size_t>(kMaxPitch) ||
            f.tables->ladderG.size() <= static_cast<size_t>(kMaxPitch))
            kernel = VoiceKernel::Scalar;
        const auto k = static_cast<size_t>(2 * j);
        waves[k] = tables.lookUp(v.osc1);
        waves[k + 1] = tables.lookUp(v.osc2);
        if ((v.osc1.enabled && !v.osc1Noise && !waves[k]) || (v.osc2.enabled && !v.osc2Noise && !waves[k + 1]))
            kernel = VoiceKernel::Scalar;
    }
    switch (kernel) {
        case VoiceKernel::Avx512: renderAvx512(voices, waves.data(), count, sum, frames, noise, stride); break;
        case VoiceKernel::Avx2: renderAvx2(voices, waves.data(), count, sum, frames, noise, stride); break;
        case VoiceKernel::Sse2: renderSse2(voices, waves.data(), count, sum, frames, noise, stride); break;
        case VoiceKernel::Scalar: renderScalarGroup(voices, count, sum, frames, noise, stride); break;
    }
}

}  // namespace qor
