#include "tools/generators/PanelPainter.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace art {

namespace {

uint8_t Lerp(uint8_t a, uint8_t b, float t) { return uint8_t(std::lround(a + (b - a) * t)); }

// Fills the pixels of a bounding box by a signed distance (negative inside):
// a pixel's coverage is how far its centre lies inside the edge, over one pixel.
void FillByDistance(gfx::Surface& s, float left, float top, float right, float bottom,
                    const std::function<float(float, float)>& distance, const std::function<Color(float, float)>& colour)
{
    const int x0 = int(std::floor(left)) - 1, y0 = int(std::floor(top)) - 1;
    const int x1 = int(std::ceil(right)) + 1, y1 = int(std::ceil(bottom)) + 1;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float coverage = std::clamp(0.5f - distance(px, py), 0.0f, 1.0f);
            if (coverage > 0.0f) s.BlendPixel(x, y, colour(px, py), coverage);
        }
}

float RoundRectDistance(float px, float py, float left, float top, float right, float bottom, float radius)
{
    const float cx = (left + right) / 2, cy = (top + bottom) / 2;
    const float hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
    const float qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float SegmentDistance(float px, float py, float x1, float y1, float x2, float y2)
{
    const float dx = x2 - x1, dy = y2 - y1;
    const float len2 = dx * dx + dy * dy;
    const float t = len2 > 0 ? std::clamp(((px - x1) * dx + (py - y1) * dy) / len2, 0.0f, 1.0f) : 0.0f;
    return std::hypot(px - (x1 + t * dx), py - (y1 + t * dy));
}

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string_view::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    lines.push_back(text.substr(start));
    return lines;
}

}  // namespace

Color Mix(Color a, Color b, float t)
{
    return {Lerp(a.a, b.a, t), Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t)};
}

Color WithAlpha(Color c, uint8_t alpha) { return {alpha, c.r, c.g, c.b}; }

void FillRoundRect(gfx::Surface& s, float left, float top, float right, float bottom, float radius, Color c)
{
    FillByDistance(
        s, left, top, right, bottom,
        [=](float x, float y) { return RoundRectDistance(x, y, left, top, right, bottom, radius); },
        [=](float, float) { return c; });
}

void FillRoundRectGradient(gfx::Surface& s, const Rect& r, float radius, Color topColour, Color bottomColour)
{
    const float top = float(r.top), bottom = float(r.bottom), left = float(r.left), right = float(r.right);
    FillByDistance(
        s, left, top, right, bottom,
        [=](float x, float y) { return RoundRectDistance(x, y, left, top, right, bottom, radius); },
        [=](float, float y) { return Mix(topColour, bottomColour, std::clamp((y - top) / (bottom - top), 0.0f, 1.0f)); });
}

void FillCircle(gfx::Surface& s, float cx, float cy, float radius, Color c)
{
    FillByDistance(
        s, cx - radius, cy - radius, cx + radius, cy + radius,
        [=](float x, float y) { return std::hypot(x - cx, y - cy) - radius; }, [=](float, float) { return c; });
}

void FillRing(gfx::Surface& s, float cx, float cy, float inner, float outer, Color c)
{
    FillByDistance(
        s, cx - outer, cy - outer, cx + outer, cy + outer,
        [=](float x, float y) {
            const float d = std::hypot(x - cx, y - cy);
            return std::max(d - outer, inner - d);
        },
        [=](float, float) { return c; });
}

void FillCapsule(gfx::Surface& s, float x1, float y1, float x2, float y2, float width, Color c)
{
    const float r = width / 2;
    FillByDistance(
        s, std::min(x1, x2) - r, std::min(y1, y2) - r, std::max(x1, x2) + r, std::max(y1, y2) + r,
        [=](float x, float y) { return SegmentDistance(x, y, x1, y1, x2, y2) - r; }, [=](float, float) { return c; });
}

void FillTriangle(gfx::Surface& s, float x1, float y1, float x2, float y2, float x3, float y3, Color c)
{
    // Distance to a convex polygon: the largest signed distance to its edges
    // (exact enough near the edges, which is all antialiasing needs).
    const float area = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
    const float sign = area < 0 ? -1.0f : 1.0f;
    const auto edge = [=](float px, float py, float ax, float ay, float bx, float by) {
        const float ex = bx - ax, ey = by - ay;
        return sign * ((px - ax) * ey - (py - ay) * ex) / std::hypot(ex, ey);
    };
    FillByDistance(
        s, std::min({x1, x2, x3}), std::min({y1, y2, y3}), std::max({x1, x2, x3}), std::max({y1, y2, y3}),
        [=](float x, float y) {
            return std::max({edge(x, y, x1, y1, x2, y2), edge(x, y, x2, y2, x3, y3), edge(x, y, x3, y3, x1, y1)});
        },
        [=](float, float) { return c; });
}

void Glow(gfx::Surface& s, float cx, float cy, float r0, float r1, Color c)
{
    const int x0 = int(std::floor(cx - r1)), x1 = int(std::ceil(cx + r1));
    const int y0 = int(std::floor(cy - r1)), y1 = int(std::ceil(cy + r1));
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            const float t = std::clamp((r1 - d) / (r1 - r0), 0.0f, 1.0f);
            if (t > 0) s.BlendPixel(x, y, c, t * t);
        }
}

void Labeller::AddControl(const Rect& r, std::string name) { mControls.push_back({r, std::move(name)}); }

void Labeller::Label(const Rect& box, std::string_view text, const LabelStyle& style, const Rect& owner)
{
    const std::string name = "label \"" + std::string(text) + "\"";
    const std::vector<std::string_view> lines = Lines(text);
    const int lineHeight = box.H() / int(lines.size());
    // The largest size from the one wanted down to the smallest allowed at
    // which every line fits its width and the lines their height.
    int size = style.size;
    const auto fits = [&](int sz) {
        if (style.font->Ascent(sz) + style.font->Descent(sz) > lineHeight + 2) return false;
        for (std::string_view line : lines)
            if (style.font->TextWidth(line, sz) > box.W()) return false;
        return true;
    };
    while (size > style.minSize && !fits(size)) --size;
    if (!fits(size)) mFaults.push_back(name + " does not fit its box at size " + std::to_string(style.minSize));
    if (!owner.Empty() && owner.Intersection(box) != box) mFaults.push_back(name + " leaves the control it labels");
    for (const Placed& p : mPlaced)
        if (p.box.Intersects(box)) mFaults.push_back(name + " overlaps label \"" + p.text + "\"");
    for (const Control& c : mControls)
        if (c.rect.Intersects(box) && c.rect != owner) mFaults.push_back(name + " covers " + c.name);
    mPlaced.push_back({box, std::string(text)});

    for (size_t i = 0; i < lines.size(); ++i) {
        const Rect lineBox{box.left, box.top + int(i) * lineHeight, box.right, box.top + int(i + 1) * lineHeight};
        mSurface.DrawText(*style.font, size, style.color, lineBox, style.align, lines[i]);
    }
}

}  // namespace art
