// The editor for this system: the window form where the system has one,
// otherwise the portable editor, which draws offscreen and opens no window.
#pragma once

#include <memory>

#include "framework/IGraphics.h"

namespace qor {

std::unique_ptr<IGraphics> MakeGraphics(IPlugBase& plug, int width, int height);

}  // namespace qor
