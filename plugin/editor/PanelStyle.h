// How the panel's own controls look: their text styles and the colours they
// fill and draw with, (alpha, red, green, blue). Where they sit is in
// plugin/PanelLayout.h.
#pragma once

#include "framework/IText.h"
#include "graphics/Color.h"

namespace qor::panel::style {

inline IText Text(const char* font, int size, gfx::Color color, gfx::Align align = gfx::Align::Center)
{
    IText text;
    text.font = font;
    text.size = size;
    text.color = color;
    text.align = align;
    return text;
}

// The version under the product name.
inline IText VersionText() { return Text("Arial", 12, {128, 255, 255, 255}); }
// The line over the right-hand LED display (filled by the commands).
inline IText InfoText() { return Text("Arial", 14, {255, 255, 64, 64}); }
// The parameter fields' values. Chosen to read on the fields' fills over the
// panel's dark face.
inline IText FieldText() { return Text("Arial", 14, {255, 240, 240, 232}); }
// The program name and the text display's line: lit display green.
inline IText ProgramNameText() { return Text("Arial", 14, {255, 170, 255, 190}); }
inline IText DisplayText() { return Text("Arial", 14, {255, 170, 255, 190}); }

// A key held down.
inline constexpr gfx::Color kPressedFill{255, 255, 255, 255};
inline constexpr float kPressedWeight = 0.5f;
// A number key without a function in the current function mode.
inline constexpr gfx::Color kDimmedFill{255, 70, 70, 70};
inline constexpr float kDimmedWeight = 0.5f;
// The utility menu's button under the pointer.
inline constexpr gfx::Color kHoverFill{255, 255, 255, 255};
inline constexpr float kHoverWeight = 0.3f;
// Parameter fields: the working parameter's, the grey groups', the others'.
inline constexpr gfx::Color kWorkingFieldFill{64, 0, 255, 64};
inline constexpr gfx::Color kGreyFieldFill{32, 192, 192, 192};
inline constexpr gfx::Color kOrangeFieldFill{32, 255, 128, 0};
// The wave display's trace.
inline constexpr gfx::Color kWaveLine{192, 64, 255, 212};

}  // namespace qor::panel::style
