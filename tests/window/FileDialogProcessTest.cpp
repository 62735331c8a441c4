#include "framework/linux/FileDialogProcess.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/window/XTestHost.h"

namespace qor::test {
namespace {

namespace fs = std::filesystem;

// A PATH holding only stand-ins for the dialog programs, written as shell
// scripts: each records its arguments and answers what the test says.
class FakeDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("qor-dialogs-" + std::to_string(getpid()));
        fs::create_directories(folder);
        if (const char* path = std::getenv("PATH")) oldPath = path;
        setenv("PATH", folder.c_str(), 1);
    }
    void TearDown() override
    {
        setenv("PATH", oldPath.c_str(), 1);
        fs::remove_all(folder);
    }
    void Program(const std::string& name, const std::string& body)
    {
        const fs::path file = folder / name;
        std::ofstream(file) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" << (folder / "args").string()
                            << "'\necho $$ > '" << (folder / "pid").string() << "'\n" << body << "\n";
        fs::permissions(file, fs::perms::owner_all);
    }
    std::string Args()
    {
        std::stringstream s;
        s << std::ifstream(folder / "args").rdbuf();
        return s.str();
    }
    std::optional<std::string> Answer(FileDialogProcess& dialog)
    {
        std::optional<std::string> answer;
        EXPECT_TRUE(PumpUntil([&] { answer = dialog.Poll(); }, [&] { return answer.has_value(); }));
        return answer;
    }

    fs::path folder;
    std::string oldPath;
};

TEST_F(FakeDialogs, ZenityIsAskedToOpenOrSaveAndItsAnswerIsThePath)
{
    Program("zenity", "echo /home/me/Sounds/lead.fxp");
    IUserServices::FileRequest open{false, "/home/me/Sounds", "fxp", ""};
    auto dialog = FileDialogProcess::Start(open);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Answer(*dialog), "/home/me/Sounds/lead.fxp");
    EXPECT_EQ(Args(), "--file-selection\n--title=Open File\n--filename=/home/me/Sounds/\n"
                      "--file-filter=FXP files | *.fxp\n--file-filter=All files | *\n");

    IUserServices::FileRequest save{true, "/home/me/Sounds", "syx", "bank.syx"};
    dialog = FileDialogProcess::Start(save);
    ASSERT_NE(dialog, nullptr);
    Answer(*dialog);
    EXPECT_NE(Args().find("--save\n--confirm-overwrite\n--filename=/home/me/Sounds/bank.syx\n"), std::string::npos);

    // A folder chosen through a save dialog: a blank extension filters nothing.
    dialog = FileDialogProcess::Start({true, "/home/me", " ", "[file name is ignored]"});
    ASSERT_NE(dialog, nullptr);
    Answer(*dialog);
    EXPECT_NE(Args().find("--file-filter=All files | *\n"), std::string::npos);
    EXPECT_EQ(Args().find("*. "), std::string::npos);
}

TEST_F(FakeDialogs, CancelledOrNonsenseAnswersAreEmpty)
{
    Program("zenity", "exit 1");
    auto dialog = FileDialogProcess::Start({});
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Answer(*dialog), "");

    Program("zenity", "echo 'Gtk-WARNING: no display'");  // not a path
    dialog = FileDialogProcess::Start({});
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Answer(*dialog), "");
}

TEST_F(FakeDialogs, KdialogServesWhenThereIsNoZenityAndNeitherMeansNoDialog)
{
    EXPECT_EQ(FileDialogProcess::Start({}), nullptr);
    Program("kdialog", "echo /tmp/wave.wav");
    auto dialog = FileDialogProcess::Start({false, "/tmp", "wav", ""});
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Answer(*dialog), "/tmp/wave.wav");
    EXPECT_EQ(Args(), "--title\nOpen File\n--getopenfilename\n/tmp/\n*.wav|WAV files\n");
}

TEST_F(FakeDialogs, ADialogDroppedWhileOpenIsEndedAndReapedWithNoDescriptorLeft)
{
    Program("zenity", "exec /bin/sleep 30");
    const int fds = OpenFileDescriptors();
    auto dialog = FileDialogProcess::Start({});
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->Poll().has_value());
    int pid = 0;
    ASSERT_TRUE(PumpUntil([] {}, [&] { return bool(std::ifstream(folder / "pid") >> pid); }));
    const auto start = std::chrono::steady_clock::now();
    dialog = nullptr;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(kill(pid, 0), -1);  // gone, not even a zombie
    EXPECT_EQ(OpenFileDescriptors(), fds);
}

}  // namespace
}  // namespace qor::test
