// The identity and shape of a plug-in, handed to IPlugBase at construction.
// The defaults are QOR's own.
#pragma once

#include <cstdint>
#include <string_view>

namespace qor {

constexpr int32_t FourCharCode(char a, char b, char c, char d)
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<uint8_t>(d)));
}

struct IPlugConfig {
    int nParams = 60;
    int nPresets = 100;
    // Space-separated "inputs-outputs" pairs.
    std::string_view channelIO = "0-2";
    std::string_view effectName = "QOR";
    std::string_view productName = "";
    std::string_view makerName = "Marrowind";
    int32_t uniqueId = FourCharCode('q', 'o', '-', 'r');
    int32_t makerId = FourCharCode('M', 'r', 'W', 'd');
    int32_t version = 0x00010101;  // 0xVVVVRRMM: version 1, revision 1, minor 1
    bool isInstrument = true;
    bool doesMidi = true;
    bool doesChunks = true;
};

}  // namespace qor
