// WAV files for user waves: a reader for mono integer PCM (8, 16, 24 bits)
// and IEEE float (32, 64 bits), and the 16-bit 44.1 kHz mono writer.
//
// The reader walks the RIFF chunks in file order and stops at the first
// "data" chunk that follows a usable "fmt ". Chunk sizes are used as written,
// without RIFF's pad byte to an even size, as the instrument always read them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qor {

// A user wave is one cycle; a file longer than this (about 95 seconds at
// 44.1 kHz) is not a cycle of anything and is refused rather than claim the
// memory and the analysis time it would need.
constexpr std::size_t kMaxWavSamples = std::size_t{1} << 22;

enum class WavError {
    kCannotRead,  // unreadable, not RIFF/WAVE, unsupported format, no samples
    kNotMono,     // two or more channels
};

// What the "fmt " and "data" chunks said. channels, bits and rate are 0 when
// the format is not one the reader handles.
struct WavFormat {
    int formatTag = 0;  // 1 integer PCM, 3 IEEE float
    int channels = 0;
    int bitsPerSample = 0;
    uint32_t sampleRate = 0;
    uint32_t frames = 0;  // from the "data" size
};

struct WavReadResult {
    std::optional<WavError> error;
    WavFormat format;
    // Mono samples, -1..1 for integer files, as stored for float files. At most
    // format.frames of them: fewer when the file ends early.
    std::vector<double> samples;
};

// Parses and reads a mono WAV file or its bytes.
WavReadResult ReadWavFile(const std::string& path);
WavReadResult ReadWav(std::span<const uint8_t> bytes);

// Sample value -1..1 to 16 bits: -32768 at -1 and below, 32767 from
// 0.9999542236328125 up, otherwise rounded half away from zero on the
// 32768 scale (v * 32768 - 0.5 or + 0.5, truncated).
int16_t ToPcm16(double value);

// Writes a 16-bit 44.1 kHz mono file. The 44-byte header is written last, once
// the samples are on disk; a failed write leaves the header zero. False when
// the file cannot be created or written.
bool WriteWavFile(const std::string& path, std::span<const double> samples);

}  // namespace qor
