#include "framework/IChunk.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <limits>

namespace qor {

namespace {

void StoreLE32(uint8_t* out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t LoadLE32(const uint8_t* in)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in[i]) << (8 * i);
    return v;
}

}  // namespace

void IChunk::Reserve(std::size_t extra)
{
    std::size_t needed = mBytes.size() + extra;
    if (needed <= mBytes.capacity()) return;
    // At least doubling: a bank of half a megabyte is written in small puts,
    // and growing by one step at a time would copy it over and over.
    needed = std::max(needed, 2 * mBytes.capacity());
    mBytes.reserve((needed + kGrowthStep - 1) / kGrowthStep * kGrowthStep);
}

bool IChunk::Readable(int position, std::size_t size) const
{
    return position >= 0 && size <= mBytes.size() && static_cast<std::size_t>(position) <= mBytes.size() - size;
}

void IChunk::PutInt32(int32_t value)
{
    uint8_t bytes[4];
    StoreLE32(bytes, static_cast<uint32_t>(value));
    PutBytes(bytes);
}

void IChunk::PutDouble(double value)
{
    uint64_t bits = std::bit_cast<uint64_t>(value);
    uint8_t bytes[8];
    StoreLE32(bytes, static_cast<uint32_t>(bits));
    StoreLE32(bytes + 4, static_cast<uint32_t>(bits >> 32));
    PutBytes(bytes);
}

void IChunk::PutBool(bool value)
{
    uint8_t byte = value ? 1 : 0;
    PutBytes(std::span<const uint8_t>(&byte, 1));
}

void IChunk::PutString(std::string_view text)
{
    PutInt32(static_cast<int32_t>(text.size()));
    PutBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void IChunk::PutChunk(const IChunk& other)
{
    PutBytes(other.Bytes());
}

void IChunk::PutBytes(std::span<const uint8_t> bytes)
{
    if (bytes.empty()) return;
    const uint8_t* begin = mBytes.data();
    const uint8_t* end = begin + mBytes.capacity();
    // A host may hand back the very bytes we gave it; growing would move them.
    if (begin && std::less_equal<>()(begin, bytes.data()) && std::less<>()(bytes.data(), end)) {
        std::vector<uint8_t> copy(bytes.begin(), bytes.end());
        PutBytes(copy);
        return;
    }
    Reserve(bytes.size());
    mBytes.insert(mBytes.end(), bytes.begin(), bytes.end());
}

int IChunk::GetInt32(int32_t& value, int position) const
{
    if (!Readable(position, 4)) return -1;
    value = static_cast<int32_t>(LoadLE32(mBytes.data() + position));
    return position + 4;
}

int IChunk::GetDouble(double& value, int position) const
{
    if (!Readable(position, 8)) return -1;
    const uint8_t* p = mBytes.data() + position;
    uint64_t bits = LoadLE32(p) | static_cast<uint64_t>(LoadLE32(p + 4)) << 32;
    value = std::bit_cast<double>(bits);
    return position + 8;
}

int IChunk::GetBool(bool& value, int position) const
{
    if (!Readable(position, 1)) return -1;
    value = mBytes[static_cast<std::size_t>(position)] != 0;
    return position + 1;
}

int IChunk::GetString(std::string& text, int position) const
{
    int32_t length = 0;
    int next = GetInt32(length, position);
    // A negative length would move the reader backwards over data it has
    // already read; only corrupt input carries one.
    if (next < 0 || length < 0) return -1;
    int64_t end = static_cast<int64_t>(next) + length;
    if (end > std::numeric_limits<int>::max()) return -1;
    if (end <= static_cast<int64_t>(mBytes.size()))
        text.assign(reinterpret_cast<const char*>(mBytes.data()) + next, static_cast<std::size_t>(length));
    return static_cast<int>(end);
}

int IChunk::GetBytes(std::span<uint8_t> bytes, int position) const
{
    if (!Readable(position, bytes.size())) return -1;
    if (!bytes.empty()) std::memcpy(bytes.data(), mBytes.data() + position, bytes.size());
    return position + static_cast<int>(bytes.size());
}

}  // namespace qor
