#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Profile.h"
#include "tests/plugin/TestHome.h"

namespace qor {
namespace {

using platform::GetProfileString;
using platform::WriteProfileSection;
using platform::WriteProfileString;

class Profile : public ::testing::Test {
protected:
    void SetUp() override { path = home.File("test.ini"); }

    void Put(const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string Contents() const
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string Get(const char* section, const char* key, const char* fallback = "<none>", size_t limit = 4096)
    {
        return GetProfileString(section, key, fallback, limit, path);
    }

    test::TestHome home;
    std::string path;
};

TEST_F(Profile, MissingFileSectionOrKeyGiveTheDefaultCutToTheLimit)
{
    EXPECT_EQ(Get("Global", "Link", "abc"), "abc");
    EXPECT_EQ(Get("Global", "Link", "abcdef", 3), "abc");
    Put("[Global]\nLink=1,2\n");
    EXPECT_EQ(Get("Other", "Link"), "<none>");
    EXPECT_EQ(Get("Global", "Lin"), "<none>");
    EXPECT_EQ(Get("Global", "Link"), "1,2");
    EXPECT_EQ(Get("Global", "Link", "", 1), "1");
}

TEST_F(Profile, NamesMatchIgnoringCaseAndBlanksAreTrimmed)
{
    Put("; a comment\n[ midi GLOBAL ]\n  MIDI thru   =   TRUE value  \r\nEmpty=\nx=a=b\n");
    EXPECT_EQ(Get("MIDI Global", "MIDI Thru"), "TRUE value");
    EXPECT_EQ(Get("midi global", "midi THRU"), "TRUE value");
    EXPECT_EQ(Get("MIDI Global", "Empty"), "");
    EXPECT_EQ(Get("MIDI Global", "x"), "a=b");
}

TEST_F(Profile, TheFirstMatchingSectionAndKeyWin)
{
    Put("[A]\nk=1\nK=2\n[a]\nk=3\nother=4\n");
    EXPECT_EQ(Get("A", "k"), "1");
    EXPECT_EQ(Get("A", "other"), "<none>");  // it lives in the second [a]
}

TEST_F(Profile, JunkNeverBreaksReading)
{
    std::string junk = "\x01\xff\xfe garbage without equals\n[unclosed\n=no key\n";
    junk += std::string(300000, 'x') + "\n";
    junk += std::string("\0\0=\0\n", 5);
    junk += "[Global\n[Global]\nno equals here\nK3 Function = 2\n[\n]\n";
    Put(junk);
    EXPECT_EQ(Get("Global", "K3 Function"), "2");
    EXPECT_EQ(Get("unclosed", "x"), "<none>");
    // A value ends at a NUL, as a C string would.
    Put(std::string("[S]\nk=ab\0cd\n", 13));
    EXPECT_EQ(Get("S", "k"), "ab");
}

TEST_F(Profile, WritingCreatesFileSectionAndKey)
{
    ASSERT_TRUE(WriteProfileString("Global", "Link", "1,5,60", path));
    EXPECT_EQ(Contents(), "[Global]\nLink=1,5,60\n");
    ASSERT_TRUE(WriteProfileString("MIDI Global", "MIDI Thru", "true", path));
    EXPECT_EQ(Contents(), "[Global]\nLink=1,5,60\n\n[MIDI Global]\nMIDI Thru=true\n");
    ASSERT_TRUE(WriteProfileString("Global", "K3 Function", "3", path));
    EXPECT_EQ(Contents(), "[Global]\nLink=1,5,60\nK3 Function=3\n\n[MIDI Global]\nMIDI Thru=true\n");
}

TEST_F(Profile, WritingReplacesTheKeyInPlaceAndKeepsEverythingElse)
{
    Put("; settings\n[global]\n; the chain\nlink = 3\nOther=x\n\n[Editor]\nShow Information=true\n");
    ASSERT_TRUE(WriteProfileString("Global", "Link", "4,5", path));
    EXPECT_EQ(Contents(), "; settings\n[global]\n; the chain\nLink=4,5\nOther=x\n\n[Editor]\nShow Information=true\n");
    // An empty value is written as such and read back as empty.
    ASSERT_TRUE(WriteProfileString("Editor", "Show Information", "", path));
    EXPECT_EQ(Get("Editor", "Show Information"), "");
}

TEST_F(Profile, SectionsAreReplacedWhole)
{
    Put("[MIDI Control]\nCC1=5\n; old\nCC7=0\n\n[Global]\nLink=2\n");
    const std::vector<std::string> lines{"CC2=3", "CC9=17"};
    ASSERT_TRUE(WriteProfileSection("midi control", lines, path));
    EXPECT_EQ(Contents(), "[MIDI Control]\nCC2=3\nCC9=17\n\n[Global]\nLink=2\n");
    ASSERT_TRUE(WriteProfileSection("MIDI Control", {}, path));
    EXPECT_EQ(Contents(), "[MIDI Control]\n\n[Global]\nLink=2\n");
    EXPECT_EQ(Get("MIDI Control", "CC2"), "<none>");
    ASSERT_TRUE(WriteProfileSection("Startup Bank", std::vector<std::string>{"File=/x/y.fxb"}, path));
    EXPECT_EQ(Get("Startup Bank", "File"), "/x/y.fxb");
    EXPECT_EQ(Get("Global", "Link"), "2");
}

TEST_F(Profile, TextThatCannotBeReadBackIsRefusedAndChangesNothing)
{
    Put("[Global]\nLink=1\n");
    EXPECT_FALSE(WriteProfileString("Global", "Link", "2\n[Evil]\nk=v", path));
    EXPECT_FALSE(WriteProfileString("Global", "Li=nk", "2", path));
    EXPECT_FALSE(WriteProfileString("Glo]bal", "Link", "2", path));
    EXPECT_FALSE(WriteProfileString("Global", "", "2", path));
    EXPECT_FALSE(WriteProfileString("Global", "Link", std::string("a\0b", 3), path));
    EXPECT_FALSE(WriteProfileSection("Global", std::vector<std::string>{"Link=2", "no equals"}, path));
    EXPECT_EQ(Contents(), "[Global]\nLink=1\n");
}

TEST_F(Profile, WritesAreAtomicAndRefuseWhatTheyCannotReadWhole)
{
    Put("[Global]\nLink=1\n");
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(WriteProfileString("Global", "K3 Function", std::to_string(i), path));
    // No temporary file is left beside the settings.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home.Root())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 2);  // test.ini and .config
    EXPECT_EQ(Get("Global", "K3 Function"), "19");

    // A file too large to hold is never rewritten: that would lose its tail.
    const std::string big = "[Global]\nLink=1\n" + std::string(platform::kMaxProfileBytes, ';') + "\n[Tail]\nk=v\n";
    Put(big);
    EXPECT_FALSE(WriteProfileString("Global", "Link", "2", path));
    EXPECT_EQ(Contents().size(), big.size());
    EXPECT_EQ(Get("Global", "Link"), "1");

    // Writing into a folder that does not exist fails without a crash.
    EXPECT_FALSE(WriteProfileString("Global", "Link", "2", home.File("missing/test.ini")));
}

TEST_F(Profile, LongValuesReadBackWholeWithinTheLimit)
{
    const std::string folder = "/" + std::string(299, 'f');
    ASSERT_TRUE(WriteProfileString("Global", "Path to Program Files", folder, path));
    EXPECT_EQ(Get("Global", "Path to Program Files", "", 4096), folder);
    EXPECT_EQ(Get("Global", "Path to Program Files", "", 63), folder.substr(0, 63));
}

}  // namespace
}  // namespace qor
