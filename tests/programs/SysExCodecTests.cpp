#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "engine/ParameterIndex.h"
#include "programs/SysExCodec.h"

namespace qor {
namespace {

using Values = std::array<double, kNumParams>;

Values defaults()
{
    Values v{};
    for (int i = 0; i < kNumParams; ++i) v[static_cast<size_t>(i)] = paramRanges[static_cast<size_t>(i)].defaultValue;
    return v;
}

sysex::PackedProgram encodeWith(int index, double value)
{
    Values v = defaults();
    v[static_cast<size_t>(index)] = value;
    return sysex::EncodeProgram(v);
}

double decodedValue(const sysex::DecodedProgram& d, int index)
{
    for (const auto& pv : d)
        if (pv.index == index) return pv.value;
    ADD_FAILURE() << "parameter " << index << " not decoded";
    return NAN;
}

TEST(SysExCodec, NibblesTravelHighFirstAndJoinMaskingTheSecond)
{
    EXPECT_EQ(sysex::EncodeNibbles(0x8C), (std::array<uint8_t, 2>{0x08, 0x0C}));
    EXPECT_EQ(sysex::EncodeNibbles(0xFF), (std::array<uint8_t, 2>{0x0F, 0x0F}));
    for (int d = 0; d < 256; ++d) {
        const auto n = sysex::EncodeNibbles(static_cast<uint8_t>(d));
        EXPECT_EQ(sysex::DecodeNibbles(n[0], n[1]), d);
    }
    // Stray high bits of the second byte are masked away.
    EXPECT_EQ(sysex::DecodeNibbles(0x01, 0x7A), 0x1A);
}

TEST(SysExCodec, SignedFieldsAreSignAndMagnitude)
{
    EXPECT_EQ(encodeWith(kOsc2Coarse, -12)[3], 0x8C);
    EXPECT_EQ(encodeWith(kOsc2Coarse, 12)[3], 0x0C);
    EXPECT_EQ(encodeWith(kOsc2Fine, -10)[4], 0x8A);
    EXPECT_EQ(encodeWith(kBalance, -15)[5], 0x8F);
    EXPECT_EQ(encodeWith(kAutoBend, -31)[6], 0x9F);
    EXPECT_EQ(encodeWith(kKbVcf, -1)[30], 0x81);
    EXPECT_EQ(encodeWith(kKbVca, 15)[31], 0x0F);
    // Truncation, not rounding: -12.9 is -12.
    EXPECT_EQ(encodeWith(kOsc2Coarse, -12.9)[3], 0x8C);

    // In a dump, -12 travels as the nibbles 08 0C.
    const auto dump = sysex::ProgramDump(0, encodeWith(kOsc2Coarse, -12));
    EXPECT_EQ(dump[7 + 2 * 3], 0x08);
    EXPECT_EQ(dump[7 + 2 * 3 + 1], 0x0C);

    sysex::PackedProgram p{};
    p[3] = 0x80;  // negative zero
    p[5] = 0xFF;  // -127 clamps to -15
    const auto d = sysex::DecodeProgram(p);
    EXPECT_EQ(decodedValue(d, kOsc2Coarse), 0.0);
    EXPECT_EQ(decodedValue(d, kBalance), -15.0);
}

TEST(SysExCodec, SharedBytesAndOffsetFields)
{
    Values v = defaults();
    v[kRange] = 2;
    v[kOsc1Wave] = 34;
    v[kPortamento] = 1;
    v[kPortaSpeed] = 99;
    v[kMono] = 1;
    v[kPitchBend] = 12;
    v[kVeloVca] = 9;
    v[kVeloVcf] = 3;
    v[kPresVcf] = 15;
    v[kPresOscBal] = 1;
    v[kPresLfoOsc] = 4;
    v[kPresVca] = 7;
    v[kLfoShape] = 1;
    v[kChorus] = 7;
    const auto p = sysex::EncodeProgram(v);
    EXPECT_EQ(p[0], 0x80 | 34);
    EXPECT_EQ(p[1], 0x80 | 99);
    EXPECT_EQ(p[2], 30);  // OSC 2 Wave default
    EXPECT_EQ(p[7], 0x80 | 12);
    EXPECT_EQ(p[27], 0x93);
    EXPECT_EQ(p[28], 0xF1);
    EXPECT_EQ(p[29], 0x47);
    EXPECT_EQ(p[21], 0);  // "LFO Shape" 1, TRIANGLE, is stored as 0
    EXPECT_EQ(p[32], 7);
    EXPECT_EQ(encodeWith(kLfoShape, 7)[21], 6);

    // "Mono" follows its normalized value; the hardware's "on" decodes to 1.
    EXPECT_EQ(encodeWith(kMono, 0.49)[7] & 0x80, 0);
    EXPECT_EQ(encodeWith(kMono, 0.5)[7] & 0x80, 0x80);
    sysex::PackedProgram monoOn{};
    monoOn[7] = 0x80 | 0x0F;
    const auto d = sysex::DecodeProgram(monoOn);
    EXPECT_EQ(decodedValue(d, kMono), 1.0);
    EXPECT_EQ(decodedValue(d, kPitchBend), 12.0);  // 15 clamps to the range
}

TEST(SysExCodec, WorkingParameterBeyondTheHardwareComesBackAsCutoff)
{
    EXPECT_EQ(encodeWith(kWorkingParameter, 49)[33], 10);
    EXPECT_EQ(encodeWith(kWorkingParameter, 47)[33], 10);
    EXPECT_EQ(encodeWith(kWorkingParameter, 46)[33], 39);
    EXPECT_EQ(encodeWith(kWorkingParameter, 8)[33], 1);
    const auto d = sysex::DecodeProgram(encodeWith(kWorkingParameter, 49));
    EXPECT_EQ(decodedValue(d, kWorkingParameter), 17.0);
}

TEST(SysExCodec, DecodingListsTheHardwareFieldsInTableOrder)
{
    const auto d = sysex::DecodeProgram(sysex::EncodeProgram(defaults()));
    const std::array<int, sysex::kProgramParameters> order{9,  8,  4,  10, 14, 15, 16, 11, 13, 5,  12, 17, 18, 20,
                                                           21, 22, 24, 25, 26, 27, 28, 19, 30, 31, 32, 33, 34, 35,
                                                           36, 37, 39, 38, 41, 40, 43, 42, 44, 45, 46, 7};
    for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(d[i].index, order[i]) << i;
    for (int i = 0; i < kNumParams; ++i) {
        const bool inProgram = std::find(order.begin(), order.end(), i) != order.end();
        EXPECT_EQ(sysex::PackedByteOf(i) >= 0, inProgram) << i;
    }
    EXPECT_EQ(sysex::PackedByteOf(kPortamento), 1);
    EXPECT_EQ(sysex::PackedByteOf(kMono), 7);
    EXPECT_EQ(sysex::PackedByteOf(kWorkingParameter), 33);
    EXPECT_EQ(sysex::PackedByteOf(kLowCut), 18);
}

TEST(SysExCodec, EveryProgramParameterSurvivesARoundTrip)
{
    std::mt19937 rng(20240611);
    for (int trial = 0; trial < 2000; ++trial) {
        Values v = defaults();
        for (int i = 0; i < kNumParams; ++i) {
            const ParamRange& r = paramRanges[static_cast<size_t>(i)];
            std::uniform_int_distribution<int> pick(static_cast<int>(r.min), static_cast<int>(r.max));
            v[static_cast<size_t>(i)] = pick(rng);
        }
        const auto decoded = sysex::DecodeProgram(sysex::EncodeProgram(v));
        for (const auto& pv : decoded) {
            if (pv.index == kWorkingParameter && v[kWorkingParameter] >= 47) {
                EXPECT_EQ(pv.value, 17.0);
                continue;
            }
            ASSERT_EQ(pv.value, v[static_cast<size_t>(pv.index)]) << "parameter " << pv.index << " trial " << trial;
        }
    }
}

TEST(SysExCodec, DecodedValuesStayInRangeForAnyBytes)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int trial = 0; trial < 2000; ++trial) {
        sysex::PackedProgram p{};
        for (auto& b : p) b = static_cast<uint8_t>(trial == 0 ? 0xFF : byte(rng));
        for (const auto& pv : sysex::DecodeProgram(p)) {
            const ParamRange& r = paramRanges[static_cast<size_t>(pv.index)];
            ASSERT_GE(pv.value, r.min) << pv.index;
            ASSERT_LE(pv.value, r.max) << pv.index;
            ASSERT_EQ(pv.value, std::trunc(pv.value)) << pv.index;
        }
    }
}

