#include "plugin/LinkChain.h"

namespace qor {

LinkChain::Flags LinkChain::TakeFlags()
{
    const Flags before = mFlags;
    mFlags = {};
    return before;
}

std::optional<int> LinkChain::Next(const Flags& before)
{
    if (mEntries.empty()) return std::nullopt;
    if (!before.pressed || mPosition >= mEntries.size()) mPosition = 0;
    mFlags.pressed = true;
    return static_cast<int>(mEntries[mPosition++]) - 1;
}

void LinkChain::StartAdding()
{
    mFlags.pressed = true;
    mPosition = 0;
}

void LinkChain::Add(int index, const Flags& before)
{
    mFlags.pressed = true;
    mFlags.added = before.added;
    if (!before.added) mEntries.clear();
    if (mEntries.size() >= kMaxEntries) return;
    mEntries.push_back(static_cast<uint8_t>(index + 1));
    mFlags.added = true;
}

}  // namespace qor
