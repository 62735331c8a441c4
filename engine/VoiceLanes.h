// Sounding voices rendered side by side, one voice per SIMD lane: the two
// smoothers, the ladder and the oscillator clocks run as vectors of doubles
// (eight lanes in AVX-512 registers where the processor has them, else four
// in AVX2 ones, else pairs in SSE2 ones), several vectors at a time so that
// the ladders' long chains of dependent operations overlap; each oscillator
// reads its wave with one lookup per lane in the WaveTables. Every lane does the very
// operations of Voice::renderSample in the same order, so the sum is the same
// to the bit whichever way it is computed.
#pragma once

namespace qor {

struct Voice;
class WaveTables;

// The most voices rendered together: two vectors of eight lanes in AVX-512,
// four of four in AVX2 (fewer registers, so the AVX-512 kernel takes fewer
// vectors), four pairs in SSE2.
constexpr int kVoiceLanes = 16;

// How the voices are computed: one at a time through Voice::renderSample, or
// in lanes of SSE2, AVX2 or AVX-512 registers. All give the same output.
enum class VoiceKernel { Scalar, Sse2, Avx2, Avx512 };

// The best kernel this processor runs (chosen once, at load).
VoiceKernel BestVoiceKernel();
// The kernel in use; a test may pick any the processor runs. Returns false
// (and changes nothing) for one it cannot run. Not for use while rendering.
VoiceKernel CurrentVoiceKernel();
bool SelectVoiceKernel(VoiceKernel kernel);

// Audio thread. Adds voices[0..count) (count 1..kVoiceLanes, in index order
// within each sample) into sum[0..frames). Voice j's noise draws are
// noise[j], noise[j + stride], ... one per sample. The oscillators' waves are
// read from tables, which must be up to date with the user waves.
void RenderVoiceLanes(Voice* const* voices, int count, double* sum, int frames, const double* noise, int stride,
                      const WaveTables& tables);

}  // namespace qor
