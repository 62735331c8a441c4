// The hardware instrument's System Exclusive format: the packed 34-byte
// program, the nibble encoding, checksums, and every message the instrument
// sends or understands. Pure byte work: no plug-in, no I/O, no allocation, so
// it is safe on the audio thread.
//
// For the receiver (ReceiveSysExMessages and the dumps) the pieces are:
//   ClassifyMessage      what one complete F0..F7 message is, with the
//                        length and header rules applied;
//   ProgramFromDump / ProgramFromBank / UserWaveFromDump
//                        the payload of a classified message, nibbles joined;
//   DecodeProgram        the 40 (index, plain value) pairs of a packed
//                        program, in field order, already clamped to each
//                        parameter's range: pass them to ChangeParameter
//                        with normalized = false;
//   DecodeParameterChange
//                        the parameters a parameter-change message sets;
//   EncodeProgram, ProgramDump, BankDump, UserWaveEntries, UserWaveDump,
//   Reply, IdentificationReply
//                        what goes out.
// Every message is an F0 ... F7 byte sequence with the common header
//   F0 40 <channel> <function> <group> 01 <number> ...
// where channel and group are written as 0 and ignored on receive.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/ParameterIndex.h"
#include "programs/HarmonicMap.h"

namespace qor::sysex {

constexpr uint8_t kStart = 0xF0;
constexpr uint8_t kEnd = 0xF7;
constexpr uint8_t kManufacturer = 0x40;
constexpr uint8_t kMachine = 0x01;

// Function codes (byte 3).
constexpr uint8_t kProgramRequest = 0x00;
constexpr uint8_t kBankRequest = 0x01;
constexpr uint8_t kParameterChange = 0x10;
constexpr uint8_t kProgramDump = 0x20;  // also the user-wave dump, by number
constexpr uint8_t kBankDump = 0x21;
constexpr uint8_t kWriteComplete = 0x40;
constexpr uint8_t kWriteError = 0x41;
constexpr uint8_t kWriteProtected = 0x42;
constexpr uint8_t kIdentificationRequest = 0x60;

// Byte 6 of a user-wave dump or request.
constexpr int kInternalUserWave = 100;
constexpr int kCartridgeUserWave = 101;

constexpr int kProgramsPerBank = 50;
constexpr int kUserWaveEntries = 32;
constexpr std::size_t kPackedProgramBytes = 34;
constexpr std::size_t kProgramParameters = 40;  // parameters carried in a packed program

// Total message lengths, F0 and F7 included.
constexpr std::size_t kRequestBytes = 8;
constexpr std::size_t kParameterChangeBytes = 10;
constexpr std::size_t kProgramDumpBytes = 78;
constexpr std::size_t kUserWaveDumpBytes = 138;
constexpr std::size_t kBankDumpBytes = 3508;
constexpr std::size_t kReplyBytes = 7;
constexpr std::size_t kIdentificationRequestBytes = 5;

using PackedProgram = std::array<uint8_t, kPackedProgramBytes>;
// Plain values of the 60 parameters, in parameter index order.
using ParameterValues = std::span<const double, kNumParams>;

struct ParameterValue {
    int index = 0;
    double value = 0.0;  // plain, within the parameter's range
};
using DecodedProgram = std::array<ParameterValue, kProgramParameters>;

// One user-wave entry: harmonic number 1..127 (0 = unused) and level 0..31.
struct UserWaveEntry {
    uint8_t harmonic = 0;
    uint8_t level = 0;
};
using UserWaveEntries = std::array<UserWaveEntry, kUserWaveEntries>;

// --- nibbles and checksums ---

// A data byte travels as two bytes, high nibble first.
constexpr std::array<uint8_t, 2> EncodeNibbles(uint8_t d) { return {static_cast<uint8_t>(d >> 4), static_cast<uint8_t>(d & 0x0F)}; }
// The hardware joins (first << 4) | (second & 0x0F); fields mask further.
constexpr uint8_t DecodeNibbles(uint8_t first, uint8_t second)
{
    return static_cast<uint8_t>((first << 4) | (second & 0x0F));
}
// Sum modulo 256 of the decoded bytes.
uint8_t Checksum(std::span<const uint8_t> bytes);

// --- the packed program ---

// The packed byte (0..33) that holds a parameter, or -1 for the twenty
// parameters the hardware does not have.
int PackedByteOf(int index);

// Values are truncated to integers; signed fields are sign and magnitude
// (bit 7 = negative); "Mono" sets its bit from its normalized value >= 0.5;
// "LFO Shape" is stored minus 1; "Working Parameter" is stored minus 7, and
// the three working parameters the hardware lacks (47..49) as its parameter 10.
PackedProgram EncodeProgram(ParameterValues values);

// The hardware fields in table order (byte 0 "Range" then "OSC 1 Wave", byte 1
// "Portamento" then "Porta Speed", ..., byte 33 "Working Parameter"). Out of
// range fields are clamped as ChangeParameter would clamp them, so every
// value lies within its parameter's range.
DecodedProgram DecodeProgram(std::span<const uint8_t, kPackedProgramBytes> packed);

// --- parameter change ---

// The hardware parameter number sent for a parameter, or -1 when the
// instrument sends no parameter change for it. Indices 7..46 (except 23 and
// 29) send index - 7. "Portamento" and "Mono" have no number of their own:
// they share a packed byte with "Porta Speed" (3) and "Pitch Bend" (5), so
// they send that number with the shared byte, which carries both fields; a
// negative number would not be a MIDI data byte at all.
int ParameterChangeNumber(int index);

// F0 40 00 10 00 01 <number> <data as two nibbles> F7.
std::array<uint8_t, kParameterChangeBytes> ParameterChangeMessage(int number, uint8_t data);

// The parameter-change message of a parameter in a program, carrying the
// packed byte that holds it; false when the parameter sends none.
bool ParameterChangeFor(int index, ParameterValues values, std::array<uint8_t, kParameterChangeBytes>& message);

// The data of a parameter change read as one signed value: the magnitude
// from the low seven bits, negative when bit 3 of the first nibble is set.
int ParameterChangeValue(uint8_t first, uint8_t second);

// What a received parameter change sets. The data is the packed byte that
// holds the numbered parameter, so it is decoded as a program's byte is: the
// numbered parameter first, then the partner that shares its byte (number 3
// carries "Portamento" with "Porta Speed", 5 "Mono" with "Pitch Bend", and
// bytes 0, 27, 28 and 29 hold two parameters too). A parameter the packed
// program does not hold takes the data as ParameterChangeValue. Values are
// clamped to their ranges; no fields for a number beyond the last parameter.
struct DecodedParameterChange {
    std::array<ParameterValue, 2> fields{};
    std::size_t count = 0;
};
DecodedParameterChange DecodeParameterChange(int number, uint8_t first, uint8_t second);

// --- requests and replies ---

// F0 40 00 00 00 01 <number> F7: program 0..99, or 100 / 101 for a user wave.
std::array<uint8_t, kRequestBytes> ProgramRequest(int number);
// F0 40 00 01 00 01 <memory> F7: 0 internal, 1 cartridge.
std::array<uint8_t, kRequestBytes> BankRequest(int memory);
// F0 40 00 <function> 00 01 F7 with kWriteComplete, kWriteError or kWriteProtected.
std::array<uint8_t, kReplyBytes> Reply(uint8_t function);
constexpr std::array<uint8_t, kIdentificationRequestBytes> IdentificationRequest() { return {0xF0, 0x40, 0x00, 0x60, 0xF7}; }
constexpr std::array<uint8_t, kReplyBytes> IdentificationReply() { return {0xF0, 0x40, 0x00, 0x01, 0x00, 0x01, 0xF7}; }

// --- dumps ---

// One program: header with byte 6 = number (the slot index 0..99), 34 bytes
// as nibbles, the checksum as nibbles, F7.
std::array<uint8_t, kProgramDumpBytes> ProgramDump(int number, const PackedProgram& program);
// A memory: byte 6 = 0 internal or 1 cartridge, then 50 times (34 bytes as
// nibbles, that program's checksum as nibbles), F7.
std::array<uint8_t, kBankDumpBytes> BankDump(int memory, std::span<const PackedProgram, kProgramsPerBank> programs);
// The entries of a recipe: its harmonics in ascending order with the sine
// amplitude rounded to the nearest level, clamped to 0..31; harmonics the
// hardware cannot number (above 127) are left out; unused entries are zero.
UserWaveEntries UserWaveEntriesOf(const HarmonicMap& recipe);
// Byte 6 = kInternalUserWave or kCartridgeUserWave, 32 entries of (harmonic,
// level) each as nibbles, the checksum of all 64 values, F7.
std::array<uint8_t, kUserWaveDumpBytes> UserWaveDump(int number, const UserWaveEntries& entries);

// --- receiving ---

enum class MessageKind {
    Refused,                // bad header or length: refuse, no reply
    IdentificationRequest,  // F0 40 00 60 F7: answer IdentificationReply
    ProgramRequest,         // Number(): 0..99 program, 100/101 user wave, else nothing
    BankRequest,            // Number(): 1 cartridge, anything else internal
    ParameterChange,        // bytes 7 and 8: DecodeParameterChange
    ProgramDump,            // 78 bytes, number 0..99: ProgramFromDump
    UserWaveDump,           // 138 bytes, number 100/101: UserWaveFromDump
    BankDump,               // 3508 bytes: ProgramFromBank(i)
    WrongLength,            // request or parameter change of the wrong length: refuse, no reply
    WrongDumpLength,        // program, user-wave or bank dump of the wrong length: reply kWriteError
    Ignored,                // other function codes, and dumps numbered 102 and above
};

// Classifies one complete message that begins with F0 (bytes before the F0
// are the caller's to skip). Checks, in order: a five-byte message is only
// the identification request; otherwise at least 8 bytes, manufacturer 0x40,
// machine 1 and a final F7; then the length each function needs.
MessageKind ClassifyMessage(std::span<const uint8_t> message);
// Byte 6 of a message of at least 7 bytes.
inline int Number(std::span<const uint8_t> message) { return message.size() > 6 ? message[6] : -1; }

// Payloads of classified messages; the spans must have the message's length.
PackedProgram ProgramFromDump(std::span<const uint8_t, kProgramDumpBytes> message);
PackedProgram ProgramFromBank(std::span<const uint8_t, kBankDumpBytes> message, int program);
// Harmonic numbers masked to 7 bits, levels to 5 bits.
UserWaveEntries UserWaveFromDump(std::span<const uint8_t, kUserWaveDumpBytes> message);

}  // namespace qor::sysex
