// The keys currently held down, ordered by note number, each with the velocity
// and note serial it was pressed with. A fixed table of 128 keys, so pressing
// and releasing keys on the audio thread never allocates.
#pragma once

#include <array>
#include <cstdint>

namespace qor {

class HeldKeys {
public:
    struct Key {
        int32_t velocity = 0;
        int32_t serial = 0;
        bool held = false;
    };

    static constexpr int kKeys = 128;

    void Press(int note, int velocity, int serial)
    {
        Key& k = keys_[static_cast<size_t>(note & 0x7F)];
        if (!k.held) ++count_;
        k = {velocity, serial, true};
    }

    // Returns the velocity the key was pressed with, or 0 when it was not held.
    int Release(int note)
    {
        Key& k = keys_[static_cast<size_t>(note & 0x7F)];
        if (!k.held) return 0;
        const int velocity = k.velocity;
        k = {};
        --count_;
        return velocity;
    }

    void Clear()
    {
        keys_.fill({});
        count_ = 0;
    }

    int Count() const { return count_; }
    bool IsHeld(int note) const { return keys_[static_cast<size_t>(note & 0x7F)].held; }

    // Highest held note, or -1.
    int Highest() const
    {
        for (int n = kKeys - 1; n >= 0; --n)
            if (keys_[static_cast<size_t>(n)].held) return n;
        return -1;
    }

    // The held note pressed last (largest serial; on equal serials the lowest note), or -1.
    int Latest() const
    {
        int best = -1;
        for (int n = 0; n < kKeys; ++n) {
            const Key& k = keys_[static_cast<size_t>(n)];
            if (k.held && (best < 0 || k.serial > keys_[static_cast<size_t>(best)].serial)) best = n;
        }
        return best;
    }

private:
    std::array<Key, kKeys> keys_{};
    int count_ = 0;
};

}  // namespace qor
