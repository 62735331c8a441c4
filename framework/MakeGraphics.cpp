#include "framework/MakeGraphics.h"

#if defined(__linux__)
#include "framework/linux/IGraphicsLinux.h"
#elif defined(_WIN32)
#include "framework/windows/IGraphicsWin.h"
#endif

namespace qor {

// The window form of this system; elsewhere (until a form exists) the
// portable editor, whose OpenWindow fails, so hosts fall back to their own
// parameter list while everything else still works.
std::unique_ptr<IGraphics> MakeGraphics(IPlugBase& plug, int width, int height)
{
#if defined(__linux__)
    return std::make_unique<IGraphicsLinux>(plug, width, height);
#elif defined(_WIN32)
    return std::make_unique<IGraphicsWin>(plug, width, height);
#else
    return std::make_unique<IGraphics>(plug, width, height);
#endif
}

}  // namespace qor
