// A number key that is dimmed in function mode when it has no function
// there: every key but, under function 10, the first 24 (which then pick a
// value).
#pragma once

#include "plugin/editor/IMwUtilityKick.h"

namespace qor {

class IMwUtilityKickMasterAware : public IMwUtilityKick {
public:
    using IMwUtilityKick::IMwUtilityKick;

    bool Dimmed() const;
    bool IsDirty() const override { return mDirty || Dimmed() != mDrawnDimmed; }
    void Draw(IGraphics& graphics, gfx::Surface& surface) override;

private:
    bool mDrawnDimmed = false;
};

}  // namespace qor
