// Reading the host chunks byte by byte, independently of the plug-in's own
// reader: the 'pfft' header, the bank's slot records and the program state
// ("QOR_1.0.0", program index, name, two user-wave blocks, 60 doubles).
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qor::test::binary {

constexpr uint8_t kChunkHeader[8] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
constexpr size_t kUserWaveTableBytes = 2048;  // sample and slope tables of one memory
constexpr size_t kRecipeEntryBytes = 17;      // harmonic, cosine, sine

class ChunkReader {
public:
    explicit ChunkReader(std::span<const uint8_t> bytes, size_t position = 0) : bytes_(bytes), pos_(position) {}

    size_t Position() const { return pos_; }
    bool AtEnd() const { return pos_ == bytes_.size(); }

    std::optional<int32_t> Int32()
    {
        if (bytes_.size() - pos_ < 4 || pos_ > bytes_.size()) return std::nullopt;
        int32_t v = 0;
        std::memcpy(&v, bytes_.data() + pos_, 4);
        pos_ += 4;
        return v;
    }
    std::optional<double> Double()
    {
        if (pos_ > bytes_.size() || bytes_.size() - pos_ < 8) return std::nullopt;
        double v = 0;
        std::memcpy(&v, bytes_.data() + pos_, 8);
        pos_ += 8;
        return v;
    }
    std::optional<std::string> String()
    {
        const auto n = Int32();
        if (!n || *n < 0 || static_cast<size_t>(*n) > bytes_.size() - pos_) return std::nullopt;
        std::string s(reinterpret_cast<const char*>(bytes_.data() + pos_), static_cast<size_t>(*n));
        pos_ += static_cast<size_t>(*n);
        return s;
    }
    std::optional<uint8_t> Byte()
    {
        if (pos_ >= bytes_.size()) return std::nullopt;
        return bytes_[pos_++];
    }
    bool Skip(size_t n)
    {
        if (pos_ > bytes_.size() || bytes_.size() - pos_ < n) return false;
        pos_ += n;
        return true;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t pos_;
};

// What one program state holds, as far as the tests look into it.
struct StateView {
    int32_t programIndex = -1;
    std::string name;
    int32_t recipeCounts[2] = {0, 0};
    std::vector<double> values;  // the 60 parameters, plain
};

// Reads one state at the reader's position; nullopt when it is not a whole one.
inline std::optional<StateView> ReadState(ChunkReader& in)
{
    static constexpr char kTag[9] = {'Q', 'O', 'R', '_', '1', '.', '0', '.', '0'};
    for (char c : kTag) {
        const auto b = in.Byte();
        if (!b || *b != static_cast<uint8_t>(c)) return std::nullopt;
    }
    StateView state;
    const auto index = in.Int32();
    const auto name = index ? in.String() : std::nullopt;
    if (!name) return std::nullopt;
    state.programIndex = *index;
    state.name = *name;
    for (int32_t& count : state.recipeCounts) {
        const auto k = in.Int32();
        if (!k || *k < 0 || !in.Skip(static_cast<size_t>(*k) * kRecipeEntryBytes + kUserWaveTableBytes))
            return std::nullopt;
        count = *k;
    }
    for (int i = 0; i < 60; ++i) {
        const auto v = in.Double();
        if (!v) return std::nullopt;
        state.values.push_back(*v);
    }
    return state;
}

inline bool HasHeader(std::span<const uint8_t> chunk)
{
    return chunk.size() >= 8 && std::memcmp(chunk.data(), kChunkHeader, 8) == 0;
}

}  // namespace qor::test::binary
