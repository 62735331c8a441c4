// The hardware's SysEx receiver: every complete message that arrives from the
// MIDI input, a SysEx file or a factory set ends here, is acted on and, when
// it writes memory, answered with the instrument's reply.
//
// Threads: the host's event delivery (main lock held) or the editor thread
// (file loads, factory restores); the receiver holds the main lock for the
// whole queue, so a block never plays a half-written program.
#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "plugin/QOR.h"
#include "programs/SysExCodec.h"

namespace qor {

namespace {

using sysex::MessageKind;

void ApplyProgram(QOR& plug, std::span<const uint8_t, sysex::kPackedProgramBytes> packed)
{
    for (const sysex::ParameterValue& field : sysex::DecodeProgram(packed))
        plug.ChangeParameter(field.index, field.value, false);
}

// The numbered parameter always takes its value, as the hardware's message
// says; the partner in its byte only when it differs, so that a host
// recording automation does not see a move nobody made.
void ApplyParameterChange(QOR& plug, const sysex::DecodedParameterChange& change)
{
    for (std::size_t i = 0; i < change.count; ++i) {
        const sysex::ParameterValue& field = change.fields[i];
        if (i > 0 && plug.GetParam(field.index)->Value() == field.value) continue;
        plug.ChangeParameter(field.index, field.value, false);
    }
}

// The host shows the program the instrument now plays, as after a program
// change: its number and name, and every parameter.
void TellHost(QOR& plug)
{
    if (plug.suppressParameterEcho) return;  // no host yet while constructing
    plug.NotifyHostOfProgramChange();
    plug.NotifyHostOfAllParams();
}

// A program arrives as on the hardware: the slot starts from the initial
// program (defaults, default user waves, default name), then takes the
// hardware's fields; everything the hardware lacks keeps its default.
void ReceiveProgram(QOR& plug, int slot, const sysex::PackedProgram& packed)
{
    plug.RestorePreset(slot);
    plug.InitProgram();
    ApplyProgram(plug, packed);
    plug.ModifyCurrentPreset();
}

void ReceiveUserWave(QOR& plug, int memory, const sysex::UserWaveEntries& entries)
{
    HarmonicMap& recipe = plug.recipes[static_cast<std::size_t>(memory)];
    recipe.clear();
    for (const sysex::UserWaveEntry& entry : entries)
        if (entry.harmonic != 0 && entry.level != 0) recipe[entry.harmonic] = {0.0, static_cast<double>(entry.level)};
    plug.ComputeUserWaveTables(memory, recipe);
    plug.CopyActiveToStored(memory, memory);
}

// Acts on one complete message (F0 first); false when it was refused.
bool ReceiveMessage(QOR& plug, std::span<const uint8_t> message)
{
    const int number = sysex::Number(message);
    switch (sysex::ClassifyMessage(message)) {
        case MessageKind::IdentificationRequest: {
            const auto reply = sysex::IdentificationReply();
            const ISysExMessage out{0, static_cast<int32_t>(reply.size()), reply.data()};
            plug.SendSysEx(&out);
            return true;
        }
        case MessageKind::ProgramRequest:
            if (number < 100)
                plug.SendStoredProgramDump(number);
            else if (number <= sysex::kCartridgeUserWave)
                plug.SendUserWaveDump(number - sysex::kInternalUserWave);
            return true;
        case MessageKind::BankRequest:
            plug.SendBankDump(number == 1 ? 2 : 1);
            return true;
        case MessageKind::ParameterChange:
            ApplyParameterChange(plug, sysex::DecodeParameterChange(number, message[7], message[8]));
            return true;
        case MessageKind::ProgramDump:
            if (plug.writeProtect) break;
            ReceiveProgram(plug, number, sysex::ProgramFromDump(message.first<sysex::kProgramDumpBytes>()));
            TellHost(plug);
            plug.SendSysExReply(sysex::kWriteComplete);
            plug.infoMessage = kInfoProgramLoaded;
            return true;
        case MessageKind::UserWaveDump: {
            if (plug.writeProtect) break;
            const int memory = number - sysex::kInternalUserWave;
            ReceiveUserWave(plug, memory, sysex::UserWaveFromDump(message.first<sysex::kUserWaveDumpBytes>()));
            plug.SendSysExReply(sysex::kWriteComplete);
            plug.infoMessage = memory == 0 ? kInfoInternalUserWaveLoaded : kInfoCartridgeUserWaveLoaded;
            return true;
        }
        case MessageKind::BankDump: {
            if (plug.writeProtect) break;
            const int current = plug.GetCurrentPresetIndex();
            const int first = number == 0 ? 0 : QOR::kProgramsPerMemory;
            const auto bank = message.first<sysex::kBankDumpBytes>();
            for (int i = 0; i < sysex::kProgramsPerBank; ++i)
                ReceiveProgram(plug, first + i, sysex::ProgramFromBank(bank, i));
            // The current program is back, perhaps with new content; the host
            // has last heard of the bank's last program, and of new names.
            plug.RestorePreset(current);
            TellHost(plug);
            plug.SendSysExReply(sysex::kWriteComplete);
            plug.infoMessage = kInfoBankLoaded;
            return true;
        }
        case MessageKind::WrongDumpLength:
            plug.SendSysExReply(sysex::kWriteError);
            return false;
        case MessageKind::Refused:
        case MessageKind::WrongLength:
            return false;
        case MessageKind::Ignored:
            return true;
    }
    // Only the writes refused by memory protection arrive here.
    plug.SendSysExReply(sysex::kWriteProtected);
    return false;
}

}  // namespace

bool QOR::ReceiveSysExMessages(std::vector<uint8_t>& queue)
{
    auto lock = LockMain();
    // Set for as long as the messages act, however the loop ends.
    struct Receiving {
        bool& flag;
        bool outer;
        explicit Receiving(bool& f) : flag(f), outer(std::exchange(f, true)) {}
        ~Receiving() { flag = outer; }
        Receiving(const Receiving&) = delete;
        Receiving& operator=(const Receiving&) = delete;
    } receiving(receivingSysEx);
    // The queue is worked on in a swapped-out copy (no allocation), so that
    // whatever the messages cause cannot disturb the bytes being read.
    std::vector<uint8_t> work;
    work.swap(queue);
    bool accepted = true;
    const std::span<const uint8_t> bytes(work);
    auto next = bytes.begin();
    for (;;) {
        next = std::find(next, bytes.end(), sysex::kStart);
        if (next == bytes.end()) break;
        // The message runs to its F7; every caller hands over the queue right
        // after an F7, so the message normally takes the rest of the queue.
        auto end = std::find(next, bytes.end(), sysex::kEnd);
        if (end != bytes.end()) ++end;
        if (!ReceiveMessage(*this, std::span<const uint8_t>(next, end))) accepted = false;
        next = end;
    }
    work.clear();
    if (queue.empty()) queue.swap(work);  // keeps the capacity for the next message
    storeRefused = writeProtect;
    return accepted;
}

void QOR::SendSysExReply(int functionCode)
{
    const auto reply = sysex::Reply(static_cast<uint8_t>(functionCode));
    const ISysExMessage message{0, static_cast<int32_t>(reply.size()), reply.data()};
    SendSysEx(&message);
}

}  // namespace qor
