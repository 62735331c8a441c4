// Arbitrary typing into the editor's text entry box: the first byte picks the
// box (a program name, an integer, an enumerated or a continuous parameter,
// with or without negated display), the rest is typed and committed. The box
// never holds a refused character or more than its length, and a committed
// text gives either nothing or a finite value, which for an enumerated
// parameter is one of its own.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "framework/IParameter.h"
#include "framework/ITextEntryRules.h"

using namespace qor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const int kind = data[0] % 5;
    const std::string_view typed(reinterpret_cast<const char*>(data + 1), size - 1);

    IParameter param;
    switch (kind) {
        case 1: param.InitInteger("Detune", 0, -50, 50); break;
        case 2: param.InitEnumerated("Chorus", 0, {"OFF", "ON", "12"}); break;
        case 3: param.InitContinuous("Offset", 0, -10, 10, 0.01); break;
        case 4:
            param.InitContinuous("Offset", 0, -10, 10, 0.1);
            param.SetNegateDisplay(true);
            break;
        default: break;
    }
    const TextEntryRules rules = kind == 0 ? TextEntryRules::ForName() : TextEntryRules::ForParameter(param);

    // Typed one character at a time, as a box takes them.
    std::string box;
    for (char c : typed)
        if (rules.HasRoom(int(box.size())) && rules.Accepts(c)) box.push_back(c);
    if (box != rules.Filter(typed)) std::abort();
    if (int(box.size()) > rules.maxLength) std::abort();
    for (char c : box)
        if (!rules.Accepts(c)) std::abort();
    if (kind == 0) return 0;

    for (const std::string_view text : {std::string_view(box), typed}) {
        const auto value = rules.Commit(param, text);
        if (!value) continue;
        if (!std::isfinite(*value)) std::abort();
        if (kind == 2 && *value != 0.0 && *value != 1.0 && *value != 2.0) std::abort();
    }
    return 0;
}
