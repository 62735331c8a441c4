// The editor's typefaces, carried inside the plug-in: nothing is read from
// the file system. Text styles name the families a Windows panel used;
// Liberation Sans answers for "Arial" (same metrics) and DejaVu Sans for
// "Verdana", each with a bold face; "Arial Narrow" is Liberation Sans drawn
// condensed, for captions in tight places. Any other family is drawn in
// Verdana's stand-in, the controls' default.
#pragma once

#include "graphics/FontRegistry.h"

namespace qor {

// Registers the embedded faces in the registry; false when one of them is
// missing from the build or unreadable (the others are still registered).
bool AddEditorFonts(gfx::FontRegistry& registry);

}  // namespace qor
