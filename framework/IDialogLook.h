// How the editor's own boxes look: dark panels with the instrument's orange,
// light text, a check mark and submenu arrows in menus, an information or
// error sign in message boxes, the entry box in its text style's colours
// with its selection and caret.
#pragma once

#include <string_view>

#include "graphics/Surface.h"

namespace gfx {
class Font;
}

namespace qor {

class IDialogLayer;

class IDialogLook {
public:
    // Without a font the shapes are drawn and the texts are not.
    explicit IDialogLook(const gfx::Font* font) : mFont(font) {}

    int Measure(std::string_view text, int size) const;
    // Draws what the layer has open, inside the surface's clip.
    void Draw(const IDialogLayer& layer, gfx::Surface& surface) const;

    static constexpr gfx::Color kPanel{250, 38, 38, 42};
    static constexpr gfx::Color kBorder{255, 255, 128, 0};
    static constexpr gfx::Color kHighlight{255, 255, 128, 0};
    static constexpr gfx::Color kText{255, 236, 236, 236};
    static constexpr gfx::Color kHighlightText{255, 20, 20, 20};
    static constexpr gfx::Color kDisabledText{255, 120, 120, 124};
    static constexpr gfx::Color kSelection{255, 255, 128, 0};

private:
    void Text(gfx::Surface& s, int size, gfx::Color c, const gfx::Rect& box, gfx::Align align,
              std::string_view text) const;
    const gfx::Font* mFont;
};

}  // namespace qor
