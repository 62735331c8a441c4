// The hardware's parameter-change message, sent when a parameter of the
// working program changes.
#include <array>
#include <cstddef>

#include "plugin/QOR.h"
#include "engine/ParameterIndex.h"
#include "programs/SysExCodec.h"

namespace qor {

// Carries the packed program byte that holds the parameter, taken from the
// working program. Runs on the audio thread too (learned controllers): no
// allocation.
void QOR::SendParameterChange(int index)
{
    if (receivingSysEx || sysex::ParameterChangeNumber(index) < 0) return;
    std::array<double, kNumParams> values{};
    for (int i = 0; i < kNumParams; ++i) {
        const IParameter* param = GetParam(i);
        values[static_cast<size_t>(i)] = param ? param->Value() : paramRanges[static_cast<size_t>(i)].defaultValue;
    }
    std::array<uint8_t, sysex::kParameterChangeBytes> bytes{};
    if (!sysex::ParameterChangeFor(index, values, bytes)) return;
    ISysExMessage message;
    message.size = static_cast<int32_t>(bytes.size());
    message.data = bytes.data();
    SendSysEx(&message);
}

}  // namespace qor
