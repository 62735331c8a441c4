// gen-panel-art: draws the editor's nine bitmaps (the panel face, the volume
// knob's 65 positions, the LED segment strips, the indicator LED, the two
// switches and the two display windows) with the project's own raster and
// embedded fonts, around the rectangles of plugin/PanelLayout.h.
//
//   gen-panel-art <resources/img>          write the PNG files
//   gen-panel-art --check <resources/img>  exit 1 when a file's pixels differ
//                                          from what this draws
//   gen-panel-art --preview <panel.png>    the whole panel with every part
//                                          lit, to look at the design
//
// Every label is measured before it is printed; the program fails instead of
// writing art in which a label does not fit, overlaps another or covers a
// control. Everything is a fixed drawing; the output depends on nothing else.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "framework/EditorFonts.h"
#include "framework/IPlugBase.h"
#include "graphics/Png.h"
#include "plugin/PanelLayout.h"
#include "programs/ParameterTable.h"
#include "tools/generators/PanelPainter.h"

namespace {

using namespace qor::panel;
using art::Color;
using art::Rect;
using gfx::Align;
using gfx::Surface;

// --- the palette ---
constexpr Color kFaceTop{255, 50, 52, 57}, kFaceBottom{255, 30, 31, 35};
constexpr Color kSection{255, 41, 43, 47};
constexpr Color kSectionEdge{255, 64, 66, 72};
constexpr Color kOrange{255, 255, 140, 26};
constexpr Color kGrey{255, 178, 180, 186};
constexpr Color kLabel{255, 214, 214, 208};
constexpr Color kDimLabel{255, 150, 152, 156};
constexpr Color kGlass{255, 9, 11, 12};
constexpr Color kKeyLight{255, 214, 215, 218}, kKeyShade{255, 172, 174, 179};
constexpr Color kKeyDarkTop{255, 86, 88, 95}, kKeyDarkBottom{255, 58, 60, 66};
constexpr Color kKeyOrangeTop{255, 236, 132, 38}, kKeyOrangeBottom{255, 196, 100, 20};
constexpr Color kKeyInk{255, 24, 24, 28};
constexpr Color kLedRed{255, 255, 42, 30};
constexpr Color kLedOrange{255, 255, 150, 24};

struct Fonts {
    gfx::FontRegistry registry;
    const gfx::Font* regular = nullptr;
    const gfx::Font* bold = nullptr;
    const gfx::Font* narrow = nullptr;
    const gfx::Font* narrowBold = nullptr;
};

// The parameter fields' groups: the field colours of the editor (grey for
// 17..25, 32..37 and 44..46, orange for the rest) fall on these columns.
struct Group {
    int firstColumn, lastColumn;
    const char* heading;
    bool grey;
};
constexpr Group kGroups[] = {
    {0, 2, "OSCILLATORS", false}, {3, 5, "FILTER", true},     {6, 7, "AMPLIFIER", false},
    {8, 9, "LFO", true},          {10, 11, "VELOCITY \xb7 PRESSURE", false}, {12, 12, "KB \xb7 CHORUS", true},
    {13, 13, "VOICES", false},
};

// Number keys 37..51 are functions 1..15 in function mode.
constexpr const char* kFunctionNames[15] = {
    "ALLOC",    "CH DEPTH", "CH SPEED", "LEARN", "UNLEARN", "K3 FUNC", "PRIORITY", "WAVE SYX",
    "LFO SYNC", "USER WV",  "EDIT",     "EDIT",  "I > C",   "C > I",   "TUNE",
};

// The utility keys by the command they run.
const char* UtilityLabel(int command)
{
    switch (command) {
        case 2: return "Init Prg";
        case 4: return "Load Prg";
        case 5: return "Save Prg";
        case 6: return "Load Bank";
        case 7: return "Save Bank";
        case 10: return "Load SysEx";
        case 11: return "Save SysEx\nPrg";
        case 12: return "Save SysEx\nBank";
        case 32: return "Load Wave I";
        case 33: return "Load Wave C";
    }
    return nullptr;
}

// The mode keys' captions, by panel key.
const char* ModeLabel(int key)
{
    switch (key) {
        case 256: return "WRITE";
        case 257: return "PORTA";
        case 258: return "TRANS-\nPOSE";
        case 259: return "MONO";
        case 260: return "PARAM";
        case 261: return "INT";
        case 262: return "FUNC";
        case 263: return "CART";
    }
    return "";
}

Rect Inset(const Rect& r, int d) { return {r.left + d, r.top + d, r.right - d, r.bottom - d}; }
Rect At(int x, int y, FrameSize f) { return {x, y, x + f.width, y + f.height}; }

// A raised key cap filling the key's rectangle, with its shadow.
void KeyCap(Surface& s, const Rect& key, Color top, Color bottom)
{
    const Rect cap = Inset(key, 1);
    art::FillRoundRect(s, cap.left + 0.5f, cap.top + 1.5f, cap.right + 0.5f, cap.bottom + 1.5f, 3, {110, 0, 0, 0});
    art::FillRoundRectGradient(s, cap, 3, top, bottom);
    s.FillRect({cap.left + 2, cap.top, cap.right - 2, cap.top + 1}, {255, 255, 255, 255}, 0.25f);
}

void Section(Surface& s, const Rect& r)
{
    art::FillRoundRect(s, r.left - 1.0f, r.top - 1.0f, r.right + 1.0f, r.bottom + 1.0f, 7, kSectionEdge);
    art::FillRoundRect(s, float(r.left), float(r.top), float(r.right), float(r.bottom), 6, kSection);
}

// A window of dark glass set into the panel.
void Glass(Surface& s, const Rect& r)
{
    art::FillRoundRect(s, r.left - 2.0f, r.top - 2.0f, r.right + 2.0f, r.bottom + 2.0f, 4, {255, 18, 19, 21});
    art::FillRoundRect(s, r.left - 1.0f, r.top - 1.0f, r.right + 1.0f, r.bottom + 1.0f, 3, {255, 70, 72, 78});
    art::FillRoundRect(s, float(r.left), float(r.top), float(r.right), float(r.bottom), 2, kGlass);
    s.FillRect({r.left + 2, r.top, r.right - 2, r.top + 3}, {255, 0, 0, 0}, 0.5f);
}

// --- the seven-segment digit: segments a..g and the dot within one cell ---
enum Segment { A, B, C, D, E, F, G, Dot };
void DrawSegment(Surface& s, Segment seg, float x, float y, Color c)
{
    const float w = 3.6f;                 // stroke width
    const float l = x + 6, r = x + 23;    // left and right columns
    const float t = y + 4, m = y + 18.5f, b = y + 33;
    const float slant = 1.5f;             // a light forward lean
    switch (seg) {
        case A: art::FillCapsule(s, l + 2 + slant, t, r - 2 + slant, t, w, c); break;
        case B: art::FillCapsule(s, r + slant, t + 2, r + slant / 2, m - 2, w, c); break;
        case C: art::FillCapsule(s, r + slant / 2, m + 2, r, b - 2, w, c); break;
        case D: art::FillCapsule(s, l + 2, b, r - 2, b, w, c); break;
        case E: art::FillCapsule(s, l + slant / 2, m + 2, l, b - 2, w, c); break;
        case F: art::FillCapsule(s, l + slant, t + 2, l + slant / 2, m - 2, w, c); break;
        case G: art::FillCapsule(s, l + 2 + slant / 2, m, r - 2 + slant / 2, m, w, c); break;
        case Dot: art::FillCircle(s, r + 4.5f, b, 2.1f, c); break;
    }
}

// Frame order of the strips: the display lights frame i for the i-th mask of
// (a, f, e, d, c, b, dot, g).
constexpr Segment kFrameSegments[8] = {A, F, E, D, C, B, Dot, G};

gfx::Bitmap SegmentStrip(Color lit)
{
    Surface s(kDigitFrame.width, kDigitFrame.height * 8);
    for (int i = 0; i < 8; ++i) {
        Surface frame(kDigitFrame.width, kDigitFrame.height);
        // A halo under the lit segment, then the segment with a hot core.
        DrawSegment(frame, kFrameSegments[i], 0, 0, art::WithAlpha(lit, 70));
        Surface core(kDigitFrame.width, kDigitFrame.height);
        DrawSegment(core, kFrameSegments[i], 0, 0, lit);
        frame.DrawBitmapFrame(core.ToBitmap(), 0, 0, 0);
        s.DrawBitmapFrame(frame.ToBitmap(), 0, 0, kDigitFrame.height * i);
    }
    return s.ToBitmap();
}

// Unlit segments, faintly visible through the glass.
void GhostDigit(Surface& s, int x, int y, Color lit)
{
    for (Segment seg : {A, B, C, D, E, F, G, Dot}) DrawSegment(s, seg, float(x), float(y), art::WithAlpha(lit, 26));
}

gfx::Bitmap Knob()
{
    const int size = kKnobFrame.width, frames = kKnob.frames;
    Surface strip(size, size * frames);
    const float c = size / 2.0f;
    for (int i = 0; i < frames; ++i) {
        Surface f(size, size);
        art::Glow(f, c + 1, c + 3, 22, 30, {120, 0, 0, 0});                 // shadow
        art::FillCircle(f, c, c, 27, {255, 24, 25, 28});                    // skirt
        art::FillRing(f, c, c, 25, 27, {255, 60, 62, 68});
        // The cap, lit from the top left.
        for (int r = 23; r >= 1; --r) {
            const float t = float(r) / 23;
            art::FillCircle(f, c - (1 - t) * 4, c - (1 - t) * 4, float(r),
                            art::Mix({255, 112, 115, 122}, {255, 58, 60, 65}, t));
        }
        art::FillRing(f, c, c, 22.5f, 23.5f, {140, 0, 0, 0});
        // The pointer: from -135 degrees (0) to +135 degrees (full), clockwise.
        const float angle = float((-135.0 + 270.0 * i / (frames - 1)) * M_PI / 180.0);
        const float sx = std::sin(angle), sy = -std::cos(angle);
        art::FillCapsule(f, c + sx * 9, c + sy * 9, c + sx * 20, c + sy * 20, 3.2f, {255, 250, 250, 245});
        art::FillCapsule(f, c + sx * 24, c + sy * 24, c + sx * 26.5f, c + sy * 26.5f, 2.0f, kOrange);
        strip.DrawBitmapFrame(f.ToBitmap(), 0, 0, size * i);
    }
    return strip.ToBitmap();
}

gfx::Bitmap Led()
{
    Surface s(kLedFrame.width, kLedFrame.height);
    const float c = kLedFrame.width / 2.0f;
    art::Glow(s, c, c, 3, 6, art::WithAlpha(kLedRed, 160));
    art::FillCircle(s, c, c, 4, kLedRed);
    art::FillCircle(s, c - 1.2f, c - 1.2f, 1.6f, {200, 255, 210, 190});
    return s.ToBitmap();
}

// The output switch: a toggle lever, down for MONO (frame 0), up for STEREO.
gfx::Bitmap OutputSwitch()
{
    const FrameSize f = kOutputSwitchFrame;
    Surface s(f.width, f.height * 2);
    for (int frame = 0; frame < 2; ++frame) {
        const float top = float(f.height * frame), cx = f.width / 2.0f, cy = top + f.height / 2.0f;
        art::FillRoundRect(s, 1, top + 1, f.width - 1.0f, top + f.height - 1.0f, 4, {255, 20, 21, 24});
        art::FillCircle(s, cx, cy, 6, {255, 120, 122, 128});
        art::FillCircle(s, cx, cy, 4.5f, {255, 70, 72, 78});
        const float tip = frame == 1 ? top + 6 : top + f.height - 6;
        art::FillCapsule(s, cx, cy, cx, tip, 4.5f, {255, 200, 202, 208});
        art::FillCircle(s, cx, tip, 4.2f, {255, 232, 233, 236});
    }
    return s.ToBitmap();
}

// The protection switch: a slider, left and dark when off (frame 0), right
// with a red mark when on.
gfx::Bitmap ProtectSwitch()
{
    const FrameSize f = kProtectSwitchFrame;
    Surface s(f.width, f.height * 2);
    for (int frame = 0; frame < 2; ++frame) {
        const float top = float(f.height * frame);
        art::FillRoundRect(s, 0, top, float(f.width), top + f.height, 9, {255, 16, 17, 19});
        if (frame == 1) art::FillRoundRect(s, 2, top + 2, f.width - 2.0f, top + f.height - 2.0f, 7, {255, 150, 30, 24});
        const float x = frame == 1 ? f.width - 10.0f : 10.0f;
        art::FillCircle(s, x, top + f.height / 2.0f, 7, {255, 210, 212, 216});
        art::FillCircle(s, x - 1, top + f.height / 2.0f - 1, 4, {255, 236, 237, 240});
    }
    return s.ToBitmap();
}

gfx::Bitmap TextDisplay()
{
    Surface s(kTextDisplayFrame.width, kTextDisplayFrame.height);
    Glass(s, {2, 2, kTextDisplayFrame.width - 2, kTextDisplayFrame.height - 2});
    return s.ToBitmap();
}

// Over the wave window: a faint graticule, clear everywhere else so that the
// orange display under it shows through.
gfx::Bitmap WaveDisplay()
{
    const FrameSize f = kWaveDisplayFrame;
    Surface s(f.width, f.height);
    const Color line{34, 64, 255, 212};
    s.FillRect({1, 28, f.width - 1, 29}, {60, 64, 255, 212});
    for (int x = 1; x < f.width - 1; x += 32) s.FillRect({x, 3, x + 1, f.height - 3}, line);
    s.FillRect({f.width - 2, 3, f.width - 1, f.height - 3}, line);
    return s.ToBitmap();
}

struct Art {
    std::string name;
    gfx::Bitmap bitmap;
};

std::vector<Art> DrawAll(std::vector<std::string>& faults)
{
    Fonts fonts;
    if (!qor::AddEditorFonts(fonts.registry)) {
        faults.push_back("the embedded fonts are missing");
        return {};
    }
    fonts.regular = fonts.registry.Find("Arial");
    fonts.bold = fonts.registry.Find("Arial", true);
    fonts.narrow = fonts.registry.Find("Arial Narrow");
    fonts.narrowBold = fonts.registry.Find("Arial Narrow", true);
    qor::IPlugBase names;
    qor::InitParameterTable(names);

    Surface s(kWidth, kHeight);
    s.Clear(kFaceTop);
    art::FillRoundRectGradient(s, {0, 0, kWidth, kHeight}, 0, kFaceTop, kFaceBottom);
    art::Labeller labels(s);
    const art::LabelStyle caption{fonts.bold, 9, 7, kLabel};
    const art::LabelStyle small{fonts.regular, 9, 7, kLabel};

    // Every control, so that no label strays onto one.
    for (const Key& k : kUtilityKeys) labels.AddControl(k.rect, "a utility key");
    labels.AddControl(kValueUp.rect, "value up");
    labels.AddControl(kValueDown.rect, "value down");
    for (const ModeKey& m : kModeKeys) {
        labels.AddControl(m.key.rect, "a mode key");
        labels.AddControl(At(m.ledX / 2, m.ledY / 2, kLedFrame), "an LED");
    }
    for (int n = 0; n < kNumberKeys; ++n) labels.AddControl(NumberKey(n).rect, "a number key");
    for (int p = kFirstFieldParam; p <= kLastFieldParam; ++p) labels.AddControl(ParameterField(p), "a field");
    for (const LedDisplay& d : kLedDisplays) labels.AddControl(d.rect, "an LED display");
    const Rect knob = At(kVolumeKnobX, kVolumeKnobY, kKnobFrame);
    const Rect output = At(kOutputSwitchX, kOutputSwitchY, kOutputSwitchFrame);
    const Rect protect = At(kProtectSwitchX, kProtectSwitchY, kProtectSwitchFrame);
    const Rect text = At(kTextDisplayX, kTextDisplayY, kTextDisplayFrame);
    const Rect wave = At(kWaveDisplayX, kWaveDisplayY, kWaveDisplayFrame);
    for (const auto& [r, n] : {std::pair{knob, "the knob"}, {output, "the output switch"}, {protect, "the protect switch"},
                               {text, "the text display"}, {wave, "the wave display"}, {kUtilityMenu, "the menu key"},
                               {kProgramName, "the program name"}, {kInfoText, "the information line"},
                               {kVersionText, "the version"}})
        labels.AddControl(r, n);

    // --- sections ---
    Section(s, {14, 8, 192, 204});       // maker, output, volume, protection
    Section(s, {370, 12, 718, 72});      // menu and file keys
    Section(s, {770, 12, 1021, 192});    // text display, modes and banks
    Section(s, {14, 212, 1010, 392});    // the number keys
    Section(s, {14, 432, 1010, 592});    // the parameter fields

    // --- maker and product ---
    labels.Label({28, 10, 132, 50}, "QOR", {fonts.bold, 40, 30, {255, 240, 240, 236}});
    labels.Label({28, 50, 132, 64}, "M A R R O W I N D", {fonts.bold, 10, 8, kOrange});
    labels.Label({200, 24, 366, 40}, "HYBRID WAVE", {fonts.bold, 13, 10, kDimLabel}, {});
    labels.Label({200, 40, 366, 56}, "SYNTHESIZER", {fonts.bold, 13, 10, kDimLabel}, {});

    // --- output switch, volume, protection ---
    labels.Label({22, 86, 80, 98}, "OUTPUT", caption);
    labels.Label({30, 99, 80, 109}, "STEREO", small);
    labels.Label({30, 147, 80, 157}, "MONO", small);
    labels.Label({88, 84, 148, 96}, "VOLUME", caption);
    const float kx = knob.left + kKnobFrame.width / 2.0f, ky = knob.top + kKnobFrame.height / 2.0f;
    for (int t = 0; t <= 10; ++t) {
        const float a = float((-135.0 + 27.0 * t) * M_PI / 180.0);
        const float len = (t == 0 || t == 5 || t == 10) ? 3.0f : 1.5f;
        art::FillCapsule(s, kx + std::sin(a) * 31, ky - std::cos(a) * 31, kx + std::sin(a) * (31 + len),
                         ky - std::cos(a) * (31 + len), 1.4f, kGrey);
    }
    labels.Label({86, 160, 96, 170}, "0", small);
    labels.Label({140, 160, 150, 170}, "10", small);
    labels.Label({20, 177, 94, 193}, "PROTECT", {fonts.bold, 9, 7, kLabel, Align::Right});
    labels.Label({142, 177, 166, 193}, "ON", {fonts.bold, 9, 7, {255, 230, 80, 60}, Align::Left});

    // --- the display windows: program name and wave, number, value ---
    Glass(s, {204, 87, 344, 152});
    Glass(s, {384, 87, 464, 152});
    Glass(s, {512, 87, 648, 152});
    for (const LedDisplay& d : kLedDisplays) {
        const Color lit = d.orange ? kLedOrange : kLedRed;
        GhostDigit(s, d.rect.left + kDigitLeftX, d.rect.top + kDigitY, lit);
        GhostDigit(s, d.rect.left + kDigitRightX, d.rect.top + kDigitY, lit);
    }
    labels.Label({204, 157, 344, 169}, "PROGRAM \xb7 WAVE", caption);
    labels.Label({384, 157, 464, 169}, "NUMBER", caption);
    labels.Label({512, 157, 648, 169}, "VALUE", caption);
    labels.Label({384, 170, 648, 182}, "drag or turn the wheel to step the value", {fonts.regular, 9, 7, kDimLabel});

    // --- utility menu and file keys ---
    KeyCap(s, kUtilityMenu, kKeyDarkTop, kKeyDarkBottom);
    for (int i = 0; i < 3; ++i)
        art::FillCapsule(s, kUtilityMenu.left + 18.0f, kUtilityMenu.top + 12.0f + 4 * i, kUtilityMenu.right - 18.0f,
                         kUtilityMenu.top + 12.0f + 4 * i, 1.6f, kLabel);
    labels.Label({kUtilityMenu.left + 3, kUtilityMenu.top + 24, kUtilityMenu.right - 3, kUtilityMenu.bottom - 6},
                 "UTILITY", caption, kUtilityMenu);
    for (const Key& k : kUtilityKeys) {
        KeyCap(s, k.rect, kKeyDarkTop, kKeyDarkBottom);
        const char* label = UtilityLabel(k.number);
        if (!label) {
            std::fprintf(stderr, "no label for utility command %d\n", k.number);
            label = "?";
        }
        // One line at one size on every key; the two longest take two lines.
        const bool twoLines = std::string_view(label).find('\n') != std::string_view::npos;
        labels.Label(Inset(k.rect, 1), label, {fonts.narrow, twoLines ? 9 : 10, twoLines ? 9 : 10, {255, 240, 240, 236}},
                     k.rect);
    }

    // --- value keys ---
    for (const Key* k : {&kValueUp, &kValueDown}) {
        KeyCap(s, k->rect, kKeyOrangeTop, kKeyOrangeBottom);
        const float cx = (k->rect.left + k->rect.right) / 2.0f, cy = (k->rect.top + k->rect.bottom) / 2.0f;
        const float d = k == &kValueUp ? -1.0f : 1.0f;
        art::FillTriangle(s, cx - 9, cy - 4 * d, cx + 9, cy - 4 * d, cx, cy + 6 * d, {255, 40, 22, 8});
    }
    labels.Label({kValueUp.rect.left, kValueUp.rect.bottom + 4, kValueUp.rect.right, kValueDown.rect.top - 4},
                 "VALUE", caption);

    // --- text display, mode and bank keys with their LEDs ---
    for (const ModeKey& m : kModeKeys) {
        const Rect led = At(m.ledX / 2, m.ledY / 2, kLedFrame);
        art::FillCircle(s, led.left + 6.0f, led.top + 6.0f, 5.5f, {255, 16, 16, 18});
        art::FillCircle(s, led.left + 6.0f, led.top + 6.0f, 4, {255, 80, 18, 14});
        KeyCap(s, m.key.rect, kKeyDarkTop, kKeyDarkBottom);
        labels.Label(Inset(m.key.rect, 3), ModeLabel(m.key.number), {fonts.bold, 10, 7, {255, 236, 236, 232}},
                     m.key.rect);
    }

    // --- number keys ---
    for (int n = 0; n < kNumberKeys; ++n) {
        const Key k = NumberKey(n);
        const bool link = n == kNumberKeys - 1;
        KeyCap(s, k.rect, link ? kKeyOrangeTop : kKeyLight, link ? kKeyOrangeBottom : kKeyShade);
        const Rect face = Inset(k.rect, 2);
        const int function = n - (kNumberKeys - 15);
        if (function < 0) {
            labels.Label({face.left, face.top + 1, face.right, face.top + 21}, std::to_string(n + 1),
                         {fonts.bold, 15, 12, kKeyInk}, k.rect);
            continue;
        }
        // Number and function number side by side, the function's name under them.
        const int middle = face.left + 24;
        labels.Label({face.left, face.top + 1, middle, face.top + 21}, std::to_string(n + 1),
                     {fonts.bold, 15, 12, kKeyInk}, k.rect);
        labels.Label({middle + 1, face.top + 3, face.right, face.top + 19}, "F" + std::to_string(function + 1),
                     {fonts.bold, 11, 9, link ? Color{255, 90, 36, 0} : Color{255, 170, 70, 0}}, k.rect);
        // The last key is also the link key: both its jobs are named.
        const std::string name = link ? std::string("LINK \xb7 ") + kFunctionNames[function] : kFunctionNames[function];
        labels.Label({face.left, face.top + 23, face.right, face.bottom}, name,
                     {fonts.narrowBold, 10, 9, link ? kKeyInk : Color{255, 70, 70, 76}}, k.rect);
    }
    const Rect firstKey = NumberKey(0).rect, lastParamKey = NumberKey(38).rect;
    const Rect firstFunctionKey = NumberKey(kNumberKeys - 15).rect, lastKey = NumberKey(kNumberKeys - 1).rect;
    labels.Label({firstKey.left, 217, lastParamKey.left - 8, 231},
                 "PROGRAM 1-50  \xb7  PARAMETER 1-39 IN PARAM MODE", {fonts.bold, 10, 8, kGrey, Align::Left});
    labels.Label({firstFunctionKey.left, 217, lastKey.right, 231}, "FUNCTIONS 1-15 IN FUNC MODE",
                 {fonts.bold, 10, 8, kOrange, Align::Right});
    s.FillRect({firstFunctionKey.left, 232, lastKey.right, 233}, kOrange, 0.7f);

    // --- parameter fields: group headings, names, recessed value windows ---
    for (const Group& g : kGroups) {
        const Rect first = ParameterField(kFirstFieldParam + 3 * g.firstColumn);
        const Rect last = ParameterField(kFirstFieldParam + 3 * g.lastColumn);
        const Color colour = g.grey ? kGrey : kOrange;
        labels.Label({first.left, 436, last.right, 448}, g.heading, {fonts.bold, 10, 7, colour});
        s.FillRect({first.left, 449, last.right, 450}, colour, 0.8f);
    }
    for (int p = kFirstFieldParam; p <= kLastFieldParam; ++p) {
        const Rect f = ParameterField(p);
        art::FillRoundRect(s, f.left - 1.0f, f.top - 1.0f, f.right + 1.0f, f.bottom + 1.0f, 3, {255, 70, 72, 78});
        art::FillRoundRect(s, float(f.left), float(f.top), float(f.right), float(f.bottom), 2, {255, 14, 15, 17});
        // The hardware's parameter number (= the number key that selects it in
        // parameter mode) in the group's colour, then the name.
        const int column = (p - kFirstFieldParam) / 3;
        bool grey = false;
        for (const Group& g : kGroups)
            if (column >= g.firstColumn && column <= g.lastColumn) grey = g.grey;
        const std::string number = std::to_string(p - 7);
        const int numberWidth = fonts.bold->TextWidth(number, 9) + 1;
        const Rect band{f.left - 2, f.top - 13, f.right + 3, f.top - 2};
        labels.Label({band.left, band.top, band.left + numberWidth, band.bottom}, number,
                     {fonts.bold, 9, 9, grey ? kGrey : kOrange, Align::Left});
        labels.Label({band.left + numberWidth + 1, band.top, band.right, band.bottom}, names.GetParam(p)->Name(),
                     {fonts.narrow, 10, 10, kLabel, Align::Left});
    }

    faults = labels.Faults();
    std::vector<Art> out;
    out.push_back({"back", s.ToBitmap()});
    out.push_back({"knob", Knob()});
    out.push_back({"leds", SegmentStrip(kLedRed)});
    out.push_back({"leds_orange", SegmentStrip(kLedOrange)});
    out.push_back({"led", Led()});
    out.push_back({"switch", ProtectSwitch()});
    out.push_back({"switch2", OutputSwitch()});
    out.push_back({"textdisplay", TextDisplay()});
    out.push_back({"wavedisplay", WaveDisplay()});
    return out;
}

// The whole panel as the editor would show it: the knob at half, switches
// on, every LED lit, "88." on each display, a sine in the wave window and
// sample texts. For looking at the design, not for the plug-in.
Surface Preview(const std::vector<Art>& images)
{
    const auto bitmap = [&](std::string_view name) -> const gfx::Bitmap& {
        for (const Art& a : images)
            if (a.name == name) return a.bitmap;
        return images.front().bitmap;
    };
    const auto framed = [](const gfx::Bitmap& b, int frames) {
        gfx::Bitmap copy(b.Width(), b.Height(), frames);
        for (int y = 0; y < b.Height(); ++y) std::copy(b.Row(y), b.Row(y) + b.Width(), copy.Row(y));
        return copy;
    };
    Surface s(kWidth, kHeight);
    s.DrawBitmapFrame(bitmap("back"), 0, 0, 0);
    s.DrawBitmapFrame(framed(bitmap("switch2"), 2), 1, kOutputSwitchX, kOutputSwitchY);
    s.DrawBitmapFrame(framed(bitmap("knob"), kKnob.frames), 32, kVolumeKnobX, kVolumeKnobY);
    s.DrawBitmapFrame(framed(bitmap("switch"), 2), 1, kProtectSwitchX, kProtectSwitchY);
    for (const LedDisplay& d : kLedDisplays) {
        const gfx::Bitmap strip = framed(bitmap(d.orange ? "leds_orange" : "leds"), 8);
        for (int f = 0; f < 8; ++f) {
            s.DrawBitmapFrame(strip, f, d.rect.left + kDigitLeftX, d.rect.top + kDigitY);
            if (f != 6 || d.number != 321) s.DrawBitmapFrame(strip, f, d.rect.left + kDigitRightX, d.rect.top + kDigitY);
        }
    }
    gfx::FontRegistry fonts;
    qor::AddEditorFonts(fonts);
    const gfx::Font& arial = *fonts.Find("Arial");
    s.DrawText(arial, 12, {128, 255, 255, 255}, kVersionText, Align::Center, "v.1.1.1.0");
    s.DrawText(arial, 14, {255, 170, 255, 190}, kProgramName, Align::Center, "Glass Harmonica");
    s.DrawText(arial, 14, {255, 255, 64, 64}, kInfoText, Align::Center, "Program is copied.");
    const gfx::Bitmap& wave = bitmap("wavedisplay");
    s.DrawBitmapFrame(wave, 0, kWaveDisplayX, kWaveDisplayY);
    const int n = wave.Width() - 2;
    for (int i = 1; i < n; ++i) {
        const auto y = [&](int j) { return kWaveDisplayY + 28 - 127.0 * std::sin(2 * M_PI * j / n) / 5; };
        s.DrawLine(kWaveDisplayX + i + 0.5f, float(y(i - 1)) + 0.5f, kWaveDisplayX + i + 1.5f, float(y(i)) + 0.5f,
                   {192, 64, 255, 212});
    }
    s.DrawBitmapFrame(bitmap("textdisplay"), 0, kTextDisplayX, kTextDisplayY);
    s.DrawText(arial, 14, {255, 170, 255, 190},
               {kTextDisplayTextX, kTextDisplayTextY, kTextDisplayTextX + kTextDisplayFrame.width,
                kTextDisplayTextY + kTextDisplayFrame.height},
               Align::Center, "All Programs are loaded from cartridge.");
    for (const ModeKey& m : kModeKeys) s.DrawBitmapFrame(bitmap("led"), 0, m.ledX / 2, m.ledY / 2);
    for (int p = kFirstFieldParam; p <= kLastFieldParam; ++p) {
        const bool grey = (p >= 17 && p <= 25) || (p >= 32 && p <= 37) || (p >= 44 && p <= 46);
        s.FillRect(ParameterField(p), p == 17 ? Color{64, 0, 255, 64} : grey ? Color{32, 192, 192, 192} : Color{32, 255, 128, 0});
        s.DrawText(arial, 14, {255, 240, 240, 232}, ParameterField(p), Align::Center, std::to_string(p * 7 % 100));
    }
    s.FillRect(NumberKey(4).rect, {255, 255, 255, 255}, 0.5f);
    s.FillRect(kUtilityMenu, {255, 255, 255, 255}, 0.3f);
    return s;
}

bool SamePixels(const gfx::Bitmap& a, const gfx::Bitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        if (!std::equal(a.Row(y), a.Row(y) + a.Width(), b.Row(y))) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool check = argc == 3 && std::string_view(argv[1]) == "--check";
    const bool preview = argc == 3 && std::string_view(argv[1]) == "--preview";
    if (argc != 2 && !check && !preview) {
        std::fprintf(stderr, "usage: gen-panel-art [--check] <resources/img folder>\n"
                             "       gen-panel-art --preview <panel.png>\n");
        return 2;
    }
    const std::string folder = argv[argc - 1];
    std::vector<std::string> faults;
    const std::vector<Art> images = DrawAll(faults);
    for (const std::string& f : faults) std::fprintf(stderr, "gen-panel-art: %s\n", f.c_str());
    if (!faults.empty()) return 1;

    if (preview) {
        const std::vector<uint8_t> bytes = gfx::EncodePng(Preview(images));
        std::ofstream out(argv[2], std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return out ? 0 : 1;
    }
    int status = 0;
    for (const Art& image : images) {
        const std::string path = folder + "/" + image.name + ".png";
        if (check) {
            std::ifstream in(path, std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            const auto committed = gfx::DecodePng(bytes);
            if (!committed || !SamePixels(*committed, image.bitmap)) {
                std::fprintf(stderr, "gen-panel-art: %s is not what the generator draws\n", path.c_str());
                status = 1;
            }
            continue;
        }
        const std::vector<uint8_t> bytes = gfx::EncodePng(image.bitmap);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (bytes.empty() || !out) {
            std::fprintf(stderr, "gen-panel-art: cannot write %s\n", path.c_str());
            status = 1;
        }
    }
    return status;
}
