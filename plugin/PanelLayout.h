// Where everything sits on the editor's panel: the one place the panel's
// coordinates are written. The editor builds its controls from this table and
// the panel-art generator draws the labels and key caps around the same
// rectangles, so art and controls cannot drift apart.
//
// The hardware's key grid and parameter fields were laid out in half pixels;
// those entries are kept in the units they were designed in and halved here.
#pragma once

#include <array>

#include "graphics/Rect.h"

namespace qor::panel {

inline constexpr int kWidth = 1024;
inline constexpr int kHeight = 600;

// The bitmaps, by resource identifier.
struct BitmapInfo {
    int id;
    const char* resource;
    int frames;
};
inline constexpr BitmapInfo kBack{101, "resources/img/back.png", 1};
inline constexpr BitmapInfo kKnob{102, "resources/img/knob.png", 65};
inline constexpr BitmapInfo kLedSegments{103, "resources/img/leds.png", 8};
inline constexpr BitmapInfo kLedSegmentsOrange{104, "resources/img/leds_orange.png", 8};
inline constexpr BitmapInfo kLed{105, "resources/img/led.png", 1};
inline constexpr BitmapInfo kProtectSwitch{106, "resources/img/switch.png", 2};
inline constexpr BitmapInfo kOutputSwitch{107, "resources/img/switch2.png", 2};
inline constexpr BitmapInfo kTextDisplay{108, "resources/img/textdisplay.png", 1};
inline constexpr BitmapInfo kWaveDisplay{109, "resources/img/wavedisplay.png", 1};

// The size of one frame of each bitmap: the panel art is drawn to these and
// the editor places its controls by them (the background is kWidth x kHeight).
struct FrameSize {
    int width, height;
};
inline constexpr FrameSize kKnobFrame{60, 60};
inline constexpr FrameSize kDigitFrame{30, 38};  // one seven-segment digit with its dot
inline constexpr FrameSize kLedFrame{12, 12};
inline constexpr FrameSize kOutputSwitchFrame{20, 36};
inline constexpr FrameSize kProtectSwitchFrame{40, 18};
inline constexpr FrameSize kTextDisplayFrame{246, 25};
// The wave display draws 128 points (4 samples apart) from x + 1; its trace
// spans top + 3 .. top + 54.
inline constexpr FrameSize kWaveDisplayFrame{130, 58};

// A rectangle given in half pixels (x, y, width, height), halved by integer
// division of each coordinate.
constexpr gfx::Rect HalfPixels(int x, int y, int w, int h) {
    return {x / 2, y / 2, x / 2 + w / 2, y / 2 + h / 2};
}

// --- controls placed in pixels ---
inline constexpr gfx::Rect kVersionText{28, 67, 132, 79};
inline constexpr gfx::Rect kUtilityMenu{378, 20, 430, 64};
inline constexpr gfx::Rect kInfoText{516, 88, 644, 104};
// Top-left corners of the bitmap-sized controls.
inline constexpr int kOutputSwitchX = 44, kOutputSwitchY = 110;
inline constexpr int kVolumeKnobX = 88, kVolumeKnobY = 100;
inline constexpr int kProtectSwitchX = 98, kProtectSwitchY = 176;
inline constexpr int kWaveDisplayX = 210, kWaveDisplayY = 92;
inline constexpr int kTextDisplayX = 778, kTextDisplayY = 20;
// The text display writes its line from here, in a box of its bitmap's size.
inline constexpr int kTextDisplayTextX = 778, kTextDisplayTextY = 23;

// The three two-digit LED displays; the digits are drawn at (6, 12) and
// (38, 12) inside them.
struct LedDisplay {
    int number;
    gfx::Rect rect;
    bool orange;
};
inline constexpr std::array<LedDisplay, 3> kLedDisplays{{
    {319, {234, 92, 306, 144}, true},
    {320, {388, 92, 460, 144}, false},
    {321, {542, 92, 614, 144}, false},
}};
inline constexpr int kDigitLeftX = 6, kDigitRightX = 38, kDigitY = 12;

// The program name field: half pixels, one pixel lower than halved.
inline constexpr gfx::Rect kProgramName{408 / 2, 176 / 2 + 1, 664 / 2, 208 / 2};

// --- keys placed in half pixels ---
// A key: where it is and the number it sends (a command for the utility keys,
// a panel key otherwise).
struct Key {
    gfx::Rect rect;
    int number;
};
// The utility keys over the text display: load and save, SysEx, user waves.
inline constexpr std::array<Key, 10> kUtilityKeys{{
    {HalfPixels(868, 40, 104, 40), 4},   {HalfPixels(868, 88, 104, 40), 6},
    {HalfPixels(980, 40, 104, 40), 5},   {HalfPixels(980, 88, 104, 40), 7},
    {HalfPixels(1092, 40, 104, 40), 10}, {HalfPixels(1092, 88, 104, 40), 2},
    {HalfPixels(1204, 40, 104, 40), 11}, {HalfPixels(1204, 88, 104, 40), 12},
    {HalfPixels(1316, 40, 104, 40), 32}, {HalfPixels(1316, 88, 104, 40), 33},
}};
inline constexpr Key kValueUp{HalfPixels(1316, 164, 104, 80), 317};
inline constexpr Key kValueDown{HalfPixels(1316, 288, 104, 80), 316};

// The mode keys in two rows of four, each with its indicator LED above it.
struct ModeKey {
    Key key;
    int ledNumber;
    int ledX, ledY;  // half pixels; the LED takes its bitmap's size
};
inline constexpr std::array<ModeKey, 8> kModeKeys{{
    {{HalfPixels(1556, 128, 104, 80), 256}, 333, 1596, 96},  // write
    {{HalfPixels(1668, 128, 104, 80), 258}, 331, 1708, 96},  // transpose
    {{HalfPixels(1780, 128, 104, 80), 260}, 329, 1820, 96},  // parameter
    {{HalfPixels(1892, 128, 104, 80), 262}, 327, 1932, 96},  // function
    {{HalfPixels(1556, 288, 104, 80), 257}, 332, 1596, 256}, // portamento
    {{HalfPixels(1668, 288, 104, 80), 259}, 330, 1708, 256}, // mono
    {{HalfPixels(1780, 288, 104, 80), 261}, 328, 1820, 256}, // internal bank
    {{HalfPixels(1892, 288, 104, 80), 263}, 326, 1932, 256}, // cartridge bank
}};

// The 51 number keys: 17 columns of 3, made column by column. Key n sends
// panel key 264 + n; keys 0..35 are dimmed in function mode when they have
// no function there, so they are drawn "master aware".
inline constexpr int kNumberKeys = 51;
inline constexpr std::array<int, 17> kNumberKeyColumns{52,  164, 276, 396,  508,  620,  740,  852, 972,
                                                       1084, 1204, 1316, 1436, 1556, 1668, 1780, 1892};
inline constexpr std::array<int, 3> kNumberKeyRows{472, 576, 680};
inline constexpr int kNumberKeyHeight = 82;
inline constexpr int kFirstNumberKey = 264;
inline constexpr int kMasterAwareKeys = 36;
constexpr Key NumberKey(int n) {
    const int width = n < kMasterAwareKeys ? 105 : 104;
    return {HalfPixels(kNumberKeyColumns[n / 3], kNumberKeyRows[n % 3], width, kNumberKeyHeight),
            kFirstNumberKey + n};
}

// The parameter fields of parameters 8..49: 14 columns of 3.
inline constexpr int kFirstFieldParam = 8;
inline constexpr int kLastFieldParam = 49;
constexpr gfx::Rect ParameterField(int param) {
    const int c = (param - kFirstFieldParam) / 3, r = (param - kFirstFieldParam) % 3;
    return HalfPixels(64 + 138 * c, 936 + 86 * r, 128, 44);
}

}  // namespace qor::panel
