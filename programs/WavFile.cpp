#include "programs/WavFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string_view>

namespace qor {

namespace {

constexpr int kFormatPcm = 1;
constexpr int kFormatFloat = 3;
constexpr std::size_t kHeaderBytes = 44;
constexpr uint32_t kWriteRate = 44100;
// Samples converted per read while loading.
constexpr std::size_t kReadBlock = 4096;

uint16_t LoadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t LoadLE32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void StoreLE16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void StoreLE32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool HasTag(const uint8_t* p, std::string_view tag) { return std::memcmp(p, tag.data(), 4) == 0; }

// The file's bytes held in memory.
class MemorySource {
public:
    explicit MemorySource(std::span<const uint8_t> bytes) : mBytes(bytes) {}

    std::size_t Read(std::span<uint8_t> out)
    {
        const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(out.size(), Remaining()));
        std::copy_n(mBytes.begin() + static_cast<std::ptrdiff_t>(mPosition), n, out.begin());
        mPosition += n;
        return n;
    }
    void Skip(uint64_t count) { mPosition += static_cast<std::size_t>(std::min(count, Remaining())); }
    uint64_t Remaining() const { return mBytes.size() - mPosition; }

private:
    std::span<const uint8_t> mBytes;
    std::size_t mPosition = 0;
};

// A file read as it is walked, never held whole.
class FileSource {
public:
    explicit FileSource(const std::string& path) : mFile(path, std::ios::binary)
    {
        if (!mFile) return;
        mFile.seekg(0, std::ios::end);
        const std::streamoff end = mFile.tellg();
        mFile.seekg(0, std::ios::beg);
        if (!mFile || end < 0) {
            mFile.close();
            return;
        }
        mSize = static_cast<uint64_t>(end);
    }

    bool IsOpen() const { return mFile.is_open(); }

    std::size_t Read(std::span<uint8_t> out)
    {
        const std::size_t wanted = static_cast<std::size_t>(std::min<uint64_t>(out.size(), Remaining()));
        if (wanted == 0) return 0;
        mFile.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(wanted));
        const std::size_t n = static_cast<std::size_t>(std::max<std::streamsize>(mFile.gcount(), 0));
        mPosition += n;
        if (n < wanted) mPosition = mSize;  // a read error ends the file here
        return n;
    }
    void Skip(uint64_t count)
    {
        mPosition += std::min(count, Remaining());
        mFile.clear();
        mFile.seekg(static_cast<std::streamoff>(mPosition), std::ios::beg);
    }
    uint64_t Remaining() const { return mSize - mPosition; }

private:
    std::ifstream mFile;
    uint64_t mSize = 0;
    uint64_t mPosition = 0;
};

bool UsableFormat(int tag, int bits, int channels)
{
    if (channels == 0) return false;
    if (tag == kFormatPcm) return bits == 8 || bits == 16 || bits == 24;
    if (tag == kFormatFloat) return bits == 32 || bits == 64;
    return false;
}

// Walks the chunks up to the first sample of a usable "data" chunk. False at
// the end of the file without one.
template <class Source>
bool ParseHeader(Source& source, WavFormat& format)
{
    std::array<uint8_t, 12> riff{};
    if (source.Read(riff) != riff.size() || !HasTag(riff.data(), "RIFF") || !HasTag(riff.data() + 8, "WAVE"))
        return false;
    for (;;) {
        std::array<uint8_t, 8> header{};
        if (source.Read(header) != header.size()) return false;
        const uint32_t size = LoadLE32(header.data() + 4);
        if (HasTag(header.data(), "fmt ") && size >= 16) {
            std::array<uint8_t, 16> fmt{};
            if (source.Read(fmt) != fmt.size()) return false;
            format.formatTag = LoadLE16(fmt.data());
            format.channels = LoadLE16(fmt.data() + 2);
            format.sampleRate = LoadLE32(fmt.data() + 4);
            format.bitsPerSample = LoadLE16(fmt.data() + 14);
            if (!UsableFormat(format.formatTag, format.bitsPerSample, format.channels)) {
                format.channels = 0;
                format.bitsPerSample = 0;
                format.sampleRate = 0;
            }
            source.Skip(size - 16);
        } else if (HasTag(header.data(), "data") && size != 0 && format.bitsPerSample != 0) {
            const uint32_t frameBytes = static_cast<uint32_t>(format.channels) * static_cast<uint32_t>(format.bitsPerSample) / 8;
            format.frames = size / frameBytes;
            return true;
        } else {
            source.Skip(size);
        }
    }
}

