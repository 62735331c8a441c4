#include "framework/ProgramFiles.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "framework/IChunk.h"
#include "framework/IPlugBase.h"

namespace qor {

namespace {

// The host-chunk header that precedes the state in both chunk forms; as an
// int32 in our little-endian chunks it reads "tffp" on disk.
constexpr int32_t kChunkMagic = 0x70666674;  // 'pfft'
constexpr int32_t kChunkVersion = 0x00010000;

constexpr std::string_view kCcnK = "CcnK";
constexpr std::string_view kFPCh = "FPCh";
constexpr std::string_view kFxCk = "FxCk";
constexpr std::string_view kFBCh = "FBCh";
constexpr std::string_view kFxBk = "FxBk";

// Offsets shared by both headers.
constexpr std::size_t kMagicAt = 0;
constexpr std::size_t kFxMagicAt = 8;
constexpr std::size_t kVersionAt = 12;
constexpr std::size_t kIdAt = 16;
constexpr std::size_t kCountAt = 24;  // numParams or numPrograms
constexpr std::size_t kNameAt = 28;
constexpr std::size_t kCurrentProgramAt = 28;
constexpr std::size_t kParamListAt = 56;  // first float of a parameter-list program
constexpr std::size_t kProgramChunkSizeAt = 56;
constexpr std::size_t kBankChunkSizeAt = 156;

// Reads a file whose every field lies inside it; a read past the end fails.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : mBytes(bytes) {}

    bool Has(std::size_t at, std::size_t count) const { return at <= mBytes.size() && count <= mBytes.size() - at; }
    bool Magic(std::size_t at, std::string_view magic) const
    {
        return Has(at, 4) && std::memcmp(mBytes.data() + at, magic.data(), 4) == 0;
    }
    std::optional<int32_t> Int32(std::size_t at) const
    {
        if (!Has(at, 4)) return std::nullopt;
        const uint8_t* p = mBytes.data() + at;
        return static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                                    static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]));
    }
    float Float(std::size_t at) const { return std::bit_cast<float>(static_cast<uint32_t>(*Int32(at))); }
    // The zero-padded name field; a name that fills all 28 bytes has no zero.
    std::string Name(std::size_t at) const
    {
        const char* p = reinterpret_cast<const char*>(mBytes.data() + at);
        const std::size_t n = static_cast<std::size_t>(std::find(p, p + kProgramNameBytes, '\0') - p);
        return std::string(p, n);
    }
    std::span<const uint8_t> Bytes(std::size_t at, std::size_t count) const { return mBytes.subspan(at, count); }

private:
    std::span<const uint8_t> mBytes;
};

class Writer {
public:
    void Magic(std::string_view magic) { mBytes.insert(mBytes.end(), magic.begin(), magic.end()); }
    void Int32(int32_t value)
    {
        const auto v = static_cast<uint32_t>(value);
        for (int shift = 24; shift >= 0; shift -= 8) mBytes.push_back(static_cast<uint8_t>(v >> shift));
    }
    void Float(float value) { Int32(static_cast<int32_t>(std::bit_cast<uint32_t>(value))); }
    void Zeros(std::size_t count) { mBytes.insert(mBytes.end(), count, 0); }
    void Name(std::string_view name)
    {
        std::array<char, kProgramNameBytes> field{};
        std::copy_n(name.begin(), std::min(name.size(), field.size() - 1), field.begin());
        mBytes.insert(mBytes.end(), field.begin(), field.end());
    }
    void Bytes(std::span<const uint8_t> bytes) { mBytes.insert(mBytes.end(), bytes.begin(), bytes.end()); }
    std::vector<uint8_t> Take() { return std::move(mBytes); }

private:
    std::vector<uint8_t> mBytes;
};

// The first 56 bytes of a program record; byteSize and the chunk follow from
// the caller.
void WriteProgramHeader(Writer& out, IPlugBase& plug, std::string_view fxMagic, int32_t byteSize, int current)
{
    out.Magic(kCcnK);
    out.Int32(byteSize);
    out.Magic(fxMagic);
    out.Int32(1);
    out.Int32(plug.GetUniqueId());
    out.Int32(plug.GetVersion(true));
    out.Int32(plug.NParams());
    out.Name(plug.GetPresetName(current));
}

