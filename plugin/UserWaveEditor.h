// Building a user wave from harmonics on the panel (function 10).
//
// The musician picks the memory (internal or cartridge bank key), may start
// from one of 24 preset spectra (number keys 1..24: the spectra of the fixed
// waves 1..24, reduced to the 32 sine harmonics the hardware keeps), then
// walks the harmonics 1..127 and sets each one's level 0..31 with the value
// keys. Every change is calculated at once into the tables the oscillators
// play, so the edit is heard while it is made; the program keeps it only when
// the write key's question "Write calculated User Wave?" is answered Yes.
// Leaving the function without writing brings back the wave as it was.
//
// Keys while editing:
//   display 320 (left)   the value keys choose the harmonic number
//   display 321 (right)  the value keys set the harmonic's level
//   alternate click      320: previous harmonic in the wave, 321: next one
//
// A recipe holds at most 32 harmonics: raising a 33rd above 0 is refused,
// and level 0 takes a harmonic out. Editor thread; the tables are computed
// outside the main lock and copied in under it.
#pragma once

#include <array>
#include <cstdint>

#include "engine/Oscillator.h"
#include "programs/HarmonicMap.h"

namespace qor {

class QOR;

class UserWaveEditor {
public:
    static constexpr int kPresetSpectra = 24;
    static constexpr int kHighestHarmonic = 127;  // the SysEx form's 7 bits
    static constexpr int kHighestLevel = 31;

    explicit UserWaveEditor(QOR& plug) : mPlug(plug) {}

    // Starting and ending the edit; ending without a write restores both
    // user waves as they were when it began.
    void Begin(int memory);
    void End();
    // A program was restored while editing: that program's waves stand and
    // there is nothing to restore.
    void Forget() { mActive = false; }
    bool Active() const { return mActive; }

    void ChooseMemory(int memory);
    int Memory() const { return mMemory; }
    // Preset spectrum n (1..24) into the edited memory.
    void LoadPreset(int n);
    // Display keys: what the value keys change, or (alternate) a step to the
    // previous or next harmonic present in the wave.
    void DisplayKey(int display, bool alternate);
    void Step(int step);
    // The musician said Yes to writing: the calculated wave becomes the
    // program's stored wave and is not undone by ending the edit.
    void Written(int memory);

    int Harmonic() const { return mHarmonic; }
    int Level() const;
    bool EditingLevel() const { return mEditingLevel; }

private:
    void Recalculate();

    QOR& mPlug;
    bool mActive = false;
    int mMemory = 0;
    int mHarmonic = 1;
    bool mEditingLevel = true;
    // The waves as they were when the edit began (or were last written).
    std::array<HarmonicMap, 2> mSavedRecipes;
    std::array<std::array<uint8_t, kUserWaveBytes>, 2> mSavedTables{};
};

}  // namespace qor
