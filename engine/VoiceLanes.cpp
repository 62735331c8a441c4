#include "engine/VoiceLanes.h"

#include <array>
#include <atomic>
#include <cstddef>

#include "engine/Voice.h"
#include "engine/WaveMemory.h"

namespace qor {

namespace {

// W lanes: doubles, a lane mask of the same width, ints and unsigned ints.
// Four lanes fill an AVX2 register, two an SSE2 one.
template <int W>
struct Lanes;

template <>
struct Lanes<4> {
    typedef double D __attribute__((vector_size(32)));
    typedef long long M __attribute__((vector_size(32)));
    typedef int I __attribute__((vector_size(16)));
    typedef unsigned U __attribute__((vector_size(16)));
};

template <>
struct Lanes<2> {
    typedef double D __attribute__((vector_size(16)));
    typedef long long M __attribute__((vector_size(16)));
    typedef int I __attribute__((vector_size(8)));
    typedef unsigned U __attribute__((vector_size(8)));
};

template <class Mask>
[[gnu::always_inline]] inline bool anyLane(const Mask& m, int lanes)
{
    long long a = 0;
    for (int j = 0; j < lanes; ++j) a |= m[j];
    return a != 0;
}

VoiceKernel detectKernel()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? VoiceKernel::Avx2 : VoiceKernel::Sse2;
}

const VoiceKernel bestKernel = detectKernel();
std::atomic<VoiceKernel> currentKernel{bestKernel};

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
    switch (count) {
        case 4: renderScalar<4>(voices, sum, frames, noise, stride); break;
        case 3: renderScalar<3>(voices, sum, frames, noise, stride); break;
        case 2: renderScalar<2>(voices, sum, frames, noise, stride); break;
        default: renderScalar<1>(voices, sum, frames, noise, stride); break;
    }
}

// W oscillators (one per lane) for one run: Oscillator::next with the
// clocks, phases and outputs in vectors and everything that stays put over a
// run (memory, increment band, switches) looked up once. A lane plays its
// wave, passes its voice's noise draw, or stays silent; only playing lanes
// give their state back to the oscillator.
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
    std::array<const uint8_t*, W> samples{};
    std::array<const uint8_t*, W> slopes{};
    std::array<const uint8_t*, W> addresses{};  // the address row for the increment band
    U base{};
    std::array<uint32_t, W> mask{};

    void load(int j, Oscillator* o, bool noiseSource)
    {
        const auto k = static_cast<size_t>(j);
        osc[k] = o;
        noise[j] = noiseSource ? -1 : 0;
        playing[j] = !noiseSource && o->enabled ? -1 : 0;
        clock[j] = o->clock;
        clockRatio[j] = o->clockRatio;
        output[j] = o->output;
        phase[j] = o->phase;
        increment[j] = o->increment;
        addresses[k] = addressTable[(o->increment >> 16) & 63].data();
        const uint8_t* user = o->userWave ? o->userBuffers[o->waveBase & 1] : nullptr;
        if (user && o->waveBase <= 1) {
            samples[k] = user;
            slopes[k] = user + 1024;
            base[j] = 0;
            mask[k] = ~0u;
        } else {
            // A user wave whose buffer is missing reads the fixed memory at waveBase + a.
            samples[k] = waveRom.data();
            slopes[k] = slopeRom.data();
            base[j] = o->waveBase;
            mask[k] = 0xFFFFu & (kWaveMemoryBytes - 1);
        }
    }

    // Lanes never loaded read the fixed memory harmlessly and are never stored.
    void idle(int j)
    {
        const auto k = static_cast<size_t>(j);
        samples[k] = waveRom.data();
        slopes[k] = slopeRom.data();
        addresses[k] = addressTable[0].data();
        mask[k] = kWaveMemoryBytes - 1;
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

    // One sample: out gets each lane's wave output, noise draw or 0.
    [[gnu::always_inline]] void next(const D& noiseDraws, D& out)
    {
        clock += clockRatio;
        const M tick = clock > 1.0;
        if (anyLane(tick, W)) {
            // At most one tick at host rates of 41.7 kHz and above; below it
            // several, of which only the last is heard.
            const I whole = __builtin_convertvector(clock, I);
            const D ticks = __builtin_convertvector(whole, D);
            clock = tick ? clock - ticks : clock;
            const I tick32 = __builtin_convertvector(tick, I);
            const U stepped = (phase + increment * (U)whole) & 0xFFFFFFu;
            phase = tick32 ? stepped : phase;
            const U h = (stepped >> 16) & 0xFFu;
            const U row = ((h & 7u) << 3) | (h >> 5);
            const U start = base + (h & 0xF8u) * 4u;
            I value;
            for (int j = 0; j < W; ++j) {
                const auto k = static_cast<size_t>(j);
                const uint32_t e = addresses[k][row[j]];
                const uint32_t address = (start[j] + (e >> 3)) & mask[k];
                const uint32_t sample = samples[k][address];
                const uint32_t slope = slopes[k][address];
                value[j] = static_cast<int>((sample + interpTable[e & 7][slope]) & 0xFF) - 128;
            }
            const D fresh = __builtin_convertvector(value, D) / 128.0;
            output = tick ? fresh : output;
        }
        const D zero{};
        out = noise ? noiseDraws : playing ? output : zero;
    }
};