void WriteParameterList(Writer& out, IPlugBase& plug)
{
    for (int i = 0; i < plug.NParams(); ++i) out.Float(static_cast<float>(plug.GetParam(i)->GetNormalized()));
}

IChunk HostChunkHeader()
{
    IChunk chunk;
    chunk.PutInt32(kChunkMagic);
    chunk.PutInt32(kChunkVersion);
    return chunk;
}

// Where the state starts inside a chunk: after the 'pfft' header when there
// is one (older files have none).
int StateStart(const IChunk& chunk)
{
    int32_t magic = 0;
    if (chunk.GetInt32(magic, 0) > 0 && magic == kChunkMagic && chunk.Size() >= 8) return 8;
    return 0;
}

// The size field and the chunk it announces, when every byte is in the file.
std::optional<std::span<const uint8_t>> AnnouncedChunk(const Reader& in, std::size_t sizeAt)
{
    const auto size = in.Int32(sizeAt);
    if (!size || *size < 0 || !in.Has(sizeAt + 4, static_cast<std::size_t>(*size))) return std::nullopt;
    return in.Bytes(sizeAt + 4, static_cast<std::size_t>(*size));
}

// A parameter-list program record of exactly the plug-in's parameter count,
// complete in the file.
bool IsParameterRecord(const Reader& in, std::size_t at, int nParams)
{
    return in.Magic(at + kMagicAt, kCcnK) && in.Magic(at + kFxMagicAt, kFxCk) && in.Int32(at + kVersionAt) == 1 &&
           in.Int32(at + kCountAt) == nParams && in.Has(at + kParamListAt, 4 * static_cast<std::size_t>(nParams));
}

void ApplyParameterList(IPlugBase& plug, const Reader& in, std::size_t at)
{
    for (int i = 0; i < plug.NParams(); ++i)
        plug.GetParam(i)->SetNormalized(in.Float(at + kParamListAt + 4 * static_cast<std::size_t>(i)));
}

// A bank of parameter lists made ready for its slots without the main lock:
// each slot keeps what the list does not hold (for us, its user waves) and
// takes the list's values, as restoring the slot, setting the parameters and
// storing it would make it. A slot that holds no program starts from the one
// before it, as the working program would carry over. The lock is taken
// once, to copy the slots the bank replaces.
PreparedBank PrepareParameterLists(IPlugBase& plug, const Reader& in, int programs, std::size_t recordBytes)
{
    PreparedBank bank;
    std::vector<std::optional<IChunk>> stored(static_cast<std::size_t>(programs));
    IChunk carried;
    {
        auto lock = plug.LockMain();
        bank.current = plug.GetCurrentPresetIndex();
        bank.liveName = plug.LiveProgramName();
        plug.SerializeState(carried);
        for (int i = 0; i < programs; ++i)
            if (const IPresetSlot* slot = plug.GetPresetSlot(i); slot && slot->initialized)
                stored[static_cast<std::size_t>(i)].emplace().PutChunk(slot->state);
    }
    std::vector<double> values(static_cast<std::size_t>(plug.NParams()));
    bank.slots.resize(static_cast<std::size_t>(programs));
    for (int i = 0; i < programs; ++i) {
        const std::size_t at = kBankHeaderBytes - 4 + static_cast<std::size_t>(i) * recordBytes;
        for (int p = 0; p < plug.NParams(); ++p)
            values[static_cast<std::size_t>(p)] = std::as_const(plug).GetParam(p)->ValueFromNormalized(
                in.Float(at + kParamListAt + 4 * static_cast<std::size_t>(p)));
        PreparedSlot& entry = bank.slots[static_cast<std::size_t>(i)];
        entry.name = in.Name(at + kNameAt);
        entry.initialized = true;
        const std::optional<IChunk>& own = stored[static_cast<std::size_t>(i)];
        const IChunk& from = own ? *own : carried;
        if (plug.RewriteState(from, 0, bank.current, bank.liveName, entry.state, values) <= 0) return bank;
        // A slot that already holds the program keeps its bytes.
        if (own && plug.SameProgram(entry.state.Bytes(), own->Bytes())) {
            entry.state.Clear();
            entry.state.PutChunk(*own);
        } else {
            entry.rewritten = true;
        }
        carried.Clear();
        carried.PutChunk(entry.state);
    }
    bank.position = 0;
    return bank;
}