TEST(SysExCodec, ProgramAndBankDumpLayout)
{
    Values v = defaults();
    v[kCutoff] = 99;
    const auto program = sysex::EncodeProgram(v);
    const auto dump = sysex::ProgramDump(57, program);
    ASSERT_EQ(dump.size(), 78u);
    EXPECT_EQ((std::array<uint8_t, 7>{dump[0], dump[1], dump[2], dump[3], dump[4], dump[5], dump[6]}),
              (std::array<uint8_t, 7>{0xF0, 0x40, 0x00, 0x20, 0x00, 0x01, 57}));
    unsigned sum = 0;
    for (uint8_t b : program) sum += b;
    EXPECT_EQ(sysex::Checksum(program), sum % 256);
    EXPECT_EQ(sysex::DecodeNibbles(dump[75], dump[76]), sum % 256);
    EXPECT_EQ(dump[77], 0xF7);
    for (size_t i = 1; i < 77; ++i) EXPECT_LT(dump[i], 0x80) << i;  // only MIDI data bytes inside
    EXPECT_EQ(sysex::ProgramFromDump(dump), program);

    std::array<sysex::PackedProgram, sysex::kProgramsPerBank> bank{};
    for (int i = 0; i < sysex::kProgramsPerBank; ++i) {
        Values b = defaults();
        b[kCutoff] = i;
        b[kOsc2Coarse] = -(i % 25);
        bank[static_cast<size_t>(i)] = sysex::EncodeProgram(b);
    }
    const auto bankDump = sysex::BankDump(1, bank);
    ASSERT_EQ(bankDump.size(), 3508u);
    EXPECT_EQ(bankDump[3], 0x21);
    EXPECT_EQ(bankDump[6], 1);
    EXPECT_EQ(bankDump[3507], 0xF7);
    for (int i = 0; i < sysex::kProgramsPerBank; ++i) {
        EXPECT_EQ(sysex::ProgramFromBank(bankDump, i), bank[static_cast<size_t>(i)]) << i;
        const size_t checksumAt = 7 + static_cast<size_t>(i) * 70 + 68;
        EXPECT_EQ(sysex::DecodeNibbles(bankDump[checksumAt], bankDump[checksumAt + 1]),
                  sysex::Checksum(bank[static_cast<size_t>(i)]))
            << i;
    }
}

