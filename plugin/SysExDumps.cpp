// What the instrument sends in its own SysEx format (program, bank and
// user-wave dumps, to the host's MIDI output or into a file) and how it reads
// SysEx files.
#include <array>
#include <cstdio>
#include <memory>
#include <span>
#include <vector>

#include "framework/ProgramFiles.h"
#include "plugin/ProgramState.h"
#include "plugin/QOR.h"
#include "programs/SysExCodec.h"

namespace qor {

namespace {

// SysEx files hold a few banks at most; anything far larger is not one.
constexpr std::size_t kMaxSysExFileBytes = 1u << 20;

std::array<double, kNumParams> WorkingValues(const QOR& plug)
{
    std::array<double, kNumParams> values{};
    for (int i = 0; i < kNumParams; ++i) values[static_cast<std::size_t>(i)] = plug.GetParam(i)->Value();
    return values;
}

// To the host's MIDI output when there is no path, else into the file
// (written without the main lock).
bool Deliver(QOR& plug, std::span<const uint8_t> message, const std::string& path)
{
    if (path.empty()) {
        const ISysExMessage out{0, static_cast<int32_t>(message.size()), message.data()};
        plug.SendSysEx(&out);
        return true;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) return false;
    const bool written = std::fwrite(message.data(), 1, message.size(), file.get()) == message.size();
    return std::fclose(file.release()) == 0 && written;
}

// What restoring a slot would make of the working values, read from the
// slot's bytes without restoring it: a dump only reads, and the program the
// musician plays and edits stays exactly as it is. A slot that holds no
// program yet is sent as the working program (restoring it would give it
// that program). Main lock held.
std::array<double, kNumParams> SlotValues(QOR& plug, int slot)
{
    std::array<double, kNumParams> values = WorkingValues(plug);
    const IPresetSlot* preset = plug.GetPresetSlot(slot);
    if (preset && preset->initialized) StateValues(plug, preset->state, values);
    return values;
}

}  // namespace

bool QOR::SendProgramDump(int number, const std::string& path)
{
    std::unique_lock lock = LockMain();
    const auto message = sysex::ProgramDump(number, sysex::EncodeProgram(WorkingValues(*this)));
    lock.unlock();
    return Deliver(*this, message, path);
}

bool QOR::SendStoredProgramDump(int slot)
{
    std::unique_lock lock = LockMain();
    if (slot < 0 || slot >= NPresets()) return false;
    const auto message = sysex::ProgramDump(slot, sysex::EncodeProgram(SlotValues(*this, slot)));
    lock.unlock();
    return Deliver(*this, message, {});
}

bool QOR::SendBankDump(int memory, const std::string& path)
{
    std::unique_lock lock = LockMain();
    // 0: the memory that holds the current program.
    const bool cartridge = memory == 2 || (memory == 0 && CurrentIsCartridge());
    std::array<sysex::PackedProgram, sysex::kProgramsPerBank> programs{};
    ModifyCurrentPreset();
    const int first = cartridge ? kProgramsPerMemory : 0;
    for (int i = 0; i < sysex::kProgramsPerBank; ++i)
        programs[static_cast<std::size_t>(i)] = sysex::EncodeProgram(SlotValues(*this, first + i));
    const auto message = sysex::BankDump(cartridge ? 1 : 0, programs);
    lock.unlock();
    return Deliver(*this, message, path);
}

bool QOR::SendUserWaveDump(int memory, const std::string& path)
{
    if (memory != 0 && memory != 1) return false;
    std::unique_lock lock = LockMain();
    const auto entries = sysex::UserWaveEntriesOf(recipes[static_cast<std::size_t>(memory)]);
    const auto message = sysex::UserWaveDump(sysex::kInternalUserWave + memory, entries);
    lock.unlock();
    return Deliver(*this, message, path);
}

bool QOR::LoadSysExFile(const std::string& path, bool undoOnRefusal)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> probe(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!probe) return true;  // nothing to load, nothing to report
    probe.reset();
    const auto bytes = ReadWholeFile(path, kMaxSysExFileBytes);
    if (!bytes) return false;
    // Bytes after the last F7 belong to no message.
    std::span<const uint8_t> data(*bytes);
    while (!data.empty() && data.back() != sysex::kEnd) data = data.first(data.size() - 1);

    // Decoded without the main lock; the whole file then lands at once.
    return ReceiveSysExBytes(data, undoOnRefusal ? OnRefusal::kUndo : OnRefusal::kGoOn);
}

int QOR::ClassifySysExFile(const std::string& path)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return 0;
    int byte = 0;
    while ((byte = std::fgetc(file.get())) != EOF && byte != sysex::kStart) {}
    // F0 40 <channel> <function> <group> 01 <number>
    std::array<int, 6> header{};
    for (int& b : header)
        if ((b = std::fgetc(file.get())) == EOF) return 0;
    if (byte != sysex::kStart || header[0] != sysex::kManufacturer || header[4] != sysex::kMachine) return 0;
    const int function = header[2];
    const int number = header[5];
    switch (function) {
        case sysex::kProgramRequest: return 1;
        case sysex::kBankRequest: return 2;
        case sysex::kParameterChange: return 3;
        case sysex::kProgramDump: return number < 100 ? 4 : 5;
        case sysex::kBankDump: return number == 0 ? 6 : 7;
        default: return 0;
    }
}

}  // namespace qor
