// The editor's own boxes as pixels: what the musician sees highlighted,
// selected, checked and signed.
#include "framework/IDialogLook.h"

#include <gtest/gtest.h>

#include "framework/IDialogLayer.h"
#include "framework/IUserServices.h"
#include "graphics/Color.h"
#include "graphics/Surface.h"

namespace qor::test {
namespace {

constexpr gfx::Rect kEditor{0, 0, 1024, 600};

gfx::Color At(const gfx::Surface& s, int x, int y) { return gfx::Unpack(s.Pixel(x, y)); }
bool Near(gfx::Color a, gfx::Color b, int tolerance = 24)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

struct Look : ::testing::Test {
    IDialogLook look{nullptr};  // shapes only: no font needed to see them
    IDialogLayer layer{kEditor, [this](std::string_view t, int size) { return look.Measure(t, size); }};
    gfx::Surface Draw()
    {
        gfx::Surface s(kEditor.W(), kEditor.H());
        s.Clear({255, 0, 0, 0});
        look.Draw(layer, s);
        return s;
    }
};

TEST_F(Look, TheHighlightedMenuItemIsLitAndTheOthersAreNot)
{
    IPopupMenu menu;
    menu.Add("One", 1);
    menu.Add("Two", 2);
    layer.ShowMenu(menu, 100, 100, {});
    layer.Key({ITypedKey::Kind::Down, 0, false});
    layer.Key({ITypedKey::Kind::Down, 0, false});
    const gfx::Surface s = Draw();
    const gfx::Rect one = layer.Menu()->ItemRect(0, 0), two = layer.Menu()->ItemRect(0, 1);
    EXPECT_TRUE(Near(At(s, two.right - 4, two.top + 2), IDialogLook::kHighlight));
    EXPECT_TRUE(Near(At(s, one.right - 4, one.top + 2), IDialogLook::kPanel));
    EXPECT_EQ(At(s, 50, 50), (gfx::Color{255, 0, 0, 0}));  // nothing outside the menu
}

TEST_F(Look, MessageBoxesCarryTheirSignAndFocusedButton)
{
    layer.ShowMessage("Cannot load file!", "Error", IUserServices::kOk | IUserServices::kIconError, {});
    gfx::Surface s = Draw();
    const gfx::Rect icon = layer.Box()->IconRect();
    const gfx::Color red = At(s, (icon.left + icon.right) / 2, icon.top + 3);
    EXPECT_GT(red.r, 150);
    EXPECT_LT(red.b, 100);
    layer.DismissAll();

    layer.ShowMessage("Saved.", "QOR", IUserServices::kOk | IUserServices::kIconInformation, {});
    s = Draw();
    const gfx::Rect info = layer.Box()->IconRect();
    const gfx::Color blue = At(s, (info.left + info.right) / 2, info.top + 3);
    EXPECT_GT(blue.b, 150);
    EXPECT_LT(blue.r, 100);
    const gfx::Rect ok = layer.Box()->Buttons()[0].rect;
    EXPECT_TRUE(Near(At(s, ok.left, ok.top + ok.H() / 2), IDialogLook::kBorder));  // the focus frame
}

TEST_F(Look, AnEntryShowsItsSelectionFirstAndThenItsCaret)
{
    IText style;
    style.entryBackground = {255, 255, 255, 255};
    style.entryText = {255, 0, 0, 0};
    layer.ShowTextEntry(std::make_unique<ITextEntryBox>(gfx::Rect{400, 200, 480, 216}, style, "64", 7, nullptr), {});
    gfx::Surface s = Draw();
    const int width = look.Measure("64", style.size);
    const int left = layer.Entry()->TextLeft(width);
    EXPECT_TRUE(Near(At(s, left + 1, 204), IDialogLook::kSelection));
    EXPECT_EQ(At(s, 402, 204), style.entryBackground);  // outside the text: the box's own colour
    layer.Key({ITypedKey::Kind::End, 0, false});
    s = Draw();
    EXPECT_EQ(At(s, left + width, 208), style.entryText);  // the caret after the text
    EXPECT_EQ(At(s, left + 1, 204), style.entryBackground);
}

}  // namespace
}  // namespace qor::test
