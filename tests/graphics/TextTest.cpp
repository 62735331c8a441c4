// Text drawn with the embedded fonts: inside its box, moved by alignment,
// families found by the names text styles use.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "framework/EditorFonts.h"
#include "graphics/FontRegistry.h"
#include "graphics/Surface.h"

namespace {

using gfx::Align;
using gfx::Color;
using gfx::Rect;
using gfx::Surface;

constexpr Color kGround{255, 0, 0, 0};
constexpr Color kInk{255, 255, 255, 255};

const gfx::FontRegistry& Fonts()
{
    static const gfx::FontRegistry registry = [] {
        gfx::FontRegistry r;
        EXPECT_TRUE(qor::AddEditorFonts(r));
        return r;
    }();
    return registry;
}

struct Ink {
    int pixels = 0;
    Rect bounds{1 << 20, 1 << 20, -1, -1};
};

Ink InkOf(const Surface& s)
{
    Ink ink;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (gfx::Unpack(s.Pixel(x, y)) != kGround) {
                ++ink.pixels;
                ink.bounds = {std::min(ink.bounds.left, x), std::min(ink.bounds.top, y),
                              std::max(ink.bounds.right, x + 1), std::max(ink.bounds.bottom, y + 1)};
            }
    return ink;
}

Ink Draw(const Rect& box, Align align, std::string_view text, int size = 14, const char* family = "Arial")
{
    Surface s(200, 60);
    s.Clear(kGround);
    s.DrawText(*Fonts().Find(family), size, kInk, box, align, text);
    return InkOf(s);
}

TEST(TextTest, TextStaysInsideItsBoxAndIsCentredVertically)
{
    const Rect box{20, 10, 180, 40};
    const Ink ink = Draw(box, Align::Left, "Program is copied.");
    ASSERT_GT(ink.pixels, 100);
    EXPECT_EQ(ink.bounds.Intersection(box), ink.bounds);
    EXPECT_LE(ink.bounds.left, box.left + 2);
    // Capitals and descenders sit around the middle of the box.
    const int middle = (ink.bounds.top + ink.bounds.bottom) / 2;
    EXPECT_NEAR(middle, (box.top + box.bottom) / 2, 3);

    // Too long for its box, or a box too low: cut at the edges, never beyond.
    const Rect narrow{50, 20, 90, 30};
    const Ink cut = Draw(narrow, Align::Center, "All Programs are loaded from cartridge.");
    ASSERT_GT(cut.pixels, 0);
    EXPECT_EQ(cut.bounds.Intersection(narrow), cut.bounds);

    // High bytes are Latin-1 characters, drawn like any other.
    EXPECT_GT(Draw(box, Align::Left, "\xc4\xe9\xdf").pixels, 20);
}

TEST(TextTest, AlignmentMovesTheText)
{
    const Rect box{10, 10, 190, 40};
    const std::string_view text = "Cutoff";
    const gfx::Font& font = *Fonts().Find("Arial");
    const int width = font.TextWidth(text, 14);
    ASSERT_GT(width, 20);
    ASSERT_LT(width, box.W());
    const Ink left = Draw(box, Align::Left, text), centre = Draw(box, Align::Center, text),
              right = Draw(box, Align::Right, text);
    EXPECT_EQ(left.pixels, centre.pixels);
    EXPECT_EQ(left.pixels, right.pixels);
    EXPECT_NEAR(right.bounds.left - left.bounds.left, box.W() - width, 1);
    EXPECT_NEAR(centre.bounds.left - left.bounds.left, (box.W() - width) / 2, 1);
    EXPECT_LE(right.bounds.right, box.right);
    // Wider text at a larger size.
    EXPECT_GT(font.TextWidth(text, 28), width * 3 / 2);
}

TEST(TextTest, FamiliesAreFoundByTheirStyleNames)
{
    const gfx::FontRegistry& fonts = Fonts();
    const gfx::Font* arial = fonts.Find("Arial");
    const gfx::Font* arialBold = fonts.Find("arial", true);
    const gfx::Font* verdana = fonts.Find("Verdana");
    ASSERT_NE(arial, nullptr);
    ASSERT_NE(arialBold, nullptr);
    ASSERT_NE(verdana, nullptr);
    EXPECT_NE(arial, arialBold);
    EXPECT_NE(arial, verdana);
    // Verdana is the wider face; bold is wider than regular.
    EXPECT_GT(verdana->TextWidth("Resonance", 12), arial->TextWidth("Resonance", 12));
    EXPECT_GT(arialBold->TextWidth("Resonance", 12), arial->TextWidth("Resonance", 12));
    // The narrow face is the same letters condensed.
    const gfx::Font* narrow = fonts.Find("Arial Narrow");
    ASSERT_NE(narrow, nullptr);
    const int wide = arial->TextWidth("Pres. LFO OSC", 20), condensed = narrow->TextWidth("Pres. LFO OSC", 20);
    EXPECT_NEAR(condensed, wide * 0.76, wide * 0.05);
    EXPECT_EQ(narrow->Ascent(20), arial->Ascent(20));
    // An unknown family still draws, in the controls' default face.
    EXPECT_EQ(fonts.Find("Tahoma"), verdana);

    gfx::FontRegistry empty;
    EXPECT_EQ(empty.Find("Arial"), nullptr);
    const std::array<uint8_t, 64> notAFont{1, 2, 3};
    EXPECT_FALSE(empty.Add("Arial", false, notAFont));
    EXPECT_EQ(empty.Find("Arial"), nullptr);
}

}  // namespace
