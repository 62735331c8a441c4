// The boxes, menus and text entries the editor draws itself, driven through
// the layer the window routes its events to.
#include "framework/IDialogLayer.h"

#include <gtest/gtest.h>

#include "framework/IUserServices.h"

namespace qor::test {
namespace {

constexpr gfx::Rect kEditor{0, 0, 1024, 600};

ITypedKey K(ITypedKey::Kind kind) { return {kind, 0, false}; }
ITypedKey C(char c) { return {ITypedKey::Kind::Character, c, false}; }

struct Layer : ::testing::Test {
    IDialogLayer layer{kEditor, [](std::string_view text, int size) { return int(text.size()) * size / 2; }};
    std::vector<int> answers;
    std::function<void(int)> Record() { return [this](int a) { answers.push_back(a); }; }

    static IPopupMenu UtilityLike()
    {
        IPopupMenu menu;
        menu.Add("Load Bank", 1);
        menu.AddSeparator();
        menu.Add("Save Bank", 2).disabled = true;
        menu.Add("Send SysEx", 3).checked = true;
        IPopupMenu& more = menu.AddSubmenu("More");
        more.Add("Check for Update", 10);
        more.Add("Open Web Page", 11);
        return menu;
    }
    void Click(int x, int y)
    {
        layer.MouseDown(x, y);
        layer.MouseUp(x, y);
    }
    static int Cx(const gfx::Rect& r) { return (r.left + r.right) / 2; }
    static int Cy(const gfx::Rect& r) { return (r.top + r.bottom) / 2; }
};

TEST_F(Layer, MenuByKeysSkipsWhatCannotBeChosenAndAnswersOnIdleOnly)
{
    layer.ShowMenu(UtilityLike(), 100, 100, Record());
    ASSERT_NE(layer.Menu(), nullptr);
    layer.Key(K(ITypedKey::Kind::Down));  // Load Bank
    layer.Key(K(ITypedKey::Kind::Down));  // separator and the disabled item skipped: Send SysEx
    EXPECT_EQ(layer.Menu()->Levels()[0].highlighted, 3);
    layer.Key(K(ITypedKey::Kind::Down));  // More
    layer.Key(K(ITypedKey::Kind::Right));  // opens it on its first item
    ASSERT_EQ(layer.Menu()->Levels().size(), 2u);
    layer.Key(K(ITypedKey::Kind::Escape));  // closes the submenu only
    EXPECT_EQ(layer.Menu()->Levels().size(), 1u);
    layer.Key(K(ITypedKey::Kind::Enter));  // Enter on More opens it again
    layer.Key(K(ITypedKey::Kind::Down));
    layer.Key(K(ITypedKey::Kind::Enter));
    EXPECT_FALSE(layer.Active());
    EXPECT_TRUE(answers.empty());
    layer.RunAnswers();
    EXPECT_EQ(answers, std::vector<int>{11});
    layer.RunAnswers();
    EXPECT_EQ(answers.size(), 1u);  // exactly once
}

TEST_F(Layer, MenuByMouseOpensSubmenusChoosesItemsAndIsDismissedOutside)
{
    layer.ShowMenu(UtilityLike(), 100, 100, Record());
    const IMenuView& menu = *layer.Menu();
    const gfx::Rect disabled = menu.ItemRect(0, 2), more = menu.ItemRect(0, 4);
    Click(Cx(disabled), Cy(disabled));  // nothing happens
    EXPECT_TRUE(layer.Active());
    EXPECT_TRUE(layer.MouseMove(Cx(more), Cy(more)));  // hovering opens the submenu
    ASSERT_EQ(menu.Levels().size(), 2u);
    EXPECT_GE(menu.Levels()[1].rect.left, menu.Levels()[0].rect.right - 2);
    const gfx::Rect update = menu.ItemRect(1, 0);
    Click(Cx(update), Cy(update));
    layer.RunAnswers();
    EXPECT_EQ(answers, std::vector<int>{10});

    layer.ShowMenu(UtilityLike(), 100, 100, Record());
    Click(900, 500);  // outside: dismissed, and the press is the menu's
    layer.RunAnswers();
    EXPECT_EQ(answers, (std::vector<int>{10, -1}));
}

TEST_F(Layer, MenusStayInsideTheEditorAndNumberTheirItems)
{
    IPopupMenu numbered;
    numbered.prefix = IPopupMenu::Prefix::TwoDigits;
    for (int i = 0; i < 12; ++i) numbered.Add("Program", i);
    layer.ShowMenu(numbered, 1020, 590, Record());
    const gfx::Rect r = layer.Menu()->Levels()[0].rect;
    EXPECT_LE(r.right, kEditor.right);
    EXPECT_LE(r.bottom, kEditor.bottom);
    EXPECT_GT(r.W(), 0);
    // The column is wide enough for the numbered label "12: Program".
    EXPECT_GE(r.W(), IMenuView::kTextInset + int(std::string("12: Program").size()) * IDialogLayer::kTextSize / 2);
}

TEST_F(Layer, AMenuTallerThanTheEditorContinuesInColumnsAndEveryItemCanBeChosen)
{
    // As many waves as the wave fields offer, opened from a field low on the panel.
    IPopupMenu waves;
    for (int i = 0; i < 35; ++i) waves.Add("Wave", i);
    for (const int pick : {34, 29, 0}) {
        layer.ShowMenu(waves, 300, 400, Record());
        const IMenuView& menu = *layer.Menu();
        const gfx::Rect area = menu.Levels()[0].rect;
        EXPECT_GE(area.top, kEditor.top);
        EXPECT_LE(area.bottom, kEditor.bottom);
        for (int i = 0; i < 35; ++i) {
            const gfx::Rect r = menu.ItemRect(0, i);
            EXPECT_TRUE(area.Contains(r.left, r.top) && area.Contains(r.right - 1, r.bottom - 1)) << i;
            if (i > 0) {
                EXPECT_FALSE(r.Intersects(menu.ItemRect(0, i - 1))) << i;
            }
        }
        const gfx::Rect chosen = menu.ItemRect(0, pick);
        Click(Cx(chosen), Cy(chosen));
        layer.RunAnswers();
        ASSERT_FALSE(answers.empty());
        EXPECT_EQ(answers.back(), pick);
    }
}

TEST_F(Layer, MessageBoxAnswersYesNoByKeysAndMouse)
{
    const int yesNo = IUserServices::kYesNo | IUserServices::kIconInformation;
    layer.ShowMessage("Overwrite the program?", "Save", yesNo, Record());
    ASSERT_NE(layer.Box(), nullptr);
    EXPECT_EQ(layer.Box()->GetIcon(), IMessageBoxView::Icon::Information);
    layer.Key(K(ITypedKey::Kind::Enter));  // the default: Yes
    layer.ShowMessage("Overwrite the program?", "Save", yesNo, Record());
    layer.Key(K(ITypedKey::Kind::Escape));  // No
    layer.ShowMessage("Overwrite the program?", "Save", yesNo, Record());
    layer.Key(K(ITypedKey::Kind::Right));  // focus on No
    layer.Key(K(ITypedKey::Kind::Enter));
    layer.ShowMessage("Overwrite the program?", "Save", yesNo, Record());
    layer.Key(C('y'));
    layer.RunAnswers();
    using S = IUserServices;
    EXPECT_EQ(answers, (std::vector<int>{S::kAnswerYes, S::kAnswerNo, S::kAnswerNo, S::kAnswerYes}));

    answers.clear();
    layer.ShowMessage("Cannot load file!", "Error", IUserServices::kOk | IUserServices::kIconError, Record());
    const IMessageBoxView& box = *layer.Box();
    EXPECT_EQ(box.GetIcon(), IMessageBoxView::Icon::Error);
    ASSERT_EQ(box.Buttons().size(), 1u);
    const gfx::Rect ok = box.Buttons()[0].rect;
    layer.MouseDown(Cx(ok), Cy(ok));
    layer.MouseUp(5, 5);  // released elsewhere: not pressed
    Click(5, 5);          // outside the box: nothing
    EXPECT_TRUE(layer.Active());
    Click(Cx(ok), Cy(ok));
    layer.RunAnswers();
    EXPECT_EQ(answers, std::vector<int>{S::kAnswerOk});
}

TEST_F(Layer, LongMessagesAreBrokenIntoLinesInsideTheBox)
{
    const std::string text = "The bank could not be read because the file ends before its last program. "
                             "Nothing was changed.\nTry another file.";
    layer.ShowMessage(text, "Error", IUserServices::kOk, Record());
    const IMessageBoxView& box = *layer.Box();
    EXPECT_GE(box.Lines().size(), 3u);
    EXPECT_EQ(box.Lines().back(), "Try another file.");
    for (const std::string& line : box.Lines())
        EXPECT_LE(int(line.size()) * IDialogLayer::kTextSize / 2, box.TextRect().W()) << line;
    EXPECT_TRUE(kEditor.Contains(box.Rect().left, box.Rect().top));
    EXPECT_LE(box.Rect().bottom, kEditor.bottom);
}

struct Entry : Layer {
    std::vector<std::pair<bool, std::string>> results;
    void Open(std::string text, int maxLength = 7, ITextEntryBox::Accepts accepts = {})
    {
        layer.ShowTextEntry(std::make_unique<ITextEntryBox>(gfx::Rect{400, 200, 440, 216}, IText{},
                                                            std::move(text), maxLength, std::move(accepts)),
                            [this](bool committed, const std::string& t) { results.emplace_back(committed, t); });
    }
    void Type(const std::string& s)
    {
        for (char c : s) layer.Key(C(c));
    }
};

TEST_F(Entry, EscapeCancelsEnterCommitsAndTypingReplacesTheSelectedText)
{
    Open("Brass 1", 30);
    Type("Str");
    layer.Key(K(ITypedKey::Kind::Escape));
    Open("Brass 1", 30);
    Type("Strings");
    layer.Key(K(ITypedKey::Kind::Backspace));
    Type("x");
    layer.Key(K(ITypedKey::Kind::Enter));
    Open("Pad", 30);
    layer.Key(K(ITypedKey::Kind::End));  // ends the selection: typing appends
    Type(" 2");
    layer.Key(K(ITypedKey::Kind::Enter));
    layer.RunAnswers();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_FALSE(results[0].first);
    EXPECT_EQ(results[1], (std::pair<bool, std::string>{true, "Stringx"}));
    EXPECT_EQ(results[2], (std::pair<bool, std::string>{true, "Pad 2"}));
}

TEST_F(Entry, RefusedCharactersAndTheLengthLimitKeepTheText)
{
    const auto digits = [](char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-'; };
    Open("64", 3, digits);
    Type("a");  // refused: the selection stays, "64" unchanged
    EXPECT_EQ(layer.Entry()->Text(), "64");
    Type("-1234");
    EXPECT_EQ(layer.Entry()->Text(), "-12");
    layer.Key(K(ITypedKey::Kind::Enter));
    layer.RunAnswers();
    EXPECT_EQ(results.back(), (std::pair<bool, std::string>{true, "-12"}));
}

TEST_F(Entry, AWheelCancelsAndAClickElsewhereCommits)
{
    Open("12");
    Type("99");
    EXPECT_FALSE(layer.MouseMove(10, 10));  // the pointer still moves over the controls
    EXPECT_TRUE(layer.Wheel());
    Open("12");
    Type("5");
    EXPECT_TRUE(layer.MouseDown(420, 208));  // inside: only the caret moves
    EXPECT_TRUE(layer.Active());
    Type("0");
    EXPECT_TRUE(layer.MouseDown(10, 10));  // elsewhere: committed, and the click is the entry's
    layer.RunAnswers();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_FALSE(results[0].first);
    EXPECT_EQ(results[0].second, "99");
    EXPECT_TRUE(results[1].first);
    EXPECT_EQ(results[1].second, "50");
}

TEST_F(Layer, QuestionsWaitTheirTurnAndClosingAnswersEachOnceAsDismissed)
{
    layer.ShowMessage("First", "QOR", IUserServices::kYesNo, [&](int a) {
        answers.push_back(a);
        // A command that goes on to ask again.
        layer.ShowMessage("Third", "QOR", IUserServices::kOk, Record());
    });
    layer.ShowMenu(UtilityLike(), 10, 10, Record());
    EXPECT_NE(layer.Box(), nullptr);
    EXPECT_TRUE(layer.MouseMove(20, 20));  // the controls get nothing while a box is open
    layer.Key(C('y'));
    EXPECT_NE(layer.Menu(), nullptr);  // the menu's turn
    layer.RunAnswers();                // asks "Third", queued behind the menu
    layer.DismissAll();
    EXPECT_FALSE(layer.Active());
    layer.RunAnswers();
    using S = IUserServices;
    EXPECT_EQ(answers, (std::vector<int>{S::kAnswerYes, -1, S::kAnswerOk}));
}

}  // namespace
}  // namespace qor::test
