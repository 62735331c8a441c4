// Arbitrary bytes through the hardware codec: every decoded value lies in its
// parameter's range, a decoded program encodes and decodes to itself, and
// the classifier only hands out payloads of the lengths they need.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/ParameterIndex.h"
#include "programs/SysExCodec.h"

namespace {

using namespace qor;

void checkProgram(const sysex::PackedProgram& packed)
{
    const auto decoded = sysex::DecodeProgram(packed);
    std::array<double, kNumParams> values{};
    for (int i = 0; i < kNumParams; ++i) values[static_cast<size_t>(i)] = paramRanges[static_cast<size_t>(i)].defaultValue;
    for (const auto& pv : decoded) {
        const ParamRange& r = paramRanges[static_cast<size_t>(pv.index)];
        if (!(pv.value >= r.min && pv.value <= r.max) || pv.value != static_cast<int>(pv.value)) __builtin_trap();
        values[static_cast<size_t>(pv.index)] = pv.value;
    }
    const auto again = sysex::DecodeProgram(sysex::EncodeProgram(values));
    for (size_t i = 0; i < again.size(); ++i) {
        if (again[i].index != decoded[i].index) __builtin_trap();
        if (decoded[i].index == kWorkingParameter && decoded[i].value >= 47) continue;  // written as 10
        if (again[i].value != decoded[i].value) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    if (size >= sysex::kPackedProgramBytes) {
        sysex::PackedProgram packed{};
        std::copy_n(data, packed.size(), packed.begin());
        checkProgram(packed);
    }

    using K = sysex::MessageKind;
    const K kind = sysex::ClassifyMessage(bytes);
    if (kind != K::Refused && (size < 5 || data[0] != 0xF0 || data[size - 1] != 0xF7)) __builtin_trap();
    switch (kind) {
        case K::ProgramDump:
            if (size != sysex::kProgramDumpBytes) __builtin_trap();
            checkProgram(sysex::ProgramFromDump(bytes.first<sysex::kProgramDumpBytes>()));
            break;
        case K::BankDump:
            if (size != sysex::kBankDumpBytes) __builtin_trap();
            for (int i = 0; i < sysex::kProgramsPerBank; ++i)
                checkProgram(sysex::ProgramFromBank(bytes.first<sysex::kBankDumpBytes>(), i));
            break;
        case K::UserWaveDump: {
            if (size != sysex::kUserWaveDumpBytes) __builtin_trap();
            for (const auto& e : sysex::UserWaveFromDump(bytes.first<sysex::kUserWaveDumpBytes>()))
                if (e.harmonic > 127 || e.level > 31) __builtin_trap();
            break;
        }
        case K::ParameterChange: {
            if (size != sysex::kParameterChangeBytes) __builtin_trap();
            const auto change = sysex::DecodeParameterChange(sysex::Number(bytes), data[7], data[8]);
            if (change.count > change.fields.size()) __builtin_trap();
            for (size_t i = 0; i < change.count; ++i) {
                const auto& pv = change.fields[i];
                if (pv.index < 0 || pv.index >= kNumParams) __builtin_trap();
                const ParamRange& r = paramRanges[static_cast<size_t>(pv.index)];
                if (!(pv.value >= r.min && pv.value <= r.max)) __builtin_trap();
            }
            break;
        }
        default: break;
    }
    return 0;
}
