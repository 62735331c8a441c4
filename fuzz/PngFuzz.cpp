// Feeds arbitrary bytes to the PNG decoder: a picture or nothing, never a
// crash, a hang or memory out of proportion; a picture that comes back is
// whole and is written out and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <span>

#include "graphics/Png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int frames = size > 0 ? 1 + data[size - 1] % 4 : 1;
    const auto bitmap = gfx::DecodePng(std::span<const uint8_t>(data, size), frames);
    if (!bitmap) return 0;
    if (bitmap->Width() <= 0 || bitmap->Height() < frames || bitmap->Frames() != frames) __builtin_trap();
    // Touch every pixel (the sanitizers see any read beyond the rows).
    uint32_t sum = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x) sum += bitmap->Row(y)[x];
    const auto again = gfx::DecodePng(gfx::EncodePng(*bitmap), frames);
    if (!again || again->Width() != bitmap->Width() || again->Height() != bitmap->Height()) __builtin_trap();
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x)
            if (again->Row(y)[x] != bitmap->Row(y)[x]) __builtin_trap();
    return sum == 0xdeadbeef ? 1 : 0;
}
