#include "framework/MakeGraphics.h"

namespace qor {

// No window form yet: the portable editor, whose OpenWindow fails, so hosts
// fall back to their own parameter list while everything else still works.
std::unique_ptr<IGraphics> MakeGraphics(IPlugBase& plug, int width, int height)
{
    return std::make_unique<IGraphics>(plug, width, height);
}

}  // namespace qor
