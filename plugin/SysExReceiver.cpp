// The hardware's SysEx receiver: every complete message that arrives from the
// MIDI input, a SysEx file or a factory set ends here, is acted on and, when
// it writes memory, answered with the instrument's reply.
//
// Threads: the host's event delivery (main lock held; dumps are handed to
// the SysEx worker thread), the worker, or the editor thread (file loads,
// factory restores). Decoding runs without the main lock; each message then
// acts in one short step under it.
#include <algorithm>
#include <functional>
#include <optional>
#include <array>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "plugin/MemorySnapshot.h"
#include "plugin/ProgramState.h"
#include "plugin/QOR.h"
#include "plugin/SysExWorker.h"
#include "programs/SysExCodec.h"
#include "programs/UserWave.h"
#include "programs/WaveSynthesis.h"

namespace qor {

namespace {

using sysex::MessageKind;

// A received program made ready for its slot: the state it will hold and
// its name.
struct PreparedProgram {
    int slot = 0;
    std::string name;
    IChunk state;
};

// What a message needs that takes time, worked out before the main lock is
// taken: the programs of a dump or a bank, a user wave's recipe and tables.
struct PreparedMessage {
    std::vector<PreparedProgram> programs;
    HarmonicMap recipe;
    std::array<uint8_t, kUserWaveBytes> tables{};
};

// A program arrives as on the hardware: the slot takes the initial program
// (defaults, default user waves, its default name), then the hardware's
// fields; everything the hardware lacks keeps its default. Each value lands
// as a musician's change would land it: clamped, then through its normalized
// value. `params` are scratch copies of the parameter objects.
PreparedProgram PrepareProgram(std::vector<IParameter>& params, int slot,
                               std::span<const uint8_t, sysex::kPackedProgramBytes> packed)
{
    for (IParameter& param : params) param.SetNormalized(param.GetNormalized(param.Default()));
    for (const sysex::ParameterValue& field : sysex::DecodeProgram(packed)) {
        if (field.index < 0 || field.index >= static_cast<int>(params.size())) continue;
        IParameter& param = params[static_cast<std::size_t>(field.index)];
        param.Set(field.value);
        param.SetNormalized(param.GetNormalized());
    }
    std::vector<double> values;
    values.reserve(params.size());
    for (const IParameter& param : params) values.push_back(param.Value());

    const std::array<HarmonicMap, 2> recipes{DefaultUserWave(0).recipe, DefaultUserWave(1).recipe};
    const UserWaveTables tables{DefaultUserWave(0).tables, DefaultUserWave(1).tables};
    PreparedProgram program;
    program.slot = slot;
    program.name = Synth::InitialProgramName(slot);
    WriteProgramState(program.state, slot, program.name, recipes, tables, values);
    return program;
}

PreparedMessage Prepare(std::span<const uint8_t> message, const std::vector<IParameter>& parameterTemplate)
{
    PreparedMessage prepared;
    const int number = sysex::Number(message);
    switch (sysex::ClassifyMessage(message)) {
        case MessageKind::ProgramDump: {
            std::vector<IParameter> params = parameterTemplate;
            prepared.programs.push_back(
                PrepareProgram(params, number, sysex::ProgramFromDump(message.first<sysex::kProgramDumpBytes>())));
            break;
        }
        case MessageKind::BankDump: {
            std::vector<IParameter> params = parameterTemplate;
            const int first = number == 0 ? 0 : QOR::kProgramsPerMemory;
            const auto bank = message.first<sysex::kBankDumpBytes>();
            for (int i = 0; i < sysex::kProgramsPerBank; ++i)
                prepared.programs.push_back(PrepareProgram(params, first + i, sysex::ProgramFromBank(bank, i)));
            break;
        }
        case MessageKind::UserWaveDump:
            for (const sysex::UserWaveEntry& entry : sysex::UserWaveFromDump(message.first<sysex::kUserWaveDumpBytes>()))
                if (entry.harmonic != 0 && entry.level != 0)
                    prepared.recipe[entry.harmonic] = {0.0, static_cast<double>(entry.level)};
            renderWaveTables(prepared.recipe, std::span<uint8_t, 1024>(prepared.tables.data(), 1024),
                             std::span<uint8_t, 1024>(prepared.tables.data() + 1024, 1024));
            break;
        default: break;
    }
    return prepared;
}

// The prepared programs into their slots. A slot that already holds the
// program keeps its bytes, as a store of the working program would.
void StorePrograms(QOR& plug, PreparedMessage& prepared)
{
    for (PreparedProgram& program : prepared.programs) {
        IPresetSlot* slot = plug.GetPresetSlot(program.slot);
        if (!slot) continue;
        if (!slot->initialized || !plug.SameProgram(slot->state.Bytes(), program.state.Bytes()))
            std::swap(slot->state, program.state);
        slot->initialized = true;
        slot->SetName(program.name);
    }
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

// A program landed in the working program: it counts as changed, as when
// its fields arrived one by one.
void MarkReceived(QOR& plug)
{
    if (!plug.suppressParameterEcho) plug.programEdited = true;
}

// Acts on one complete message (F0 first) with what was prepared for it;
// main lock held. False when it was refused.
bool ApplyMessage(QOR& plug, std::span<const uint8_t> message, PreparedMessage& prepared)
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
            // The received program becomes the working program.
            StorePrograms(plug, prepared);
            plug.RestorePreset(number);
            MarkReceived(plug);
            TellHost(plug);
            plug.SendSysExReply(sysex::kWriteComplete);
            plug.infoMessage = kInfoProgramLoaded;
            return true;
        case MessageKind::UserWaveDump: {
            if (plug.writeProtect) break;
            const int memory = number - sysex::kInternalUserWave;
            plug.recipes[static_cast<std::size_t>(memory)] = std::move(prepared.recipe);
            std::copy(prepared.tables.begin(), prepared.tables.end(), plug.ActiveTable(memory));
            plug.storedTables[static_cast<std::size_t>(memory)] = prepared.tables;
            plug.SendSysExReply(sysex::kWriteComplete);
            plug.infoMessage = memory == 0 ? kInfoInternalUserWaveLoaded : kInfoCartridgeUserWaveLoaded;
            return true;
        }
        case MessageKind::BankDump: {
            if (plug.writeProtect) break;
            // The current program is played again, perhaps with new content
            // (unsaved edits are given up, as for a received program).
            const int current = plug.GetCurrentPresetIndex();
            StorePrograms(plug, prepared);
            plug.RestorePreset(current);
            MarkReceived(plug);
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

// Calls act(message) for every message in bytes, in order, each from its F0
// to its F7 (or the end), until act returns false.
template <class Act>
void ForEachMessage(std::span<const uint8_t> bytes, Act&& act)
{
    for (auto next = bytes.begin();;) {
        next = std::find(next, bytes.end(), sysex::kStart);
        if (next == bytes.end()) return;
        auto end = std::find(next, bytes.end(), sysex::kEnd);
        if (end != bytes.end()) ++end;
        if (!act(std::span<const uint8_t>(next, end))) return;
        next = end;
    }
}

// Dumps take time to decode; everything else is answered at once.
bool NeedsPreparing(std::span<const uint8_t> bytes)
{
    bool needed = false;
    ForEachMessage(bytes, [&](std::span<const uint8_t> message) {
        switch (sysex::ClassifyMessage(message)) {
            case MessageKind::ProgramDump:
            case MessageKind::UserWaveDump:
            case MessageKind::BankDump: needed = true; return false;
            default: return true;
        }
    });
    return needed;
}

}  // namespace

// Each message is prepared without the main lock, and then all of them act
// in order in one step under it, so a block never waits for decoding, never
// plays a half-written program, and nothing else lands between two messages
// that came together.
bool QOR::ReceiveSysExMessages(std::vector<uint8_t>& queue)
{
    // The queue is worked on in a swapped-out copy, so that whatever the
    // messages cause cannot disturb the bytes being read.
    std::vector<uint8_t> work;
    {
        auto lock = LockMain();
        work.swap(queue);
    }
    const bool accepted = ReceiveSysExBytes(work);
    auto lock = LockMain();
    work.clear();
    if (queue.empty()) queue.swap(work);  // keeps the capacity for the next message
    return accepted;
}

bool QOR::ReceiveSysExBytes(std::span<const uint8_t> bytes, OnRefusal onRefusal,
                            const std::function<void(int before)>& then)
{
    // Requests and parameter changes need nothing prepared, and they arrive
    // on the host's event call, often its audio thread: then nothing is
    // allocated here.
    std::vector<PreparedMessage> prepared;
    if (NeedsPreparing(bytes))
        ForEachMessage(bytes, [&](std::span<const uint8_t> message) {
            prepared.push_back(Prepare(message, parameterTemplate));
            return true;
        });

    auto lock = LockMain();
    const int current = GetCurrentPresetIndex();
    std::optional<MemorySnapshot> before;
    if (onRefusal == OnRefusal::kUndo) before.emplace(*this);
    bool accepted = true;
    // Set while the messages act, however they end: what came in by SysEx
    // is not sent back as parameter changes.
    const bool outer = std::exchange(receivingSysEx, true);
    PreparedMessage nothing;
    std::size_t next = 0;
    ForEachMessage(bytes, [&](std::span<const uint8_t> message) {
        PreparedMessage& ready = next < prepared.size() ? prepared[next++] : nothing;
        if (ApplyMessage(*this, message, ready)) return true;
        accepted = false;
        return onRefusal == OnRefusal::kGoOn;
    });
    receivingSysEx = outer;
    if (!accepted && before) before->Restore();
    storeRefused = writeProtect;
    if (then && (accepted || onRefusal == OnRefusal::kGoOn)) then(current);
    return accepted;
}

void QOR::ReceiveFromHost()
{
    if (!sysexWorker || (!sysexWorker->Busy() && !NeedsPreparing(sysexBuffer))) {
        ReceiveSysExMessages(sysexBuffer);
        return;
    }
    // Behind what waits already, in arrival order. A worker with no room
    // left answers as the hardware does when a write fails.
    if (!sysexWorker->Post(sysexBuffer)) SendSysExReply(sysex::kWriteError);
    sysexBuffer.clear();
}

void QOR::FinishReceivedSysEx()
{
    if (sysexWorker) sysexWorker->Drain();
}

void QOR::SendSysExReply(int functionCode)
{
    const auto reply = sysex::Reply(static_cast<uint8_t>(functionCode));
    const ISysExMessage message{0, static_cast<int32_t>(reply.size()), reply.data()};
    SendSysEx(&message);
}

}  // namespace qor
