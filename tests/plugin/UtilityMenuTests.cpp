#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/Commands.h"
#include "plugin/OnlineAddresses.h"
#include "tests/plugin/CommandFixture.h"

namespace qor::test {
namespace {

namespace cmd = command;
class UtilityMenu : public CommandFixture {
protected:
    // The menu as the next click shows it.
    IPopupMenu Menu()
    {
        q->OpenUtilityMenu(10, 20);
        return musician.asked.back().menu;
    }
};

const IPopupMenu::Item* FindItem(const IPopupMenu& menu, const std::string& text)
{
    for (const auto& item : menu.items) {
        if (item.text == text) return &item;
        if (item.submenu)
            if (const IPopupMenu::Item* found = FindItem(*item.submenu, text)) return found;
    }
    return nullptr;
}

TEST_F(UtilityMenu, ItemsStandWhereTheirNumbersSay)
{
    const IPopupMenu menu = Menu();
    // A chosen item answers its position, counted from its submenu's base.
    const std::pair<const char*, int> bases[] = {{"Restore Sounds...", cmd::kRestoreInternal},
                                                 {"Load User Wave...", cmd::kLoadUserWaveInternal},
                                                 {"Save User Wave...", cmd::kSaveUserWaveInternal},
                                                 {"Global MIDI Settings...", cmd::kMidiThru},
                                                 {"Go Online...", cmd::kCheckForUpdate}};
    int separators = 0;
    for (std::size_t position = 0; position < menu.items.size(); ++position) {
        const auto& item = menu.items[position];
        if (item.separator) {
            ++separators;
            continue;
        }
        if (!item.submenu) {
            EXPECT_EQ(item.tag, static_cast<int>(position)) << item.text;
            continue;
        }
        int base = -1;
        for (const auto& [name, first] : bases)
            if (item.text == name) base = first;
        ASSERT_GE(base, 0) << item.text;
        for (std::size_t k = 0; k < item.submenu->items.size(); ++k)
            EXPECT_EQ(item.submenu->items[k].tag, base + static_cast<int>(k)) << item.submenu->items[k].text;
    }
    EXPECT_EQ(separators, 6);
    EXPECT_EQ(menu.items.back().text, "Go Online...");
    EXPECT_EQ(FindItem(menu, "Load Tobin's Sounds (Internal)")->tag, cmd::kLoadTobins);
    EXPECT_EQ(FindItem(menu, "Save User Wave (C) to SysEx File")->tag, cmd::kSaveUserWaveSysExCartridge);
}

TEST_F(UtilityMenu, StatesFollowTheInstrument)
{
    IPopupMenu menu = Menu();
    EXPECT_TRUE(FindItem(menu, "Paste Program")->disabled);
    EXPECT_TRUE(FindItem(menu, "Load Startup Bank")->disabled);
    EXPECT_TRUE(FindItem(menu, "Unselect Startup Bank")->disabled);

    q->RunCommand(cmd::kCopyProgram);
    RunWithFile(cmd::kSelectStartupBank, File("startup.fxb"));
    const bool thru = q->midiThru;
    q->RunCommand(cmd::kMidiThru);
    menu = Menu();
    EXPECT_FALSE(FindItem(menu, "Paste Program")->disabled);
    EXPECT_FALSE(FindItem(menu, "Load Startup Bank")->disabled);
    EXPECT_FALSE(FindItem(menu, "Unselect Startup Bank")->disabled);
    EXPECT_EQ(FindItem(menu, "MIDI Thru")->checked, !thru);
    EXPECT_EQ(FindItem(menu, "Show Additional Information")->checked, q->showInformation);
    EXPECT_EQ(FindItem(menu, "Send SysEx on Parameter Change")->checked, q->sendParameterSysEx);
}

TEST_F(UtilityMenu, IgnoreProgramChangeStaysCheckedAtTheLowerLevels)
{
    q->ignoreProgramChange = false;
    q->SetMidiLevel(1);  // shown "2"
    EXPECT_TRUE(FindItem(Menu(), "Ignore Program Change")->checked);
    musician.menuAnswers.push_back(cmd::kIgnoreProgramChange);
    q->OpenUtilityMenu(0, 0);
    EXPECT_FALSE(q->ignoreProgramChange);
    EXPECT_TRUE(FindItem(Menu(), "Ignore Program Change")->checked);

    q->SetMidiLevel(4);  // shown "5"
    EXPECT_FALSE(FindItem(Menu(), "Ignore Program Change")->checked);
    musician.menuAnswers.push_back(cmd::kIgnoreProgramChange);
    q->OpenUtilityMenu(0, 0);
    EXPECT_TRUE(q->ignoreProgramChange);
    EXPECT_TRUE(FindItem(Menu(), "Ignore Program Change")->checked);
}

TEST_F(UtilityMenu, ChosenItemsRunTheirCommandsAndOnlineItemsTheirActions)
{
    musician.menuAnswers.push_back(cmd::kCopyProgram);
    q->OpenUtilityMenu(0, 0);
    EXPECT_EQ(q->copiedProgram, 0);
    EXPECT_EQ(q->infoMessage, kInfoProgramCopied);

    // A chosen command that asks goes on asking, with the menu's answer held.
    musician.holdAnswers = true;
    musician.menuAnswers.push_back(cmd::kInitProgram);
    q->OpenUtilityMenu(0, 0);
    musician.Release();
    EXPECT_EQ(musician.asked.back().title, "Initialize Program");

    musician.holdAnswers = false;
    // Built in: the update check, and the maker's home page in the browser.
    IPopupMenu menu = Menu();
    EXPECT_FALSE(FindItem(menu, "Check Online for Update")->disabled);
    const IPopupMenu::Item* makerSite = FindItem(menu, "Visit " + std::string(kMakerWeb));
    ASSERT_NE(makerSite, nullptr);
    musician.menuAnswers = {makerSite->tag};
    q->OpenUtilityMenu(0, 0);
    ASSERT_EQ(musician.opened.size(), 1u);
    EXPECT_EQ(musician.opened[0], "http://" + std::string(kMakerWeb) + "/");

    int checks = 0;
    int visits = 0;
    q->GetCommands().SetOnlineActions({"example.org", [&] { ++checks; }, [&] { ++visits; }});
    menu = Menu();
    const IPopupMenu::Item* visit = FindItem(menu, "Visit example.org");
    ASSERT_NE(visit, nullptr);
    EXPECT_FALSE(visit->disabled);
    musician.menuAnswers = {visit->tag, cmd::kCheckForUpdate};
    q->OpenUtilityMenu(0, 0);
    q->OpenUtilityMenu(0, 0);
    q->RunCommand(cmd::kCheckForUpdate);
    EXPECT_EQ(visits, 1);
    EXPECT_EQ(checks, 2);
}

}  // namespace
}  // namespace qor::test
