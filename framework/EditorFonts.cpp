#include "framework/EditorFonts.h"

#include <string_view>

#include "platform/Resources.h"

namespace qor {

namespace {

struct EmbeddedFace {
    std::string_view family;
    bool bold;
    std::string_view resource;  // name of a "FONT" resource
    float width = 1.0f;         // below 1: condensed
};

// A family that is asked for but unknown falls back to the first face
// registered: Verdana, the controls' default text style.
constexpr EmbeddedFace kFaces[] = {
    {"Verdana", false, "DejaVuSans"},
    {"Verdana", true, "DejaVuSans-Bold"},
    {"Arial", false, "LiberationSans-Regular"},
    {"Arial", true, "LiberationSans-Bold"},
    {"Arial Narrow", false, "LiberationSans-Regular", 0.76f},
    {"Arial Narrow", true, "LiberationSans-Bold", 0.76f},
};

}  // namespace

bool AddEditorFonts(gfx::FontRegistry& registry)
{
    bool all = true;
    for (const EmbeddedFace& face : kFaces) {
        const auto bytes = platform::FindResource("FONT", face.resource);
        all = bytes && registry.Add(face.family, face.bold, *bytes, face.width) && all;
    }
    return all;
}

}  // namespace qor
