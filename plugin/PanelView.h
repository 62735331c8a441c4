// What the instrument's own editor controls ask of the instrument: the state
// of the emulated front panel to draw, and the keys they pass on (commands go
// through CommandRunner). QOR implements it; the controls know nothing else
// of QOR. Called on the editor's thread; each call takes the main lock itself
// where it reads or changes what the audio thread uses.
#pragma once

#include <cstdint>
#include <string>

namespace qor {

class PanelView {
public:
    // The numbers the panel's controls are known by.
    static constexpr int kProtectSwitch = 318;
    static constexpr int kDisplayOrange = 319;
    static constexpr int kDisplayLeft = 320;
    static constexpr int kDisplayRight = 321;
    static constexpr int kFirstLed = 326;  // LEDs 326..333
    static constexpr int kLastLed = 333;

    // A digit's segments, one bit each: the classic seven-segment names.
    static constexpr uint8_t kSegA = 0x01;  // top
    static constexpr uint8_t kSegB = 0x02;  // top right
    static constexpr uint8_t kSegC = 0x04;  // bottom right
    static constexpr uint8_t kSegD = 0x08;  // bottom
    static constexpr uint8_t kSegE = 0x10;  // bottom left
    static constexpr uint8_t kSegF = 0x20;  // top left
    static constexpr uint8_t kSegG = 0x40;  // middle
    static constexpr uint8_t kSegDot = 0x80;

    virtual ~PanelView() = default;

    // --- what the panel shows ---
    // Segments of a two-digit display: high byte left digit, low byte right
    // digit, each a set of kSeg* bits.
    virtual uint16_t SegmentPattern(int display) const = 0;
    virtual bool LedOn(int led) const = 0;
    virtual bool ProtectSwitchOn() const = 0;
    // The panel's mode (0 play, 1 parameter, 2 function, 3 transpose) and the
    // function number in function mode (0 none).
    virtual int PanelMode() const = 0;
    virtual int FunctionNumber() const = 0;
    // The text display's line: the information message, or the wave name
    // while a wave is the working parameter.
    virtual std::string DisplayText() const = 0;
    // The wave the wave display draws: its number and, for waves with stored
    // samples, 512 unsigned 8-bit samples (null for noise and the like):
    // one cycle at full resolution, 128 as zero (a wave slot's level 0, its
    // bytes 0, 2, 4, ...), valid until the next call.
    struct WaveView {
        int wave = 0;
        const uint8_t* samples = nullptr;
    };
    virtual WaveView CurrentWave() const = 0;
    // "LFO Speed" as its field shows it (a note value under "LFO Sync").
    virtual std::string LfoSpeedText() const = 0;
    // True while "LFO Sync" makes "LFO Speed" move in multiples of 5.
    virtual bool LfoSpeedInFives() const = 0;

    // --- what the panel does ---
    // A panel key (256..321, as the key controls number them); alternate is
    // a right or modified click. Release ends a held value key's repeat, so
    // a press that holds nothing (a wheel notch, a drag step on a display)
    // is released at once, or the value keys would go on repeating.
    virtual void PressPanelKey(int key, bool alternate) = 0;
    virtual void ReleasePanelKey(int key) = 0;
    virtual void SetProtectSwitch(bool on) = 0;
    // The program name typed into the name field.
    virtual void RenameProgram(const std::string& name) = 0;
};

}  // namespace qor
