// Drawing tools for the panel-art generator: antialiased shapes over the
// raster surface, and labels that must fit their boxes. Every label is
// measured with its font; one that does not fit, overlaps another label or
// covers a control it does not belong to is recorded as a fault, and the
// generator refuses to write art with faults.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "graphics/Color.h"
#include "graphics/Font.h"
#include "graphics/Rect.h"
#include "graphics/Surface.h"

namespace art {

using gfx::Color;
using gfx::Rect;

// Colour a to b at t (0..1), alpha included.
Color Mix(Color a, Color b, float t);
Color WithAlpha(Color c, uint8_t alpha);

// Shapes with antialiased edges; coordinates in pixels (edges, not centres).
void FillRoundRect(gfx::Surface& s, float left, float top, float right, float bottom, float radius, Color c);
// Top to bottom from `top` colour to `bottom` colour.
void FillRoundRectGradient(gfx::Surface& s, const Rect& r, float radius, Color top, Color bottom);
void FillCircle(gfx::Surface& s, float cx, float cy, float radius, Color c);
void FillRing(gfx::Surface& s, float cx, float cy, float inner, float outer, Color c);
// A thick line with round ends, antialiased.
void FillCapsule(gfx::Surface& s, float x1, float y1, float x2, float y2, float width, Color c);
void FillTriangle(gfx::Surface& s, float x1, float y1, float x2, float y2, float x3, float y3, Color c);
// A soft glow: the colour fading out from radius r0 to r1.
void Glow(gfx::Surface& s, float cx, float cy, float r0, float r1, Color c);

struct LabelStyle {
    const gfx::Font* font;
    int size;     // the size wanted
    int minSize;  // shrunk down to this to fit, never below
    Color color;
    gfx::Align align = gfx::Align::Center;
};

// Places labels on a surface and keeps the faults it finds.
class Labeller {
public:
    explicit Labeller(gfx::Surface& surface) : mSurface(surface) {}

    // A control's rectangle: labels keep off it unless they are its own.
    void AddControl(const Rect& r, std::string name);
    // Text in its box; lines split at '\\n' share the box's height. `owner`
    // is the control the label is printed on (empty for none): the box must
    // then lie inside it.
    void Label(const Rect& box, std::string_view text, const LabelStyle& style, const Rect& owner = {});

    const std::vector<std::string>& Faults() const { return mFaults; }

private:
    struct Placed {
        Rect box;
        std::string text;
    };
    struct Control {
        Rect rect;
        std::string name;
    };
    gfx::Surface& mSurface;
    std::vector<Placed> mPlaced;
    std::vector<Control> mControls;
    std::vector<std::string> mFaults;
};

}  // namespace art
