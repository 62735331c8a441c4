// One program slot of the plug-in: slots 0..49 are the internal memory,
// 50..99 the cartridge. The state holds whatever SerializeState wrote.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "framework/IChunk.h"
#include "framework/TextCopy.h"

namespace qor {

struct IPresetSlot {
    static constexpr std::size_t kNameCapacity = 256;  // 255 characters and terminator

    bool initialized = false;
    std::array<char, kNameCapacity> name{"empty"};
    IChunk state;

    const char* Name() const { return name.data(); }
    void SetName(std::string_view text) { CopyText(name.data(), name.size(), text); }
};

}  // namespace qor
