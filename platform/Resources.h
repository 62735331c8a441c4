// The data the plug-in carries inside its own binary: the factory sound sets
// (types "FACTORY", "FACTORY_INT", "FACTORY_CRD", "TOBINS_PATCHES"), the
// editor bitmaps (type "PNG") and the editor's fonts (type "FONT"). The bytes
// are read-only and live as long as the module.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qor::platform {

// The resource of that type and name, or nothing when the build has none.
std::optional<std::span<const uint8_t>> FindResource(std::string_view type, std::string_view name);

}  // namespace qor::platform
