#include "plugin/MemorySnapshot.h"

#include <algorithm>

#include "plugin/QOR.h"

namespace qor {

MemorySnapshot::MemorySnapshot(QOR& plug)
    : mPlug(plug), mCurrent(plug.GetCurrentPresetIndex()), mLiveName(plug.LiveProgramName()), mEdited(plug.programEdited)
{
    for (int i = 0; i < plug.NPresets(); ++i) mSlots.push_back(*plug.GetPresetSlot(i));
    plug.SerializeState(mWorking);
    for (std::size_t m = 0; m < 2; ++m) std::copy_n(plug.ActiveTable(static_cast<int>(m)), kUserWaveBytes, mActive[m].begin());
}

void MemorySnapshot::Restore()
{
    auto lock = mPlug.LockMain();
    for (int i = 0; i < mPlug.NPresets() && i < static_cast<int>(mSlots.size()); ++i)
        *mPlug.GetPresetSlot(i) = mSlots[static_cast<std::size_t>(i)];
    mPlug.RestorePreset(mCurrent);
    mPlug.UnserializeState(mWorking, 0);
    for (std::size_t m = 0; m < 2; ++m) std::copy(mActive[m].begin(), mActive[m].end(), mPlug.ActiveTable(static_cast<int>(m)));
    mPlug.NameLiveProgram(mLiveName);
    mPlug.programEdited = mEdited;
    mPlug.NotifyHostOfProgramChange();
    mPlug.NotifyHostOfAllParams();
    mPlug.RefreshEditor();
}

}  // namespace qor