// The chunk form of a bank: every slot, then the current program again. A
// chunk that ends inside a slot changes nothing. The slots are read without
// the main lock and put in place in one step under it.
bool UnserializeBankChunk(IPlugBase& plug, std::span<const uint8_t> bytes)
{
    IChunk chunk;
    chunk.PutBytes(bytes);
    const int start = StateStart(chunk);
    PreparedBank bank = plug.PreparePresets(chunk, start);
    auto lock = plug.LockMain();
    if (plug.ApplyPresets(bank) < 0) return false;
    plug.NotifyHostOfProgramChange();
    return true;
}

bool WriteFile(const std::string& path, std::span<const uint8_t> image)
{
    if (path.empty()) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) return false;
    const bool written = std::fwrite(image.data(), 1, image.size(), file.get()) == image.size();
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace

std::vector<uint8_t> MakeProgramImage(IPlugBase& plug)
{
    auto lock = plug.LockMain();
    const int current = plug.GetCurrentPresetIndex();
    Writer out;
    if (!plug.DoesChunks()) {
        WriteProgramHeader(out, plug, kFxCk, 0, current);
        WriteParameterList(out, plug);
        return out.Take();
    }
    IChunk chunk = HostChunkHeader();
    plug.SerializeState(chunk);
    WriteProgramHeader(out, plug, kFPCh, chunk.Size() + kProgramHeaderBytes, current);
    out.Int32(chunk.Size());
    out.Bytes(chunk.Bytes());
    return out.Take();
}

std::vector<uint8_t> MakeBankImage(IPlugBase& plug)
{
    auto lock = plug.LockMain();
    const int current = plug.GetCurrentPresetIndex();
    IChunk chunk = HostChunkHeader();
    if (plug.DoesChunks()) plug.SerializePresets(chunk);

    Writer out;
    out.Magic(kCcnK);
    out.Int32(plug.DoesChunks() ? chunk.Size() + kBankHeaderBytes : 0);
    out.Magic(plug.DoesChunks() ? kFBCh : kFxBk);
    out.Int32(2);
    out.Int32(plug.GetUniqueId());
    out.Int32(plug.GetVersion(true));
    out.Int32(plug.NPresets());
    out.Int32(current);
    out.Zeros(124);
    if (plug.DoesChunks()) {
        out.Int32(chunk.Size());
        out.Bytes(chunk.Bytes());
        return out.Take();
    }
    // The program-list form holds each slot as a parameter-list program.
    for (int i = 0; i < plug.NPresets(); ++i) {
        if (plug.RestorePreset(i)) {
            WriteProgramHeader(out, plug, kFxCk, 0, i);
            WriteParameterList(out, plug);
        }
    }
    plug.RestorePreset(current);
    return out.Take();
}

bool SaveProgramFile(IPlugBase& plug, const std::string& path)
{
    return !path.empty() && WriteFile(path, MakeProgramImage(plug));
}

bool SaveBankFile(IPlugBase& plug, const std::string& path)
{
    return !path.empty() && WriteFile(path, MakeBankImage(plug));
}