// A NaN becomes 0, anything else gets the anti-denormal offset d.
#define QOR_OFFSET(v, d) ((v) == (v) ? (v) + (d) : zero)

// The lanes of Voice::renderSample: LowPass::process for both smoothers,
// Oscillator::next, ResonantFilter::process. Lanes from count on are idle:
// all zero, they never ask for coefficients and are never added.
template <int W>
[[gnu::always_inline]] inline void renderLanes(Voice* const* voices, int count, double* __restrict sum, int frames,
                                               const double* __restrict noise, int stride)
{
    using D = typename Lanes<W>::D;
    using M = typename Lanes<W>::M;
    using I = typename Lanes<W>::I;
    const D zero{};
    const D five = zero + 5.0;

    // Cutoff smoother (c...), amplitude smoother (a...), ladder, mix gains.
    D cIn = zero, cB0 = zero, cB1 = zero, cC1 = zero, cC2 = zero, cX1 = zero, cX2 = zero, cY1 = zero, cY2 = zero,
       cD = zero;
    D aIn = zero, aB0 = zero, aB1 = zero, aC1 = zero, aC2 = zero, aX1 = zero, aX2 = zero, aY1 = zero, aY2 = zero,
       aD = zero;
    D g = zero, g4 = zero, o = zero, fb = zero, outGain = zero, norm = zero, s1 = zero, s2 = zero, s3 = zero,
       s4 = zero, fD = zero, last = zero;
    D gain1 = zero, gain2 = zero;
    D amp = zero;
    OscillatorLanes<W> osc1, osc2;
    for (int j = count; j < W; ++j) {
        osc1.idle(j);
        osc2.idle(j);
    }

    // The ladder's tables and resonance per lane, for coefficients computed
    // as ResonantFilter::computeCoefficients does; idle lanes read lane 0's.
    const FilterTables& firstTables = *voices[0]->vcf.tables;
    std::array<const double*, W> resoK{}, ladderO{}, ladderG{}, ladderG4{};
    D resonance = zero, resonanceGain = zero;
    for (int j = 0; j < W; ++j) {
        const auto k = static_cast<size_t>(j);
        const FilterTables& t = j < count ? *voices[j]->vcf.tables : firstTables;
        resoK[k] = t.resoK.data();
        ladderO[k] = t.ladderO.data();
        ladderG[k] = t.ladderG.data();
        ladderG4[k] = t.ladderG4.data();
        if (j < count) {
            resonance[j] = voices[j]->vcf.resonance;
            resonanceGain[j] = voices[j]->vcf.resonanceGain;
        }
    }

    for (int j = 0; j < count; ++j) {
        Voice& v = *voices[j];
        const LowPass& cs = v.cutoffSmoother;
        cIn[j] = v.cutoffTarget;
        cB0[j] = cs.b0, cB1[j] = cs.b1, cC1[j] = cs.c1, cC2[j] = cs.c2;
        cX1[j] = cs.x1, cX2[j] = cs.x2, cY1[j] = cs.y1, cY2[j] = cs.y2, cD[j] = cs.antiDenormal;
        const LowPass& as = v.ampSmoother;
        aIn[j] = v.ampTarget;
        aB0[j] = as.b0, aB1[j] = as.b1, aC1[j] = as.c1, aC2[j] = as.c2;
        aX1[j] = as.x1, aX2[j] = as.x2, aY1[j] = as.y1, aY2[j] = as.y2, aD[j] = as.antiDenormal;
        const ResonantFilter& f = v.vcf;
        g[j] = f.g, g4[j] = f.g4, o[j] = f.o, fb[j] = f.feedback, outGain[j] = f.outGain, norm[j] = f.norm;
        last[j] = f.lastCutoff;
        s1[j] = v.vcf.s1, s2[j] = v.vcf.s2, s3[j] = v.vcf.s3, s4[j] = v.vcf.s4, fD[j] = v.vcf.antiDenormal;
        gain1[j] = v.osc1Gain;
        gain2[j] = v.osc2Gain;
        osc1.load(j, &v.osc1, v.osc1Noise != 0);
        osc2.load(j, &v.osc2, v.osc2Noise != 0);
    }

    // Chunks in three passes, so that none holds more state than the
    // registers take: smoothers, oscillators, then ladder and sum.
    constexpr int kChunk = 64;
    std::array<D, kChunk> cutoffs;
    std::array<D, kChunk> amps;
    std::array<D, kChunk> mixes;
    for (int chunk = 0; chunk < frames; chunk += kChunk) {
        const int length = frames - chunk < kChunk ? frames - chunk : kChunk;
        for (int i = 0; i < length; ++i) {
            // The smoothers: y = b0 (x + x2) + b1 x1 + c1 y1 + c2 y2.
            D d = cD;
            D x = QOR_OFFSET(cIn, d);
            cX1 = QOR_OFFSET(cX1, d);
            cX2 = QOR_OFFSET(cX2, d);
            cY1 = QOR_OFFSET(cY1, d);
            cY2 = QOR_OFFSET(cY2, d);
            cD = -d;
            const D cutoff = cB0 * (x + cX2) + cB1 * cX1 + cC1 * cY1 + cC2 * cY2;
            cX2 = cX1;
            cX1 = x;
            cY2 = cY1;
            cY1 = cutoff;

            d = aD;
            x = QOR_OFFSET(aIn, d);
            aX1 = QOR_OFFSET(aX1, d);
            aX2 = QOR_OFFSET(aX2, d);
            aY1 = QOR_OFFSET(aY1, d);
            aY2 = QOR_OFFSET(aY2, d);
            aD = -d;
            amp = aB0 * (x + aX2) + aB1 * aX1 + aC1 * aY1 + aC2 * aY2;
            aX2 = aX1;
            aX1 = x;
            aY2 = aY1;
            aY1 = amp;
            cutoffs[static_cast<size_t>(i)] = cutoff;
            amps[static_cast<size_t>(i)] = amp;
        }

        for (int i = 0; i < length; ++i) {
            const double* n = noise + static_cast<ptrdiff_t>(chunk + i) * stride;
            D draws = zero;
            for (int j = 0; j < count; ++j) draws[j] = n[j];
            D w1, w2;
            osc1.next(draws, w1);
            osc2.next(draws, w2);
            mixes[static_cast<size_t>(i)] = w2 * gain2 + w1 * gain1;
        }

        for (int i = 0; i < length; ++i) {
            const int s = chunk + i;
            const D cutoff = cutoffs[static_cast<size_t>(i)];
            const D mix = mixes[static_cast<size_t>(i)];

            // The cutoff clamped to 0..17280 (NaN to 0) and rounded half away from zero.
            D c = cutoff >= 0.0 ? cutoff : zero;
            c = c > static_cast<double>(kMaxPitch) ? D{} + static_cast<double>(kMaxPitch) : c;
            const D t = __builtin_convertvector(__builtin_convertvector(c, I), D);
            const D rounded = c - t >= 0.5 ? t + 1.0 : t;
            const M changed = rounded != last;
            if (anyLane(changed, W)) {
                const I pitch = __builtin_convertvector(rounded, I);
                D k = zero, tableO = zero, tableG = zero, tableG4 = zero;
                for (int j = 0; j < W; ++j) {
                    const auto lane = static_cast<size_t>(j);
                    const auto p = static_cast<size_t>(pitch[j]);
                    k[j] = resoK[lane][p];
                    tableO[j] = ladderO[lane][p];
                    tableG[j] = ladderG[lane][p];
                    tableG4[j] = ladderG4[lane][p];
                }
                const D feedback = resonance * k;
                const D newNorm = 1.0 / (tableG4 * feedback + 1.0);
                fb = changed ? feedback : fb;
                outGain = changed ? resonanceGain : outGain;
                o = changed ? tableO : o;
                g = changed ? tableG : g;
                g4 = changed ? tableG4 : g4;
                norm = changed ? newNorm : norm;
                last = changed ? rounded : last;
            }

            // The ladder step of ResonantFilter::core.
            D d = fD;
            s1 = QOR_OFFSET(s1, d);
            s2 = QOR_OFFSET(s2, d);
            s3 = QOR_OFFSET(s3, d);
            s4 = QOR_OFFSET(s4, d);
            fD = -d;
            const D x = mix == mix ? mix : zero;
            const D y = (g * (g * (g * s1 + s2) + s3) + s4 + g4 * x) * norm;
            const D h = 0.2 * y;
            D sat = (h * h + 27.0) * 5.0 * h / (9.0 * h * h + 27.0);
            sat = h > 3.0 ? five : sat;
            sat = h < -3.0 ? -five : sat;
            D v = (x - sat * fb) * g;
            const D y1 = s1 + v;
            s1 = v - o * y1;
            v = y1 * g;
            const D y2 = s2 + v;
            s2 = v - o * y2;
            v = y2 * g;
            const D y3 = s3 + v;
            s3 = v - o * y3;
            v = y3 * g;
            const D y4 = s4 + v;
            s4 = v - o * y4;
            const D out = y * outGain * amps[static_cast<size_t>(i)];

            double acc = sum[s];
            for (int j = 0; j < count; ++j) acc += out[j];
            sum[s] = acc;
        }
    }

    for (int j = 0; j < count; ++j) {
        Voice& v = *voices[j];
        LowPass& cs = v.cutoffSmoother;
        cs.x1 = cX1[j], cs.x2 = cX2[j], cs.y1 = cY1[j], cs.y2 = cY2[j], cs.antiDenormal = cD[j];
        LowPass& as = v.ampSmoother;
        as.x1 = aX1[j], as.x2 = aX2[j], as.y1 = aY1[j], as.y2 = aY2[j], as.antiDenormal = aD[j];
        v.amp = amp[j];
        ResonantFilter& f = v.vcf;
        f.s1 = s1[j], f.s2 = s2[j], f.s3 = s3[j], f.s4 = s4[j], f.antiDenormal = fD[j];
        f.g = g[j], f.g4 = g4[j], f.o = o[j], f.feedback = fb[j], f.outGain = outGain[j], f.norm = norm[j];
        f.lastCutoff = last[j];
    }
    osc1.store(count);
    osc2.store(count);
}

