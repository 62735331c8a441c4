// A growable little-endian byte buffer for state, presets and host chunks.
//
// Layouts, no padding: int32 4 bytes, double 8 bytes (IEEE 754), bool 1 byte
// (0 or 1), string = int32 length n then n bytes without terminator.
// Every get takes a read position and returns the next one, or -1 when the
// value is not there; a failed get leaves its output untouched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

class IChunk {
public:
    static constexpr std::size_t kGrowthStep = 4096;

    void PutInt32(int32_t value);
    void PutDouble(double value);
    void PutBool(bool value);
    void PutString(std::string_view text);
    // Appends the other chunk's bytes, without a length.
    void PutChunk(const IChunk& other);
    // Safe even when the bytes lie inside this chunk.
    void PutBytes(std::span<const uint8_t> bytes);

    int GetInt32(int32_t& value, int position) const;
    int GetDouble(double& value, int position) const;
    int GetBool(bool& value, int position) const;
    // Returns position + 4 + n even when the n bytes do not fit (the text is
    // then left as it was); -1 when the length cannot be read, is negative,
    // or the end position would not fit in an int.
    int GetString(std::string& text, int position) const;
    int GetBytes(std::span<uint8_t> bytes, int position) const;

    void Clear() { mBytes.clear(); }
    int Size() const { return static_cast<int>(mBytes.size()); }
    bool Empty() const { return mBytes.empty(); }
    const uint8_t* Data() const { return mBytes.data(); }
    uint8_t* Data() { return mBytes.data(); }
    std::span<const uint8_t> Bytes() const { return mBytes; }

private:
    // Grows the capacity in whole steps of kGrowthStep bytes, at least doubling it.
    void Reserve(std::size_t extra);
    bool Readable(int position, std::size_t size) const;

    std::vector<uint8_t> mBytes;
};

}  // namespace qor