TEST(SysExCodec, UserWaveDumpFromARecipe)
{
    HarmonicMap recipe;
    recipe[1] = {0.0, 31.0};
    recipe[3] = {5.0, 10.4};   // rounds to 10; the cosine is not carried
    recipe[5] = {0.0, 40.0};   // clamps to 31
    recipe[200] = {0.0, 9.0};  // no hardware harmonic number
    const auto entries = sysex::UserWaveEntriesOf(recipe);
    EXPECT_EQ(entries[0].harmonic, 1);
    EXPECT_EQ(entries[0].level, 31);
    EXPECT_EQ(entries[1].harmonic, 3);
    EXPECT_EQ(entries[1].level, 10);
    EXPECT_EQ(entries[2].harmonic, 5);
    EXPECT_EQ(entries[2].level, 31);
    for (size_t i = 3; i < entries.size(); ++i) EXPECT_EQ(entries[i].harmonic + entries[i].level, 0) << i;

    const auto dump = sysex::UserWaveDump(sysex::kCartridgeUserWave, entries);
    ASSERT_EQ(dump.size(), 138u);
    EXPECT_EQ(dump[3], 0x20);
    EXPECT_EQ(dump[6], 101);
    EXPECT_EQ(dump[7], 0x00);
    EXPECT_EQ(dump[8], 0x01);
    EXPECT_EQ(dump[9], 0x01);
    EXPECT_EQ(dump[10], 0x0F);
    for (size_t i = 19; i < 135; ++i) EXPECT_EQ(dump[i], 0) << i;  // unused entries are four zero bytes
    EXPECT_EQ(sysex::DecodeNibbles(dump[135], dump[136]), (1 + 31 + 3 + 10 + 5 + 31) % 256);
    EXPECT_EQ(dump[137], 0xF7);
    const auto back = sysex::UserWaveFromDump(dump);
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(back[i].harmonic, entries[i].harmonic);
        EXPECT_EQ(back[i].level, entries[i].level);
    }
}

