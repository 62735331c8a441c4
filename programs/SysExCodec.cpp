#include "programs/SysExCodec.h"

#include <algorithm>
#include <cmath>

namespace qor::sysex {

namespace {

enum class Coding : uint8_t {
    Unsigned,     // (value & mask) << shift
    Signed,       // the whole byte, sign and magnitude
    Bit,          // bit 7 from the normalized value ("Mono")
    MinusOne,     // stored value - 1 ("LFO Shape")
    Working,      // stored value - 7, 47..49 as 10 ("Working Parameter")
};

struct Field {
    int8_t index;
    uint8_t byte;
    uint8_t shift;
    uint8_t mask;
    Coding coding = Coding::Unsigned;
};

// The hardware's program layout, upper field before lower field.
constexpr std::array<Field, kProgramParameters> kFields{{
    {kRange, 0, 6, 0x03},
    {kOsc1Wave, 0, 0, 0x3F},
    {kPortamento, 1, 7, 0x01},
    {kPortaSpeed, 1, 0, 0x7F},
    {kOsc2Wave, 2, 0, 0x3F},
    {kOsc2Coarse, 3, 0, 0x7F, Coding::Signed},
    {kOsc2Fine, 4, 0, 0x7F, Coding::Signed},
    {kBalance, 5, 0, 0x7F, Coding::Signed},
    {kAutoBend, 6, 0, 0x7F, Coding::Signed},
    {kMono, 7, 7, 0x01, Coding::Bit},
    {kPitchBend, 7, 0, 0x0F},
    {kCutoff, 8, 0, 0x7F},
    {kResonance, 9, 0, 0x1F},
    {kEnvelope, 10, 0, 0x1F},
    {kVcfAttack, 11, 0, 0x1F},
    {kVcfDecay, 12, 0, 0x1F},
    {kVcfSustain, 13, 0, 0x1F},
    {kVcfRelease, 14, 0, 0x1F},
    {kLevel, 15, 0, 0x1F},
    {kVcaAttack, 16, 0, 0x1F},
    {kVcaDecay, 17, 0, 0x1F},
    {kLowCut, 18, 0, 0x1F},
    {kVcaSustain, 19, 0, 0x1F},
    {kVcaRelease, 20, 0, 0x1F},
    {kLfoShape, 21, 0, 0x07, Coding::MinusOne},
    {kLfoSpeed, 22, 0, 0x7F},
    {kLfoDelay, 23, 0, 0x1F},
    {kLfoToOsc, 24, 0, 0x1F},
    {kLfoToVcf, 25, 0, 0x1F},
    {kLfoToVca, 26, 0, 0x1F},
    {kVeloVca, 27, 4, 0x0F},
    {kVeloVcf, 27, 0, 0x0F},
    {kPresVcf, 28, 4, 0x0F},
    {kPresOscBal, 28, 0, 0x0F},
    {kPresLfoOsc, 29, 4, 0x0F},
    {kPresVca, 29, 0, 0x0F},
    {kKbVcf, 30, 0, 0x7F, Coding::Signed},
    {kKbVca, 31, 0, 0x7F, Coding::Signed},
    {kChorus, 32, 0, 0x07},
    {kWorkingParameter, 33, 0, 0x3F, Coding::Working},
}};

constexpr std::array<int8_t, kNumParams> kByteOf = [] {
    std::array<int8_t, kNumParams> bytes{};
    bytes.fill(-1);
    for (const Field& f : kFields) bytes[static_cast<size_t>(f.index)] = static_cast<int8_t>(f.byte);
    return bytes;
}();

double clampToRange(int index, double v)
{
    const ParamRange& r = paramRanges[static_cast<size_t>(index)];
    return std::clamp(v, r.min, r.max);
}

// The parameter's value as the hardware holds it: within range, truncated.
int truncated(int index, double v)
{
    if (std::isnan(v)) v = paramRanges[static_cast<size_t>(index)].defaultValue;
    return static_cast<int>(clampToRange(index, v));
}

uint8_t signMagnitude(int v)
{
    const int magnitude = std::min(v < 0 ? -v : v, 0x7F);
    return static_cast<uint8_t>((v < 0 ? 0x80 : 0x00) | magnitude);
}

void putHeader(std::span<uint8_t> out, uint8_t function, int number)
{
    out[0] = kStart;
    out[1] = kManufacturer;
    out[2] = 0x00;
    out[3] = function;
    out[4] = 0x00;
    out[5] = kMachine;
    out[6] = static_cast<uint8_t>(number & 0x7F);
}

// Writes bytes as nibble pairs from position on; returns the next position.
size_t putNibbles(std::span<uint8_t> out, size_t position, std::span<const uint8_t> bytes)
{
    for (uint8_t b : bytes) {
        const auto n = EncodeNibbles(b);
        out[position++] = n[0];
        out[position++] = n[1];
    }
    return position;
}

PackedProgram programAt(std::span<const uint8_t> message, size_t position)
{
    PackedProgram p{};
    for (size_t i = 0; i < kPackedProgramBytes; ++i)
        p[i] = DecodeNibbles(message[position + 2 * i], message[position + 2 * i + 1]);
    return p;
}

}  // namespace

uint8_t Checksum(std::span<const uint8_t> bytes)
{
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    return static_cast<uint8_t>(sum & 0xFF);
}

int PackedByteOf(int index)
{
    if (index < 0 || index >= kNumParams) return -1;
    return kByteOf[static_cast<size_t>(index)];
}

PackedProgram EncodeProgram(ParameterValues values)
{
    PackedProgram p{};
    for (const Field& f : kFields) {
        const int v = truncated(f.index, values[static_cast<size_t>(f.index)]);
        uint8_t& byte = p[f.byte];
        switch (f.coding) {
            case Coding::Unsigned: byte |= static_cast<uint8_t>((v & f.mask) << f.shift); break;
            case Coding::Signed: byte = signMagnitude(v); break;
            case Coding::Bit:
                if (normalisedValue(f.index, values[static_cast<size_t>(f.index)]) >= 0.5) byte |= 0x80;
                break;
            case Coding::MinusOne: byte |= static_cast<uint8_t>((v - 1) & f.mask); break;
            case Coding::Working: {
                const int w = v - 7;
                byte |= static_cast<uint8_t>((w < 40 ? w : 10) & f.mask);
                break;
            }
        }
    }
    return p;
}

namespace {

// One field of a packed byte, clamped to its parameter's range.
ParameterValue decodeField(const Field& f, uint8_t byte)
{
    int v = 0;
    switch (f.coding) {
        case Coding::Unsigned: v = (byte >> f.shift) & f.mask; break;
        case Coding::Signed: v = (byte & 0x80) ? -(byte & 0x7F) : (byte & 0x7F); break;
        case Coding::Bit: v = (byte & 0x80) ? 2 : 0; break;  // the hardware's "on" is 2; the range makes it 1
        case Coding::MinusOne: v = (byte & f.mask) + 1; break;
        case Coding::Working: v = (byte & f.mask) + 7; break;
    }
    return {f.index, clampToRange(f.index, v)};
}

}  // namespace

DecodedProgram DecodeProgram(std::span<const uint8_t, kPackedProgramBytes> packed)
{
    DecodedProgram out{};
    for (size_t i = 0; i < kFields.size(); ++i) out[i] = decodeField(kFields[i], packed[kFields[i].byte]);
    return out;
}

int ParameterChangeNumber(int index)
{
    if (index == kPortamento) return kPortaSpeed - 7;
    if (index == kMono) return kPitchBend - 7;
    if (index < kWorkingParameter || index > kChorus || index == kVcfEnvInvert || index == kLowBoost) return -1;
    return index - 7;
}

std::array<uint8_t, kParameterChangeBytes> ParameterChangeMessage(int number, uint8_t data)
{
    std::array<uint8_t, kParameterChangeBytes> m{};
    putHeader(m, kParameterChange, number);
    const auto n = EncodeNibbles(data);
    m[7] = n[0];
    m[8] = n[1];
    m[9] = kEnd;
    return m;
}

bool ParameterChangeFor(int index, ParameterValues values, std::array<uint8_t, kParameterChangeBytes>& message)
{
    const int number = ParameterChangeNumber(index);
    if (number < 0) return false;
    const PackedProgram p = EncodeProgram(values);
    message = ParameterChangeMessage(number, p[static_cast<size_t>(PackedByteOf(index))]);
    return true;
}

int ParameterChangeValue(uint8_t first, uint8_t second)
{
    const int magnitude = ((first << 4) & 0x7F) | (second & 0x0F);
    return (first & 0x08) ? -magnitude : magnitude;
}

DecodedParameterChange DecodeParameterChange(int number, uint8_t first, uint8_t second)
{
    DecodedParameterChange out;
    const int index = number + 7;
    if (number < 0 || index >= kNumParams) return out;
    const int byte = PackedByteOf(index);
    if (byte < 0) {
        out.fields[out.count++] = {index, clampToRange(index, ParameterChangeValue(first, second))};
        return out;
    }
    const uint8_t data = DecodeNibbles(first, second);
    for (const Field& f : kFields)
        if (f.index == index) out.fields[out.count++] = decodeField(f, data);
    for (const Field& f : kFields)
        if (f.byte == byte && f.index != index) out.fields[out.count++] = decodeField(f, data);
    return out;
}

std::array<uint8_t, kRequestBytes> ProgramRequest(int number)
{
    std::array<uint8_t, kRequestBytes> m{};
    putHeader(m, kProgramRequest, number);
    m[7] = kEnd;
    return m;
}

std::array<uint8_t, kRequestBytes> BankRequest(int memory)
{
    std::array<uint8_t, kRequestBytes> m{};
    putHeader(m, kBankRequest, memory);
    m[7] = kEnd;
    return m;
}

std::array<uint8_t, kReplyBytes> Reply(uint8_t function)
{
    return {kStart, kManufacturer, 0x00, function, 0x00, kMachine, kEnd};
}

std::array<uint8_t, kProgramDumpBytes> ProgramDump(int number, const PackedProgram& program)
{
    std::array<uint8_t, kProgramDumpBytes> m{};
    putHeader(m, kProgramDump, number);
    size_t pos = putNibbles(m, 7, program);
    const uint8_t sum = Checksum(program);
    pos = putNibbles(m, pos, std::span<const uint8_t>(&sum, 1));
    m[pos] = kEnd;
    return m;
}

std::array<uint8_t, kBankDumpBytes> BankDump(int memory, std::span<const PackedProgram, kProgramsPerBank> programs)
{
    std::array<uint8_t, kBankDumpBytes> m{};
    putHeader(m, kBankDump, memory);
    size_t pos = 7;
    for (const PackedProgram& program : programs) {
        pos = putNibbles(m, pos, program);
        const uint8_t sum = Checksum(program);
        pos = putNibbles(m, pos, std::span<const uint8_t>(&sum, 1));
    }
    m[pos] = kEnd;
    return m;
}

UserWaveEntries UserWaveEntriesOf(const HarmonicMap& recipe)
{
    UserWaveEntries entries{};
    size_t n = 0;
    for (const auto& [harmonic, amplitude] : recipe) {
        if (n == entries.size()) break;
        if (harmonic == 0 || harmonic > 127) continue;
        const double level = std::isnan(amplitude.sine) ? 0.0 : std::clamp(std::round(amplitude.sine), 0.0, 31.0);
        entries[n++] = {harmonic, static_cast<uint8_t>(level)};
    }
    return entries;
}

std::array<uint8_t, kUserWaveDumpBytes> UserWaveDump(int number, const UserWaveEntries& entries)
{
    std::array<uint8_t, kUserWaveDumpBytes> m{};
    putHeader(m, kProgramDump, number);
    size_t pos = 7;
    unsigned sum = 0;
    for (const UserWaveEntry& e : entries) {
        const std::array<uint8_t, 2> pair{e.harmonic, e.level};
        pos = putNibbles(m, pos, pair);
        sum += e.harmonic + e.level;
    }
    const auto checksum = static_cast<uint8_t>(sum & 0xFF);
    pos = putNibbles(m, pos, std::span<const uint8_t>(&checksum, 1));
    m[pos] = kEnd;
    return m;
}

MessageKind ClassifyMessage(std::span<const uint8_t> message)
{
    const size_t n = message.size();
    if (n == kIdentificationRequestBytes) {
        const auto request = IdentificationRequest();
        return std::equal(message.begin(), message.end(), request.begin()) ? MessageKind::IdentificationRequest
                                                                           : MessageKind::Refused;
    }
    if (n < kRequestBytes || message[0] != kStart || message[1] != kManufacturer || message[5] != kMachine ||
        message[n - 1] != kEnd)
        return MessageKind::Refused;
    const int number = message[6];
    switch (message[3]) {
        case kProgramRequest: return n == kRequestBytes ? MessageKind::ProgramRequest : MessageKind::WrongLength;
        case kBankRequest: return n == kRequestBytes ? MessageKind::BankRequest : MessageKind::WrongLength;
        case kParameterChange:
            return n == kParameterChangeBytes ? MessageKind::ParameterChange : MessageKind::WrongLength;
        case kProgramDump:
            if (number <= 99) return n == kProgramDumpBytes ? MessageKind::ProgramDump : MessageKind::WrongDumpLength;
            if (number <= kCartridgeUserWave)
                return n == kUserWaveDumpBytes ? MessageKind::UserWaveDump : MessageKind::WrongDumpLength;
            return MessageKind::Ignored;
        case kBankDump: return n == kBankDumpBytes ? MessageKind::BankDump : MessageKind::WrongDumpLength;
        default: return MessageKind::Ignored;
    }
}

PackedProgram ProgramFromDump(std::span<const uint8_t, kProgramDumpBytes> message) { return programAt(message, 7); }

PackedProgram ProgramFromBank(std::span<const uint8_t, kBankDumpBytes> message, int program)
{
    const int i = std::clamp(program, 0, kProgramsPerBank - 1);
    return programAt(message, 7 + static_cast<size_t>(i) * (2 * kPackedProgramBytes + 2));
}

UserWaveEntries UserWaveFromDump(std::span<const uint8_t, kUserWaveDumpBytes> message)
{
    UserWaveEntries entries{};
    for (size_t i = 0; i < entries.size(); ++i) {
        const size_t pos = 7 + 4 * i;
        entries[i].harmonic = DecodeNibbles(message[pos], message[pos + 1]) & 0x7F;
        entries[i].level = DecodeNibbles(message[pos + 2], message[pos + 3]) & 0x1F;
    }
    return entries;
}

}  // namespace qor::sysex
