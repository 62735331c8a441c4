// Feeds arbitrary bytes to the instrument's SysEx receiver, as a SysEx file,
// a factory set or a host's MIDI input would. The first byte chooses how:
//   bit 0: memory protection on
//   bit 1: through ProcessSysEx, the bytes cut into host events whose sizes
//          follow from the second byte; otherwise straight into
//          ReceiveSysExMessages, one call per F7 as the file loader does
//   bit 2: the whole input in one ReceiveSysExMessages call (several
//          messages, junk and unterminated tails in one queue)
// Whatever arrives, the receiver consumes its queue, the host's receive
// buffer stays bounded, every parameter stays inside its range, the current
// program stays a valid slot, and with memory protection on no slot changes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "fuzz/FuzzInstance.h"

namespace {

using qor::fuzz::Check;

std::unique_ptr<qor::QOR> plug;

std::vector<std::vector<uint8_t>> SlotStates()
{
    std::vector<std::vector<uint8_t>> states;
    for (int i = 0; i < plug->NPresets(); ++i) {
        const auto bytes = plug->GetPresetSlot(i)->state.Bytes();
        states.emplace_back(bytes.begin(), bytes.end());
    }
    return states;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    plug = qor::fuzz::NewInstance("sysex-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const uint8_t mode = data[0];
    const uint8_t cut = data[1];
    const std::span<const uint8_t> bytes(data + 2, size - 2);
    plug->writeProtect = (mode & 1) != 0;
    const auto before = plug->writeProtect ? SlotStates() : std::vector<std::vector<uint8_t>>{};

    if (mode & 2) {
        // Host events of 1..64 bytes, the sizes cycling through the cut byte.
        std::size_t at = 0;
        for (unsigned k = 1; at < bytes.size(); ++k) {
            const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1 + (cut * k + k * k) % 64);
            qor::ISysExMessage message{0, static_cast<int32_t>(n), bytes.data() + at};
            plug->ProcessSysEx(&message);
            Check(plug->sysexBuffer.size() <= qor::QOR::kMaxSysExBytes);
            at += n;
        }
        // Dumps act on the worker thread; wait for them before checking.
        plug->FinishReceivedSysEx();
    } else if (mode & 4) {
        std::vector<uint8_t> queue(bytes.begin(), bytes.end());
        plug->ReceiveSysExMessages(queue);
        Check(queue.empty());
        Check(plug->storeRefused == plug->writeProtect);
    } else {
        std::vector<uint8_t> queue;
        for (const uint8_t byte : bytes) {
            queue.push_back(byte);
            if (byte == 0xF7) {
                plug->ReceiveSysExMessages(queue);
                Check(queue.empty());
            }
        }
    }

    qor::fuzz::CheckInstance(*plug);
    if (plug->writeProtect) Check(SlotStates() == before);
    return 0;
}