TEST(SysExCodec, ParameterChangeNumbersAndMessages)
{
    EXPECT_EQ(sysex::ParameterChangeNumber(kWorkingParameter), 0);
    EXPECT_EQ(sysex::ParameterChangeNumber(kCutoff), 10);
    EXPECT_EQ(sysex::ParameterChangeNumber(kChorus), 39);
    // Portamento and Mono go out under the number of their byte's partner.
    EXPECT_EQ(sysex::ParameterChangeNumber(kPortamento), 3);
    EXPECT_EQ(sysex::ParameterChangeNumber(kMono), 5);
    for (int i : {0, 1, 2, 3, 6, 23, 29, 47, 48, 49, 50, 59, -1, 60}) EXPECT_EQ(sysex::ParameterChangeNumber(i), -1) << i;

    Values v = defaults();
    v[kCutoff] = 64;
    std::array<uint8_t, sysex::kParameterChangeBytes> m{};
    ASSERT_TRUE(sysex::ParameterChangeFor(kCutoff, v, m));
    EXPECT_EQ(m, (std::array<uint8_t, 10>{0xF0, 0x40, 0x00, 0x10, 0x00, 0x01, 0x0A, 0x04, 0x00, 0xF7}));

    v[kPortamento] = 1;
    v[kPortaSpeed] = 20;
    ASSERT_TRUE(sysex::ParameterChangeFor(kPortamento, v, m));
    EXPECT_EQ(m[6], 3);
    EXPECT_EQ(sysex::DecodeNibbles(m[7], m[8]), 0x80 | 20);
    EXPECT_FALSE(sysex::ParameterChangeFor(kLowBoost, v, m));

    // A parameter the packed program lacks reads the two nibbles as a signed 7-bit value.
    EXPECT_EQ(sysex::ParameterChangeValue(0x08, 0x0C), -12);
    EXPECT_EQ(sysex::ParameterChangeValue(0x00, 0x0C), 12);
    EXPECT_EQ(sysex::ParameterChangeValue(0x06, 0x03), 99);
    EXPECT_EQ(sysex::ParameterChangeValue(0x0F, 0x0F), -127);
}

TEST(SysExCodec, RequestsAndReplies)
{
    EXPECT_EQ(sysex::Reply(sysex::kWriteComplete), (std::array<uint8_t, 7>{0xF0, 0x40, 0x00, 0x40, 0x00, 0x01, 0xF7}));
    EXPECT_EQ(sysex::Reply(sysex::kWriteProtected), (std::array<uint8_t, 7>{0xF0, 0x40, 0x00, 0x42, 0x00, 0x01, 0xF7}));
    EXPECT_EQ(sysex::IdentificationReply(), (std::array<uint8_t, 7>{0xF0, 0x40, 0x00, 0x01, 0x00, 0x01, 0xF7}));
    EXPECT_EQ(sysex::ProgramRequest(100), (std::array<uint8_t, 8>{0xF0, 0x40, 0x00, 0x00, 0x00, 0x01, 100, 0xF7}));
    EXPECT_EQ(sysex::BankRequest(1), (std::array<uint8_t, 8>{0xF0, 0x40, 0x00, 0x01, 0x00, 0x01, 0x01, 0xF7}));
}

