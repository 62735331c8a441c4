// Builds WAV files byte by byte for the reader's tests: a RIFF/WAVE header
// followed by whatever chunks a test asks for, in that order.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

namespace qor::test {

class WavBytes {
public:
    WavBytes()
    {
        Tag("RIFF");
        U32(0);  // the reader ignores the RIFF size
        Tag("WAVE");
    }

    // A chunk exactly as given: no pad byte after an odd size.
    WavBytes& Chunk(std::string_view tag, const std::vector<uint8_t>& body)
    {
        return ChunkWithSize(tag, static_cast<uint32_t>(body.size()), body);
    }
    // A chunk whose size field says something other than its body's length.
    WavBytes& ChunkWithSize(std::string_view tag, uint32_t size, const std::vector<uint8_t>& body)
    {
        Tag(tag);
        U32(size);
        bytes.insert(bytes.end(), body.begin(), body.end());
        return *this;
    }
    WavBytes& Fmt(int formatTag, int channels, int bits, uint32_t rate = 44100, int extraBytes = 0)
    {
        std::vector<uint8_t> body;
        auto put16 = [&](uint32_t v) { body.push_back(static_cast<uint8_t>(v)), body.push_back(static_cast<uint8_t>(v >> 8)); };
        auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
        const uint32_t block = static_cast<uint32_t>(channels * bits / 8);
        put16(static_cast<uint32_t>(formatTag));
        put16(static_cast<uint32_t>(channels));
        put32(rate);
        put32(rate * block);
        put16(block);
        put16(static_cast<uint32_t>(bits));
        for (int i = 0; i < extraBytes; ++i) body.push_back(0);
        return Chunk("fmt ", body);
    }
    WavBytes& Data(const std::vector<uint8_t>& body) { return Chunk("data", body); }

    void Append(const std::vector<uint8_t>& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }

    bool Save(const std::string& path) const
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    }

    std::vector<uint8_t> bytes;

private:
    void Tag(std::string_view tag) { bytes.insert(bytes.end(), tag.begin(), tag.begin() + 4); }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
};

// Sample data in the file formats.
inline std::vector<uint8_t> Pcm16(const std::vector<int>& values)
{
    std::vector<uint8_t> out;
    for (const int v : values) {
        out.push_back(static_cast<uint8_t>(v & 0xFF));
        out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    return out;
}

inline std::vector<uint8_t> Pcm24(const std::vector<int>& values)
{
    std::vector<uint8_t> out;
    for (const int v : values)
        for (int i = 0; i < 3; ++i) out.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
    return out;
}

inline std::vector<uint8_t> Float32(const std::vector<double>& values)
{
    std::vector<uint8_t> out;
    for (const double v : values) {
        const uint32_t bits = std::bit_cast<uint32_t>(static_cast<float>(v));
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    return out;
}

inline std::vector<uint8_t> Float64(const std::vector<double>& values)
{
    std::vector<uint8_t> out;
    for (const double v : values) {
        const uint64_t bits = std::bit_cast<uint64_t>(v);
        for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    return out;
}

// round(amplitude * sin(2 pi harmonic k / count)) for k = 0..count - 1.
inline std::vector<int> SineValues(int count, int harmonic, double amplitude)
{
    std::vector<int> values;
    for (int k = 0; k < count; ++k)
        values.push_back(static_cast<int>(std::lround(amplitude * std::sin(2.0 * std::numbers::pi * harmonic * k / count))));
    return values;
}

// A 16-bit mono file of the given samples.
inline WavBytes MonoPcm16File(const std::vector<int>& values)
{
    WavBytes wav;
    wav.Fmt(1, 1, 16).Data(Pcm16(values));
    return wav;
}

}  // namespace qor::test
