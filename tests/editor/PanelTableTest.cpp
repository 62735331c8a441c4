// The whole panel built from the layout table: every key and field where the
// table puts it, sending what the table says.
#include "plugin/PanelLayout.h"
#include "plugin/editor/IMwUtilityKick.h"
#include "plugin/editor/PanelBuilder.h"
#include "tests/editor/EditorFixture.h"

namespace qor::test {
namespace {

class PanelTable : public EditorFixture {
protected:
    PanelTable()
    {
        editor = std::make_unique<IGraphics>(*plug, panel::kWidth, panel::kHeight);
        at = BuildPanel(*editor, *plug, panel, commands);
        Attach();
    }
    static std::pair<int, int> Centre(const gfx::Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    void ClickAt(const gfx::Rect& r)
    {
        const auto [x, y] = Centre(r);
        editor->OnMouseOver(x, y, {});
        Click(x, y);
    }
    std::vector<int> Keys() const
    {
        std::vector<int> keys;
        for (const auto& p : panel.pressed) keys.push_back(p.first);
        return keys;
    }
    PanelControls at;
};

TEST_F(PanelTable, HasEveryControlOfTheTable)
{
    EXPECT_EQ(editor->NControls(), 134);
    auto number = [&](int index) {
        auto* kick = dynamic_cast<IMwUtilityKick*>(editor->GetControl(index));
        return kick ? kick->Number() : -1;
    };
    EXPECT_EQ(number(at.valueUp), 317);
    EXPECT_EQ(number(at.valueDown), 316);
    EXPECT_EQ(editor->GetControl(at.programName)->GetRECT(), panel::kProgramName);
    EXPECT_EQ(editor->GetControl(at.infoText)->GetRECT(), panel::kInfoText);
    EXPECT_EQ(editor->GetControl(at.textDisplay)->GetRECT().left, panel::kTextDisplayX);
    EXPECT_EQ(editor->GetControl(at.waveDisplay)->GetRECT().top, panel::kWaveDisplayY);
    // The number keys, column by column, then the fields 8..49.
    for (int n = 0; n < panel::kNumberKeys; ++n) EXPECT_EQ(number(41 + n), 264 + n) << n;
    for (int p = 8; p <= 49; ++p) EXPECT_EQ(editor->GetControl(84 + p)->ParamIdx(), p);
}

TEST_F(PanelTable, KeysSendTheirNumbers)
{
    for (const panel::Key& key : panel::kUtilityKeys) ClickAt(key.rect);
    EXPECT_EQ(commands.run, (std::vector<int>{4, 6, 5, 7, 10, 2, 11, 12, 32, 33}));
    ClickAt(panel::kValueUp.rect);
    ClickAt(panel::kValueDown.rect);
    for (const panel::ModeKey& mode : panel::kModeKeys) ClickAt(mode.key.rect);
    ClickAt(panel::NumberKey(0).rect);
    ClickAt(panel::NumberKey(35).rect);
    ClickAt(panel::NumberKey(50).rect);  // column 16, row 2
    EXPECT_EQ(Keys(), (std::vector<int>{317, 316, 256, 258, 260, 262, 257, 259, 261, 263, 264, 299, 314}));
    EXPECT_EQ(panel.released, Keys()) << "every key comes up again";
    ClickAt(panel::kUtilityMenu);
    EXPECT_EQ(commands.menus.size(), 1u);
    EXPECT_EQ(commands.run.size(), 10u) << "the menu button runs no command itself";
}

TEST_F(PanelTable, OnlyTheMasterAwareKeysDim)
{
    auto shade = [&](int n) {
        const auto [x, y] = Centre(panel::NumberKey(n).rect);
        return At(DrawAll(), x, y);
    };
    const gfx::Color key35 = shade(35), key36 = shade(36), key50 = shade(50);
    panel.mode = 2;
    panel.function = 4;
    EXPECT_NE(shade(35), key35) << "the 36th key has no function 4";
    EXPECT_EQ(shade(36), key36);
    EXPECT_EQ(shade(50), key50);
}

TEST_F(PanelTable, FieldsSelectTheWorkingParameterAndValueDisplaysClick)
{
    for (int p : {8, 20, 33, 49}) {
        ClickAt(panel::ParameterField(p));
        EXPECT_EQ(Value(kWorking), p);
    }
    for (const panel::LedDisplay& d : panel::kLedDisplays) ClickAt(d.rect);
    EXPECT_EQ(Keys(), (std::vector<int>{320, 321})) << "319 takes no clicks";
}

}  // namespace
}  // namespace qor::test
