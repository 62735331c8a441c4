// An axis-aligned rectangle in pixels; right and bottom are exclusive.
#pragma once

#include <algorithm>

namespace gfx {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;

    int W() const { return right - left; }
    int H() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Intersects(const Rect& o) const { return !Intersection(o).Empty(); }
    Rect Intersection(const Rect& o) const {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
    // The smallest rectangle holding both; an empty rectangle adds nothing.
    Rect Union(const Rect& o) const {
        if (Empty()) return o;
        if (o.Empty()) return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }

    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace gfx
