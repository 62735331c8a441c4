#include "tools/render/ProgramTransfer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

namespace qor {

namespace {

// Program and bank file layout: big-endian integers at fixed offsets.
constexpr size_t kProgramHeader = 56;   // up to the parameters or chunk size
constexpr size_t kBankHeader = 156;     // up to the records or chunk size
constexpr size_t kProgramNameAt = 28;
constexpr size_t kProgramNameBytes = 28;

// QOR's replies to a memory write.
constexpr uint8_t kWriteError = 0x41;
constexpr uint8_t kWriteProtected = 0x42;

class FileBytes {
public:
    explicit FileBytes(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool has(size_t at, size_t count) const { return at <= bytes_.size() && count <= bytes_.size() - at; }
    bool magic(size_t at, std::string_view text) const
    {
        return has(at, 4) && std::memcmp(bytes_.data() + at, text.data(), 4) == 0;
    }
    int32_t int32(size_t at) const
    {
        const uint8_t* p = bytes_.data() + at;
        return static_cast<int32_t>(uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
    }
    float float32(size_t at) const { return std::bit_cast<float>(static_cast<uint32_t>(int32(at))); }
    std::string name(size_t at) const
    {
        const char* p = reinterpret_cast<const char*>(bytes_.data() + at);
        return std::string(p, static_cast<size_t>(std::find(p, p + kProgramNameBytes, '\0') - p));
    }
    std::span<const uint8_t> span(size_t at, size_t count) const { return bytes_.subspan(at, count); }

private:
    std::span<const uint8_t> bytes_;
};

std::optional<std::vector<uint8_t>> readFile(const std::string& path, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    char block[65536];
    while (file.read(block, sizeof block) || file.gcount() > 0) {
        if (bytes.size() + static_cast<size_t>(file.gcount()) > kMaxTransferFileBytes) {
            error = path + " is too large";
            return std::nullopt;
        }
        bytes.insert(bytes.end(), block, block + file.gcount());
    }
    return bytes;
}

void setProgramName(VstHost& host, const std::string& name)
{
    char text[vst::kVstMaxProgNameLen + 1] = {};
    std::memcpy(text, name.data(), std::min(name.size(), sizeof text - 1));
    host.dispatch(vst::effSetProgramName, 0, 0, text);
}

// A parameter-list program record at `at`: every value the plug-in has.
bool applyParameterRecord(VstHost& host, const FileBytes& file, size_t at, std::string& error)
{
    const int32_t count = file.int32(at + 24);
    if (count < 0 || !file.has(at + kProgramHeader, 4 * static_cast<size_t>(count))) {
        error = "a program in the file is cut short";
        return false;
    }
    for (int32_t i = 0; i < std::min(count, host.numParams()); ++i)
        host.setParameter(i, file.float32(at + kProgramHeader + 4 * static_cast<size_t>(i)));
    setProgramName(host, file.name(at + kProgramNameAt));
    return true;
}

bool loadVstFile(VstHost& host, const FileBytes& file, const std::string& path, std::string& error)
{
    if (!file.has(0, kProgramHeader) || file.int32(16) != host.effect().uniqueID) {
        error = path + " is not a program or bank of this plug-in";
        return false;
    }
    // The chunk forms go to the plug-in as the chunk a DAW would store.
    auto chunk = [&](size_t sizeAt, bool program) {
        const int32_t size = file.has(sizeAt, 4) ? file.int32(sizeAt) : -1;
        if (size < 0 || !file.has(sizeAt + 4, static_cast<size_t>(size))) {
            error = path + " is cut short";
            return false;
        }
        if (!host.setChunk(file.span(sizeAt + 4, static_cast<size_t>(size)), program)) {
            error = "the plug-in did not accept the chunk in " + path;
            return false;
        }
        if (program) setProgramName(host, file.name(kProgramNameAt));
        return true;
    };
    if (file.magic(8, "FPCh")) return chunk(kProgramHeader, true);
    if (file.magic(8, "FBCh")) return chunk(kBankHeader, false);
    if (file.magic(8, "FxCk")) return applyParameterRecord(host, file, 0, error);
    if (file.magic(8, "FxBk") && file.has(0, kBankHeader)) {
        const int32_t programs = std::min(file.int32(24), host.numPrograms());
        size_t at = kBankHeader;
        for (int32_t i = 0; i < programs; ++i) {
            if (!file.magic(at, "CcnK") || !file.magic(at + 8, "FxCk") || !file.has(at, kProgramHeader)) {
                error = path + " holds a damaged program record";
                return false;
            }
            host.setProgram(i);
            if (!applyParameterRecord(host, file, at, error)) return false;
            at += kProgramHeader + 4 * static_cast<size_t>(file.int32(at + 24));
        }
        host.setProgram(std::clamp(file.int32(28), 0, std::max(host.numPrograms() - 1, 0)));
        return true;
    }
    error = path + " is neither a program nor a bank file";
    return false;
}

}  // namespace

std::vector<std::vector<uint8_t>> splitSysEx(std::span<const uint8_t> bytes)
{
    std::vector<std::vector<uint8_t>> messages;
    auto next = bytes.begin();
    for (;;) {
        next = std::find(next, bytes.end(), uint8_t{0xF0});
        const auto end = std::find(next, bytes.end(), uint8_t{0xF7});
        if (end == bytes.end()) break;
        messages.emplace_back(next, end + 1);
        next = end + 1;
    }
    return messages;
}

namespace {

// QOR answers every dump (with its reply) and every request (with a dump);
// parameter changes and what is not its own go unanswered.
bool Answered(const std::vector<uint8_t>& message)
{
    if (message.size() == 5) return message[1] == 0x40 && message[3] == 0x60;
    if (message.size() < 8 || message[1] != 0x40) return false;
    const uint8_t function = message[3];
    return function == 0x00 || function == 0x01 || function == 0x20 || function == 0x21;
}

}  // namespace

std::vector<std::vector<uint8_t>> exchangeSysEx(VstHost& host, const std::vector<std::vector<uint8_t>>& messages)
{
    // The plug-in answers from inside the process call: it runs meanwhile.
    const bool wasRunning = host.isRunning();
    host.start();
    const size_t before = host.receivedEvents().size();
    size_t expected = 0;
    for (const auto& message : messages) {
        std::vector<uint8_t> dump(message);
        vst::VstMidiSysexEvent event{};
        event.type = vst::kVstSysExType;
        event.byteSize = sizeof(vst::VstMidiSysexEvent);
        event.dumpBytes = static_cast<int32_t>(dump.size());
        event.sysexDump = reinterpret_cast<char*>(dump.data());
        vst::VstEvents list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<vst::VstEvent*>(&event);
        host.dispatch(vst::effProcessEvents, 0, 0, &list);
        if (Answered(message)) ++expected;
    }
    // Like the hardware, the plug-in may answer a dump a moment later (it
    // decodes dumps in the background).
    const auto sysexSince = [before](const std::vector<ReceivedEvent>& received) {
        size_t count = 0;
        for (size_t i = before; i < received.size(); ++i)
            if (!received[i].bytes.empty() && received[i].bytes.front() == 0xF0) ++count;
        return count;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        host.collectOutput();
        if (host.waitForReceived([&](const std::vector<ReceivedEvent>& received) { return sysexSince(received) >= expected; },
                                 std::chrono::milliseconds(1)) ||
            std::chrono::steady_clock::now() > deadline)
            break;
    }
    if (!wasRunning) host.stop();
    std::vector<std::vector<uint8_t>> replies;
    const auto received = host.receivedEvents();
    for (size_t i = before; i < received.size(); ++i)
        if (!received[i].bytes.empty() && received[i].bytes.front() == 0xF0) replies.push_back(received[i].bytes);
    return replies;
}

bool loadProgramFile(VstHost& host, const std::string& path, std::string& error)
{
    const auto bytes = readFile(path, error);
    if (!bytes) return false;
    const FileBytes file(*bytes);
    if (file.magic(0, "CcnK")) return loadVstFile(host, file, path, error);

    const auto messages = splitSysEx(*bytes);
    if (messages.empty()) {
        error = path + " holds no program, bank or SysEx message";
        return false;
    }
    for (const auto& reply : exchangeSysEx(host, messages)) {
        const bool refusal = reply.size() == 7 && reply[1] == 0x40 && reply[5] == 0x01;
        if (refusal && reply[3] == kWriteProtected) {
            error = "the plug-in refused " + path + ": its memory protection is on (\"Write Protect\" in qor.ini)";
            return false;
        }
        if (refusal && reply[3] == kWriteError) {
            error = "the plug-in could not read a message in " + path;
            return false;
        }
    }
    return true;
}

bool exportSysEx(VstHost& host, SysExExport kind, const std::string& path, std::string& error)
{
    // QOR's program request names the program number (the current one) and
    // answers with the working program; its bank request names the memory.
    const uint8_t number = kind == SysExExport::Program ? static_cast<uint8_t>(std::clamp(host.program(), 0, 99))
                           : kind == SysExExport::InternalBank ? 0
                                                               : 1;
    const std::vector<uint8_t> request{0xF0, 0x40, 0x00, kind == SysExExport::Program ? uint8_t{0x00} : uint8_t{0x01},
                                       0x00, 0x01, number, 0xF7};
    std::vector<uint8_t> dump;
    for (const auto& reply : exchangeSysEx(host, {request}))
        if (reply != request) dump.insert(dump.end(), reply.begin(), reply.end());
    if (dump.empty()) {
        error = "the plug-in sent no SysEx in answer to the request";
        return false;
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(dump.data()), static_cast<std::streamsize>(dump.size()));
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace qor
