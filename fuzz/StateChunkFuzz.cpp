// Feeds arbitrary bytes to the program state reader and to the bank reader
// of one plug-in instance: the first byte chooses which (even: one state,
// odd: a bank of slots), the rest is the chunk. Whatever the bytes, the reader
// returns a position inside the chunk or -1, and every parameter ends inside
// its range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include "fuzz/FuzzInstance.h"

namespace {

std::unique_ptr<qor::QOR> plug;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    plug = qor::fuzz::NewInstance("state-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    qor::IChunk chunk;
    chunk.PutBytes(std::span<const uint8_t>(data + 1, size - 1));
    const int end = chunk.Size();
    if ((data[0] & 1) == 0) {
        const int position = plug->UnserializeState(chunk, 0);
        if (position != -1 && position != 0 && (position < 9 || position > end)) __builtin_trap();
    } else {
        const int position = plug->UnserializePresets(chunk, 0);
        if (position < -1 || position > end) __builtin_trap();
    }
    qor::fuzz::CheckInstance(*plug);
    // What was read can be written again.
    qor::IChunk again;
    plug->SerializeState(again);
    if (plug->UnserializeState(again, 0) != again.Size()) __builtin_trap();
    return 0;
}
