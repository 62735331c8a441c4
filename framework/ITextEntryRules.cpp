#include "framework/ITextEntryRules.h"

#include <cmath>
#include <cstdlib>

#include "framework/IParameter.h"

namespace qor {

TextEntryRules TextEntryRules::ForParameter(const IParameter& param)
{
    return {param.Kind() == IParameter::kKindContinuous ? Kind::Fractional : Kind::Whole, kValueLength};
}

bool TextEntryRules::Accepts(char c) const
{
    const auto u = static_cast<unsigned char>(c);
    switch (kind) {
        case Kind::Name:
            return (u >= 0x20 && u != 0x7F) && !(u >= 0x80 && u < 0xA0);
        case Kind::Fractional:
            if (c == '.') return true;
            [[fallthrough]];
        case Kind::Whole:
            return (c >= '0' && c <= '9') || c == '+' || c == '-';
    }
    return false;
}

std::string TextEntryRules::Filter(std::string_view text) const
{
    std::string out;
    for (char c : text) {
        if (!HasRoom(int(out.size()))) break;
        if (Accepts(c)) out.push_back(c);
    }
    return out;
}

std::optional<double> TextEntryRules::Commit(const IParameter& param, std::string_view text) const
{
    if (text.size() > size_t(kCommitLength)) text = text.substr(0, kCommitLength);
    if (param.Kind() == IParameter::kKindEnumerated) {
        double value = 0.0;
        if (!param.MapDisplayText(text, value)) value = 0.0;
        return value;
    }
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (copy.empty() || end == copy.c_str() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
    return param.NegateDisplay() ? -value : value;
}

}  // namespace qor