TEST(SysExCodec, ClassifyAppliesHeaderAndLengthRules)
{
    using K = sysex::MessageKind;
    auto classify = [](std::vector<uint8_t> m) { return sysex::ClassifyMessage(m); };
    EXPECT_EQ(classify({0xF0, 0x40, 0x00, 0x60, 0xF7}), K::IdentificationRequest);
    EXPECT_EQ(classify({0xF0, 0x40, 0x01, 0x60, 0xF7}), K::Refused);
    EXPECT_EQ(classify({0xF0, 0x40, 0x00, 0x40, 0x00, 0x01, 0xF7}), K::Refused);  // too short
    EXPECT_EQ(classify({0xF0, 0x41, 0x00, 0x00, 0x00, 0x01, 0x05, 0xF7}), K::Refused);
    EXPECT_EQ(classify({0xF0, 0x40, 0x00, 0x00, 0x00, 0x02, 0x05, 0xF7}), K::Refused);
    EXPECT_EQ(classify({0xF0, 0x40, 0x00, 0x00, 0x00, 0x01, 0x05, 0x00}), K::Refused);
    EXPECT_EQ(classify({0xF0, 0x40, 0x0F, 0x00, 0x05, 0x01, 0x05, 0xF7}), K::ProgramRequest);  // channel 16
    EXPECT_EQ(classify({0xF0, 0x40, 0x00, 0x00, 0x00, 0x01, 0x05, 0x00, 0xF7}), K::WrongLength);
    EXPECT_EQ(classify({0xF0, 0x40, 0x00, 0x01, 0x00, 0x01, 0x01, 0xF7}), K::BankRequest);
    EXPECT_EQ(classify({0xF0, 0x40, 0x00, 0x10, 0x00, 0x01, 0x0A, 0x04, 0x00, 0xF7}), K::ParameterChange);
    EXPECT_EQ(classify({0xF0, 0x40, 0x00, 0x10, 0x00, 0x01, 0x0A, 0x04, 0xF7}), K::WrongLength);
    EXPECT_EQ(classify({0xF0, 0x40, 0x00, 0x33, 0x00, 0x01, 0x00, 0xF7}), K::Ignored);

    const auto program = sysex::ProgramDump(3, sysex::EncodeProgram(defaults()));
    EXPECT_EQ(sysex::ClassifyMessage(program), K::ProgramDump);
    std::vector<uint8_t> longer(program.begin(), program.end());
    longer.insert(longer.begin() + 10, 0x00);
    EXPECT_EQ(sysex::ClassifyMessage(longer), K::WrongDumpLength);
    longer[6] = 102;
    EXPECT_EQ(sysex::ClassifyMessage(longer), K::Ignored);

    const auto wave = sysex::UserWaveDump(sysex::kInternalUserWave, {});
    EXPECT_EQ(sysex::ClassifyMessage(wave), K::UserWaveDump);
    EXPECT_EQ(sysex::ClassifyMessage(std::span<const uint8_t>(wave).subspan(0, 78)), K::Refused);  // no final F7

    std::array<sysex::PackedProgram, sysex::kProgramsPerBank> bank{};
    const auto bankDump = sysex::BankDump(0, bank);
    EXPECT_EQ(sysex::ClassifyMessage(bankDump), K::BankDump);
    std::vector<uint8_t> shortBank(bankDump.begin(), bankDump.end() - 2);
    shortBank.push_back(0xF7);
    ASSERT_EQ(shortBank.size(), 3507u);
    EXPECT_EQ(sysex::ClassifyMessage(shortBank), K::WrongDumpLength);
}

}  // namespace
}  // namespace qor
