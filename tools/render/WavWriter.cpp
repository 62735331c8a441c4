#include "tools/render/WavWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <system_error>
#include <vector>

namespace qor {

namespace {

constexpr int kChannels = 2;
// The RIFF sizes are 32-bit; a bigger render cannot be a valid WAV file.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 64;

void putLe(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void putTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

int32_t floatToPcm(float x, int bits)
{
    if (!std::isfinite(x)) return 0;
    const double fullScale = bits == 16 ? 32767.0 : 8388607.0;
    return static_cast<int32_t>(std::lround(std::clamp(static_cast<double>(x), -1.0, 1.0) * fullScale));
}

WavWriter::~WavWriter() { abandon(); }

int WavWriter::bytesPerSample() const
{
    switch (format_) {
    case SampleFormat::Pcm16: return 2;
    case SampleFormat::Pcm24: return 3;
    case SampleFormat::Float32: return 4;
    }
    return 4;
}

bool WavWriter::open(const std::filesystem::path& target, int sampleRate, SampleFormat format, std::string& error)
{
    abandon();
    if (sampleRate <= 0) {
        error = "sample rate must be positive";
        return false;
    }
    target_ = target;
    sampleRate_ = sampleRate;
    format_ = format;
    frames_ = 0;
    std::random_device random;
    temporary_ = target;
    temporary_ += ".part" + std::to_string(random() % 1000000);
    file_.open(temporary_, std::ios::binary | std::ios::trunc);
    if (!file_) {
        error = "cannot write " + target.string() + " (cannot create a file in its folder)";
        temporary_.clear();
        return false;
    }
    return writeHeader(error);
}

bool WavWriter::writeHeader(std::string& error)
{
    const bool isFloat = format_ == SampleFormat::Float32;
    const uint32_t blockAlign = static_cast<uint32_t>(kChannels * bytesPerSample());
    const uint32_t dataBytes = static_cast<uint32_t>(frames_ * blockAlign);
    const uint32_t fmtBytes = isFloat ? 18 : 16;
    const uint32_t riffBytes = 4 + (8 + fmtBytes) + (isFloat ? 12 : 0) + 8 + dataBytes;

    std::vector<uint8_t> header;
    putTag(header, "RIFF");
    putLe(header, riffBytes, 4);
    putTag(header, "WAVE");
    putTag(header, "fmt ");
    putLe(header, fmtBytes, 4);
    putLe(header, isFloat ? 3 : 1, 2);  // IEEE float or integer PCM
    putLe(header, kChannels, 2);
    putLe(header, static_cast<uint32_t>(sampleRate_), 4);
    putLe(header, static_cast<uint32_t>(sampleRate_) * blockAlign, 4);
    putLe(header, blockAlign, 2);
    putLe(header, static_cast<uint32_t>(bytesPerSample() * 8), 2);
    if (isFloat) {
        putLe(header, 0, 2);  // no extension bytes
        // Formats other than integer PCM carry the frame count in a fact chunk.
        putTag(header, "fact");
        putLe(header, 4, 4);
        putLe(header, static_cast<uint32_t>(frames_), 4);
    }
    putTag(header, "data");
    putLe(header, dataBytes, 4);

    file_.seekp(0);
    file_.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    if (!file_) {
        error = "cannot write " + target_.string();
        return false;
    }
    return true;
}

bool WavWriter::write(std::span<const float> left, std::span<const float> right, std::string& error)
{
    if (!file_.is_open()) {
        error = "no output file is open";
        return false;
    }
    const size_t count = std::min(left.size(), right.size());
    const uint64_t blockAlign = static_cast<uint64_t>(kChannels * bytesPerSample());
    if ((frames_ + count) * blockAlign > kMaxDataBytes) {
        error = "output would exceed the 4 GiB size limit of a WAV file";
        return false;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(count * blockAlign);
    for (size_t i = 0; i < count; ++i) {
        for (float sample : {left[i], right[i]}) {
            switch (format_) {
            case SampleFormat::Pcm16: putLe(bytes, static_cast<uint32_t>(floatToPcm(sample, 16)), 2); break;
            case SampleFormat::Pcm24: putLe(bytes, static_cast<uint32_t>(floatToPcm(sample, 24)), 3); break;
            case SampleFormat::Float32: {
                const float value = std::isfinite(sample) ? sample : 0.0f;
                uint32_t bits = 0;
                static_assert(sizeof(bits) == sizeof(value));
                std::memcpy(&bits, &value, sizeof(bits));
                putLe(bytes, bits, 4);
                break;
            }
            }
        }
    }
    file_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file_) {
        error = "cannot write " + target_.string() + " (disk full?)";
        return false;
    }
    frames_ += count;
    return true;
}

bool WavWriter::finish(std::string& error)
{
    if (!file_.is_open()) {
        error = "no output file is open";
        return false;
    }
    if (!writeHeader(error)) {
        abandon();
        return false;
    }
    file_.close();
    if (file_.fail()) {
        error = "cannot write " + target_.string() + " (disk full?)";
        abandon();
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporary_, target_, ec);
    if (ec) {
        error = "cannot write " + target_.string() + ": " + ec.message();
        abandon();
        return false;
    }
    temporary_.clear();
    return true;
}

void WavWriter::abandon()
{
    if (file_.is_open()) file_.close();
    if (!temporary_.empty()) {
        std::error_code ec;
        std::filesystem::remove(temporary_, ec);
        temporary_.clear();
    }
}

}  // namespace qor