#undef QOR_OFFSET

// Two pairs one after the other: each sample still adds the voices in index order.
void renderSse2(Voice* const* voices, int count, double* sum, int frames, const double* noise, int stride)
{
    renderLanes<2>(voices, count < 2 ? count : 2, sum, frames, noise, stride);
    if (count > 2) renderLanes<2>(voices + 2, count - 2, sum, frames, noise + 2, stride);
}

__attribute__((target("avx2"))) void renderAvx2(Voice* const* voices, int count, double* sum, int frames,
                                                const double* noise, int stride)
{
    renderLanes<4>(voices, count, sum, frames, noise, stride);
}

}  // namespace

VoiceKernel BestVoiceKernel() { return bestKernel; }

VoiceKernel CurrentVoiceKernel() { return currentKernel.load(std::memory_order_relaxed); }

bool SelectVoiceKernel(VoiceKernel kernel)
{
    if (kernel == VoiceKernel::Avx2 && bestKernel != VoiceKernel::Avx2) return false;
    currentKernel.store(kernel, std::memory_order_relaxed);
    return true;
}

void RenderVoiceLanes(Voice* const* voices, int count, double* sum, int frames, const double* noise, int stride)
{
    if (count <= 0 || frames <= 0) return;
    VoiceKernel kernel = currentKernel.load(std::memory_order_relaxed);
    // A lone voice fills one lane of four and is cheaper on its own. A ladder
    // kicked into oscillation at its first sample, or one without its tables,
    // takes the plain way too.
    if (count == 1) kernel = VoiceKernel::Scalar;
    for (int j = 0; j < count; ++j) {
        const ResonantFilter& f = voices[j]->vcf;
        if (f.prime || !f.tables || f.tables->ladderG4.size() <= static_cast<size_t>(kMaxPitch) ||
            f.tables->resoK.size() <= static_cast<size_t>(kMaxPitch) ||
            f.tables->ladderO.size() <= static_cast<size_t>(kMaxPitch) ||
            f.tables->ladderG.size() <= static_cast<size_t>(kMaxPitch))
            kernel = VoiceKernel::Scalar;
    }
    switch (kernel) {
        case VoiceKernel::Avx2: renderAvx2(voices, count, sum, frames, noise, stride); break;
        case VoiceKernel::Sse2: renderSse2(voices, count, sum, frames, noise, stride); break;
        case VoiceKernel::Scalar: renderScalarGroup(voices, count, sum, frames, noise, stride); break;
    }
}

}  // namespace qor
