// The program link chain as the panel records and plays it: up to 32 program
// numbers (1..100, program index + 1) that the link key calls up one per
// press. The entries themselves live in the settings (Synth::linkChain, kept
// in the INI file as "Global"/"Link"); this holds how the panel walks them.
//
// Recording: write key, link key, then program keys; each program key selects
// its program and appends it, the first one of a run replacing the old chain.
// Playing: consecutive link presses step through the chain and wrap; any
// other key between them makes the next press start at the first entry.
// Editor thread.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace qor {

class LinkChain {
public:
    static constexpr std::size_t kMaxEntries = 32;

    // What the previous key left behind: the link key (or a program added to
    // the chain) came last, and something was added in this recording run.
    struct Flags {
        bool pressed = false;
        bool added = false;
    };

    explicit LinkChain(std::vector<uint8_t>& entries) : mEntries(entries) {}

    // Every key other than write calls this first: the flags of the key
    // before, which are then cleared.
    Flags TakeFlags();
    // A key that only prepares the next one (a bank key) hands them on.
    void Keep(const Flags& before) { mFlags = before; }

    // The link key while playing: the program index to select, or nothing
    // for an empty chain.
    std::optional<int> Next(const Flags& before);
    // The link key in write mode: the next program keys add to the chain.
    void StartAdding();
    // A program key right after the link key or an added program, in write
    // mode. Appends index + 1 (emptying the chain first on the run's first
    // add). A full chain stays as it is; the run goes on, so that the next
    // program key does not overwrite a program by surprise.
    void Add(int index, const Flags& before);
    // True when the keys since the write key recorded a chain worth keeping.
    bool Recorded() const { return mFlags.pressed && mFlags.added && !mEntries.empty(); }

private:
    std::vector<uint8_t>& mEntries;
    std::size_t mPosition = 0;
    Flags mFlags;
};

}  // namespace qor