bool LoadProgramImage(IPlugBase& plug, std::span<const uint8_t> image)
{
    const Reader in(image);
    if (!in.Magic(kMagicAt, kCcnK) || in.Int32(kVersionAt) != 1 || in.Int32(kIdAt) != plug.GetUniqueId() ||
        !in.Has(0, kProgramHeaderBytes - 4))
        return false;
    const std::string name = in.Name(kNameAt);

    auto lock = plug.LockMain();
    if (in.Magic(kFxMagicAt, kFPCh) && plug.DoesChunks()) {
        const auto bytes = AnnouncedChunk(in, kProgramChunkSizeAt);
        if (!bytes) return false;
        IChunk chunk;
        chunk.PutBytes(*bytes);
        IChunk before;
        plug.SerializeState(before);
        const int start = StateStart(chunk);
        // A state that is cut short or not ours (the reader returns where it
        // started) is refused, and what it had already applied is put back.
        if (plug.UnserializeState(chunk, start) <= start) {
            plug.UnserializeState(before, 0);
            return false;
        }
    } else if (in.Magic(kFxMagicAt, kFxCk)) {
        if (in.Int32(kCountAt) < plug.NParams() || !in.Has(kParamListAt, 4 * static_cast<std::size_t>(plug.NParams())))
            return false;
        ApplyParameterList(plug, in, 0);
    } else {
        return false;
    }
    plug.ModifyCurrentPreset(name.c_str());
    plug.RestorePreset(plug.GetCurrentPresetIndex());
    plug.NotifyHostOfProgramChange();
    return true;
}

bool LoadBankImage(IPlugBase& plug, std::span<const uint8_t> image)
{
    const Reader in(image);
    if (!in.Magic(kMagicAt, kCcnK) || in.Int32(kIdAt) != plug.GetUniqueId() || !in.Has(0, kBankHeaderBytes - 4))
        return false;

    if (in.Magic(kFxMagicAt, kFBCh) && plug.DoesChunks()) {
        const auto bytes = AnnouncedChunk(in, kBankChunkSizeAt);
        if (!bytes) return false;
        return UnserializeBankChunk(plug, *bytes);
    }
    if (!in.Magic(kFxMagicAt, kFxBk)) return false;

    // Every record is checked before the first is applied, so that a bad
    // record cannot leave the bank half loaded.
    const int32_t programs = *in.Int32(kCountAt);
    if (programs < 0 || programs > plug.NPresets()) return false;
    const std::size_t recordBytes = kParamListAt + 4 * static_cast<std::size_t>(plug.NParams());
    for (int32_t i = 0; i < programs; ++i)
        if (!IsParameterRecord(in, kBankHeaderBytes - 4 + static_cast<std::size_t>(i) * recordBytes, plug.NParams()))
            return false;

    PreparedBank bank = PrepareParameterLists(plug, in, programs, recordBytes);
    auto lock = plug.LockMain();
    if (plug.ApplyPresets(bank) < 0) return false;
    // The program the bank names becomes current; one it cannot hold leaves
    // the current program where it is.
    const int32_t current = *in.Int32(kCurrentProgramAt);
    if (current != plug.GetCurrentPresetIndex() && current >= 0 && current < plug.NPresets())
        plug.RestorePreset(current);
    plug.NotifyHostOfProgramChange();
    return true;
}

bool LoadBankImageUnchecked(IPlugBase& plug, std::span<const uint8_t> image)
{
    if (image.size() < kBankHeaderBytes) return false;
    return UnserializeBankChunk(plug, image.subspan(kBankHeaderBytes));
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::size_t maxBytes)
{
    if (path.empty()) return std::nullopt;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return std::nullopt;
    std::vector<uint8_t> bytes;
    std::array<uint8_t, 65536> block;
    for (;;) {
        const std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
        if (n > maxBytes - bytes.size()) return std::nullopt;
        bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
        if (n < block.size()) break;
    }
    if (std::ferror(file.get())) return std::nullopt;
    return bytes;
}

bool LoadProgramFile(IPlugBase& plug, const std::string& path)
{
    const auto bytes = ReadWholeFile(path, kMaxProgramFileBytes);
    return bytes && LoadProgramImage(plug, *bytes);
}

bool LoadBankFile(IPlugBase& plug, const std::string& path)
{
    const auto bytes = ReadWholeFile(path, kMaxProgramFileBytes);
    return bytes && LoadBankImage(plug, *bytes);
}

}  // namespace qor