double ConvertSample(const uint8_t* p, const WavFormat& format)
{
    switch (format.bitsPerSample) {
        case 8: return p[0] / 128.0 - 1.0;
        case 16: return static_cast<int16_t>(LoadLE16(p)) / 32768.0;
        case 24: {
            int32_t s = static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16);
            if (s & 0x800000) s -= 0x1000000;
            return s / 8388608.0;
        }
        case 32: return std::bit_cast<float>(LoadLE32(p));
        default: return std::bit_cast<double>(LoadLE32(p) | static_cast<uint64_t>(LoadLE32(p + 4)) << 32);
    }
}

template <class Source>
WavReadResult Read(Source& source)
{
    WavReadResult result;
    if (!ParseHeader(source, result.format) || result.format.frames == 0) {
        result.error = WavError::kCannotRead;
        return result;
    }
    if (result.format.channels >= 2) {
        result.error = WavError::kNotMono;
        return result;
    }

    // Whatever the header claims, no more than the file holds is read.
    const std::size_t sampleBytes = static_cast<std::size_t>(result.format.bitsPerSample / 8);
    const uint64_t count = std::min<uint64_t>(result.format.frames, source.Remaining() / sampleBytes);
    if (count == 0 || count > kMaxWavSamples) {
        result.error = WavError::kCannotRead;
        return result;
    }
    result.samples.reserve(static_cast<std::size_t>(count));
    std::vector<uint8_t> block(kReadBlock * sampleBytes);
    while (result.samples.size() < count) {
        const std::size_t wanted = std::min<std::size_t>(kReadBlock, static_cast<std::size_t>(count) - result.samples.size());
        const std::size_t got = source.Read(std::span<uint8_t>(block.data(), wanted * sampleBytes)) / sampleBytes;
        for (std::size_t i = 0; i < got; ++i) result.samples.push_back(ConvertSample(block.data() + i * sampleBytes, result.format));
        if (got < wanted) break;  // the file ended early
    }
    if (result.samples.empty()) result.error = WavError::kCannotRead;
    return result;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

WavReadResult ReadWavFile(const std::string& path)
{
    FileSource source(path);
    if (!source.IsOpen()) {
        WavReadResult result;
        result.error = WavError::kCannotRead;
        return result;
    }
    return Read(source);
}

WavReadResult ReadWav(std::span<const uint8_t> bytes)
{
    MemorySource source(bytes);
    return Read(source);
}

int16_t ToPcm16(double value)
{
    if (std::isnan(value)) return 0;
    if (value < 0.0) return value <= -1.0 ? int16_t{-32768} : static_cast<int16_t>(std::trunc(value * 32768.0 - 0.5));
    return value >= 0.9999542236328125 ? int16_t{32767} : static_cast<int16_t>(std::trunc(value * 32768.0 + 0.5));
}

bool WriteWavFile(const std::string& path, std::span<const double> samples)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;

    std::array<uint8_t, kHeaderBytes> header{};
    std::vector<uint8_t> data(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) StoreLE16(data.data() + 2 * i, static_cast<uint16_t>(ToPcm16(samples[i])));
    if (std::fwrite(header.data(), 1, header.size(), file.get()) != header.size() ||
        std::fwrite(data.data(), 1, data.size(), file.get()) != data.size() || std::fflush(file.get()) != 0)
        return false;

    const uint32_t fileSize = static_cast<uint32_t>(kHeaderBytes + data.size());
    std::memcpy(header.data(), "RIFF", 4);
    StoreLE32(header.data() + 4, fileSize - 8);
    std::memcpy(header.data() + 8, "WAVEfmt ", 8);
    StoreLE32(header.data() + 16, 16);
    StoreLE16(header.data() + 20, kFormatPcm);
    StoreLE16(header.data() + 22, 1);
    StoreLE32(header.data() + 24, kWriteRate);
    StoreLE32(header.data() + 28, kWriteRate * 2);
    StoreLE16(header.data() + 32, 2);
    StoreLE16(header.data() + 34, 16);
    std::memcpy(header.data() + 36, "data", 4);
    StoreLE32(header.data() + 40, fileSize - static_cast<uint32_t>(kHeaderBytes));
    if (std::fseek(file.get(), 0, SEEK_SET) != 0 || std::fwrite(header.data(), 1, header.size(), file.get()) != header.size())
        return false;
    return std::fclose(file.release()) == 0;
}

}  // namespace qor
