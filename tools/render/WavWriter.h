// Stereo WAV output: 16- or 24-bit PCM or 32-bit float.
//
// The samples go to a temporary file beside the target, which is renamed to
// the target only by finish(); a render that fails or is abandoned removes
// it, so no half-written file is ever left looking complete.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

namespace qor {

enum class SampleFormat { Pcm16, Pcm24, Float32 };

// PCM scaling: round(clamp(x, -1, 1) * full scale), full scale 32767 or
// 8388607, so +1 and -1 map to symmetric codes; not-a-number and infinities
// are written as silence.
int32_t floatToPcm(float x, int bits);

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates the temporary file. False with a reason when the folder is not
    // writable or the rate is not positive.
    bool open(const std::filesystem::path& target, int sampleRate, SampleFormat format, std::string& error);
    // Appends frames; the two channels have equal length.
    bool write(std::span<const float> left, std::span<const float> right, std::string& error);
    // Completes the header and moves the file to the target.
    bool finish(std::string& error);
    // Gives up: the temporary file is removed and the target left untouched.
    void abandon();

    uint64_t framesWritten() const { return frames_; }
    const std::filesystem::path& temporaryPath() const { return temporary_; }

private:
    bool writeHeader(std::string& error);
    int bytesPerSample() const;

    std::ofstream file_;
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int sampleRate_ = 0;
    SampleFormat format_ = SampleFormat::Pcm24;
    uint64_t frames_ = 0;
};

}  // namespace qor
