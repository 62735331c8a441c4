// The editor in a real X11 window: a host window on its own connection is
// the parent, XTest clicks, drags and types, and the controls, the boxes the
// editor draws itself and the host's window hear what they should.
#include "framework/linux/IGraphicsLinux.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/IControl.h"
#include "tests/framework/TestPlug.h"
#include "tests/window/XTestHost.h"

namespace qor::test {
namespace {

constexpr int kDetune = 1;  // integer -50..50
constexpr xcb_keysym_t kEscape = 0xff1b, kReturn = 0xff0d, kDown = 0xff54, kRight = 0xff53, kF1 = 0xffbe;

// A control that writes down what reaches it and paints itself red by its value.
class Pad : public IControl {
public:
    Pad(IPlugBase& plug, const gfx::Rect& r, int param, std::vector<std::string>& log, bool takesDouble)
        : IControl(plug, r, param), mLog(log), mTakesDouble(takesDouble)
    {
    }
    void OnMouseDown(int x, int y, const IMouseMod& mod) override
    {
        mLog.push_back(std::string("down") + (mod.right ? " right" : "") + (mod.shift ? " shift" : ""));
        if (mod.right && GetGraphics()) GetGraphics()->PromptUserInput(*this);
    }
    void OnMouseUp(int x, int y, const IMouseMod& mod) override { mLog.push_back("up"); }
    void OnMouseDrag(int x, int y, int dX, int dY, const IMouseMod& mod) override
    {
        mLog.push_back("drag " + std::to_string(dX) + "," + std::to_string(dY));
        mValue += -dY / 100.0;
        SetDirty(true);
    }
    bool OnMouseDblClick(int x, int y, const IMouseMod& mod) override
    {
        mLog.push_back("double");
        return mTakesDouble;
    }
    void OnMouseWheel(int x, int y, const IMouseMod& mod, float delta) override
    {
        mLog.push_back("wheel " + std::to_string(int(delta)));
    }
    bool OnKeyDown(int x, int y, int key) override
    {
        mLog.push_back("key " + std::to_string(key));
        return key != kKeySpace;  // takes every key but space
    }
    void OnMouseOver(int x, int y, const IMouseMod& mod) override
    {
        if (mLog.empty() || mLog.back() != "over") mLog.push_back("over");
    }
    void OnMouseOut() override { mLog.push_back("out"); }
    void Draw(IGraphics& graphics, gfx::Surface& surface) override
    {
        surface.FillRect(mRECT, {255, uint8_t(255 * mValue), 0, 40});
    }

private:
    std::vector<std::string>& mLog;
    bool mTakesDouble;
};

class EditorWindow : public ::testing::Test {
protected:
    static constexpr gfx::Rect kPad{100, 100, 200, 200};
    static constexpr gfx::Rect kValuePad{300, 100, 400, 200};

    void SetUp() override
    {
        QOR_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(host.Ok());
        gTestHost = &recorder;
        plug = std::make_unique<TestPlug>(&TestHostCallback);
        editor = std::make_unique<IGraphicsLinux>(*plug, 1024, 600);
        editor->AttachControl(std::make_unique<Pad>(*plug, gfx::Rect{0, 0, 1024, 600}, -1, backLog, false));
        editor->AttachControl(std::make_unique<Pad>(*plug, kPad, -1, log, true));
        editor->AttachControl(std::make_unique<Pad>(*plug, kValuePad, kDetune, valueLog, false));
        plug->AttachEditor(editor.get());
        ASSERT_TRUE(editor->OpenWindow(host.Parent()));
        Idle();
    }
    void TearDown() override
    {
        if (plug) plug->AttachEditor(nullptr);
        editor.reset();
        plug.reset();
        gTestHost = nullptr;
    }
    void Idle() { editor->Idle(); }
    bool Until(const std::function<bool()>& done)
    {
        host.Sync();
        return PumpUntil([&] { Idle(); }, done);
    }
    bool Logged(const std::vector<std::string>& where, const std::string& what)
    {
        return Until([&] { return std::find(where.begin(), where.end(), what) != where.end(); });
    }
    uint32_t ScreenPixel(int x, int y)
    {
        auto* image = xcb_get_image_reply(host.connection,
                                          xcb_get_image(host.connection, XCB_IMAGE_FORMAT_Z_PIXMAP,
                                                        editor->WindowId(), int16_t(x), int16_t(y), 1, 1, ~0u),
                                          nullptr);
        uint32_t value = 0;
        if (image && xcb_get_image_data_length(image) >= 4) std::memcpy(&value, xcb_get_image_data(image), 4);
        free(image);
        return value & 0xffffff;
    }
    // A few frames of idle calls: what was sent has arrived.
    void Settle()
    {
        host.Sync();
        PumpUntil([&] { Idle(); }, [] { return false; }, std::chrono::milliseconds(150));
    }
    void ClickAndSettle(int x, int y, int button = 1)
    {
        host.Click(x, y, button);
        Settle();
    }
    // The editor asks for the keyboard on its own connection: wait for it.
    bool Focused() { return Until([&] { return host.FocusIs(editor->WindowId()); }); }
    double Detune() { return plug->GetParam(kDetune)->Value(); }

    XTestHost host;
    TestHost recorder;
    std::unique_ptr<TestPlug> plug;
    std::unique_ptr<IGraphicsLinux> editor;
    std::vector<std::string> log, valueLog, backLog;
};

TEST_F(EditorWindow, ControlsHearClicksDragsDoubleClicksWheelAndKeys)
{
    host.MoveTo(150, 150);
    EXPECT_TRUE(Logged(log, "over"));
    host.Press(1);
    host.MoveTo(150, 140);
    host.Release(1);
    EXPECT_TRUE(Logged(log, "up"));
    EXPECT_EQ(log, (std::vector<std::string>{"over", "down", "drag 0,-10", "up"}));
    log.clear();

    host.Click(150, 150);
    host.Click(151, 150);
    EXPECT_TRUE(Logged(log, "double"));
    EXPECT_TRUE(Logged(log, "up"));

    host.Press(4);
    host.Release(4);
    EXPECT_TRUE(Logged(log, "wheel 1"));
    host.Type('q');
    EXPECT_TRUE(Logged(log, "key " + std::to_string(kKeyLetterA + 16)));

    host.MoveTo(600, 400);  // onto the background pad
    EXPECT_TRUE(Logged(log, "out"));

    // A second quick press where nothing takes a double click is a press.
    host.Click(600, 400);
    host.Click(601, 400);
    EXPECT_TRUE(Until([&] { return std::count(backLog.begin(), backLog.end(), "down") == 2; }));
}

TEST_F(EditorWindow, KeysNoControlTakesGoToTheHostsWindow)
{
    ClickAndSettle(150, 150);
    host.TakeKeys();
    host.Type(' ');  // the pad refuses space
    host.Type(kF1);
    EXPECT_TRUE(Logged(log, "key 0"));
    std::vector<XTestHost::KeySeen> keys;
    EXPECT_TRUE(PumpUntil([&] { Idle(); for (auto k : host.TakeKeys()) keys.push_back(k); },
                          [&] { return keys.size() >= 4; }));
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].code, host.KeyCode(' '));
    EXPECT_TRUE(keys[0].press);
    EXPECT_EQ(keys[2].code, host.KeyCode(kF1));
    EXPECT_TRUE(keys[2].press);
}

TEST_F(EditorWindow, ChangedControlsReachTheScreen)
{
    EXPECT_TRUE(Until([&] { return ScreenPixel(150, 150) == 0x000028u; }));
    host.MoveTo(150, 150);
    host.Press(1);
    host.MoveTo(150, 100);  // value 0.5
    host.Release(1);
    EXPECT_TRUE(Until([&] { return ScreenPixel(150, 150) == 0x7f0028u; }));
    EXPECT_EQ(ScreenPixel(50, 50), 0x000028u);
}

TEST_F(EditorWindow, APopupMenuAnswersByKeysAndByClicks)
{
    IPopupMenu menu;
    menu.Add("Load", 1);
    menu.AddSeparator();
    IPopupMenu& more = menu.AddSubmenu("More");
    more.Add("Update", 20);
    more.Add("Web", 21);
    std::vector<int> answers;
    editor->ShowPopupMenu(menu, 500, 300, [&](int tag) { answers.push_back(tag); });
    ClickAndSettle(150, 150);  // outside the menu: dismissed, the pad hears nothing
    EXPECT_EQ(answers, std::vector<int>{-1});
    EXPECT_TRUE(log.empty() || log == std::vector<std::string>{"over"});

    editor->ShowPopupMenu(menu, 500, 300, [&](int tag) { answers.push_back(tag); });
    ASSERT_TRUE(Focused());
    for (xcb_keysym_t key : {kDown, kDown, kRight, kDown, kReturn}) host.Type(key);
    EXPECT_TRUE(Until([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers.back(), 21);

    editor->ShowPopupMenu(menu, 500, 300, [&](int tag) { answers.push_back(tag); });
    ClickAndSettle(500 + 20, 300 + IMenuView::kPadding + IMenuView::kItemHeight / 2);
    EXPECT_EQ(answers.back(), 1);
}

TEST_F(EditorWindow, AMessageBoxIsAnsweredYesOrNo)
{
    std::vector<int> answers;
    const auto ask = [&] {
        editor->ShowMessage("Replace the program?", "QOR", IUserServices::kYesNo | IUserServices::kIconInformation,
                            [&](int a) { answers.push_back(a); });
        Idle();
        ASSERT_TRUE(Focused());  // a box takes the keys
    };
    ask();
    host.Type(kReturn);
    EXPECT_TRUE(Until([&] { return answers.size() == 1; }));
    ask();
    host.Type(kEscape);
    EXPECT_TRUE(Until([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers, (std::vector<int>{IUserServices::kAnswerYes, IUserServices::kAnswerNo}));
    EXPECT_TRUE(log.empty() || log == std::vector<std::string>{"over"});  // the controls heard nothing
}

TEST_F(EditorWindow, TheValueBoxLeavesTheValueOnEscapeTakesItOnEnterAndAWheelCancels)
{
    const int x = (kValuePad.left + kValuePad.right) / 2, y = (kValuePad.top + kValuePad.bottom) / 2;
    ClickAndSettle(x, y, 3);  // right click: the value box
    host.Type('1');
    host.Type('2');
    host.Type(kEscape);
    Settle();
    EXPECT_EQ(Detune(), 0.0);

    ClickAndSettle(x, y, 3);
    host.Type('-');
    host.Type('a');  // refused
    host.Type('7');
    host.Type(kReturn);
    EXPECT_TRUE(Until([&] { return Detune() == -7.0; }));

    ClickAndSettle(x, y, 3);
    host.Type('9');
    host.Press(5);
    host.Release(5);
    Settle();
    EXPECT_EQ(Detune(), -7.0);
    // The host heard the typed value as one gesture.
    std::lock_guard<std::mutex> guard(recorder.mutex);
    EXPECT_EQ(recorder.beginEdits, std::vector<int>{kDetune});
    EXPECT_EQ(recorder.endEdits, std::vector<int>{kDetune});
}

// Stand-in dialog programs on PATH (see FileDialogProcessTest for the same idea).
class EditorFileDialogs : public EditorWindow {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() / ("qor-editor-dialogs-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        if (const char* path = std::getenv("PATH")) oldPath = path;
        setenv("PATH", folder.c_str(), 1);
        EditorWindow::SetUp();
    }
    void TearDown() override
    {
        EditorWindow::TearDown();
        setenv("PATH", oldPath.c_str(), 1);
        std::filesystem::remove_all(folder);
    }
    void Zenity(const std::string& body)
    {
        const auto file = folder / "zenity";
        std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }
    std::filesystem::path folder;
    std::string oldPath;
};

TEST_F(EditorFileDialogs, TheDialogsAnswerArrivesOnIdleAndASecondRequestMeanwhileIsEmpty)
{
    Zenity("/bin/sleep 0.2; echo /tmp/bank.fxb");
    std::vector<std::string> paths;
    editor->ChooseFile({false, "/tmp", "fxb", ""}, [&](const std::string& p) { paths.push_back(p); });
    editor->ChooseFile({false, "/tmp", "fxb", ""}, [&](const std::string& p) { paths.push_back(p); });
    EXPECT_TRUE(paths.empty());  // nothing answers inside the request
    EXPECT_TRUE(Until([&] { return paths.size() == 2; }));
    EXPECT_EQ(paths, (std::vector<std::string>{"", "/tmp/bank.fxb"}));
}

TEST_F(EditorFileDialogs, ClosingTheEditorEndsARunningDialogWithNoPath)
{
    Zenity("exec /bin/sleep 30");
    std::vector<std::string> paths;
    const int fds = OpenFileDescriptors();
    editor->ChooseFile({true, "/tmp", "fxp", "lead.fxp"}, [&](const std::string& p) { paths.push_back(p); });
    editor->CloseWindow();
    EXPECT_EQ(paths, std::vector<std::string>{""});
    host.Sync();
    EXPECT_LT(OpenFileDescriptors(), fds);  // the window's connection and the dialog's pipe are closed
}

TEST_F(EditorFileDialogs, WithoutADialogProgramThePathIsTypedIntoTheEditor)
{
    std::vector<std::string> paths;
    editor->ChooseFile({false, "/tmp", "syx", ""}, [&](const std::string& p) { paths.push_back(p); });
    Idle();
    ASSERT_TRUE(Focused());
    for (char c : std::string("a.syx")) host.Type(xcb_keysym_t(c));  // replaces the offered folder
    host.Type(kReturn);
    EXPECT_TRUE(Until([&] { return paths.size() == 1; }));
    EXPECT_EQ(paths[0], "a.syx");
}

TEST_F(EditorFileDialogs, AWebAddressIsHandedToXdgOpenWithoutWaiting)
{
    const auto marker = folder / "opened";
    const auto file = folder / "xdg-open";
    std::ofstream(file) << "#!/bin/sh\necho \"$1\" > '" << marker.string() << ".tmp'\n/bin/mv '" << marker.string()
                        << ".tmp' '" << marker.string() << "'\n";
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    const int fds = OpenFileDescriptors();
    editor->OpenAddress("https://example.org/qor");
    std::string opened;
    EXPECT_TRUE(Until([&] { return bool(std::getline(std::ifstream(marker) >> std::ws, opened)); }));
    EXPECT_EQ(opened, "https://example.org/qor");
    EXPECT_TRUE(Until([&] { return OpenFileDescriptors() == fds; }));  // reaped on idle, pipe closed
}

TEST(EditorWindowLife, AParentDestroyedBeforeCloseLeavesTheHostRunning)
{
    QOR_SKIP_WITHOUT_DISPLAY();
    XTestHost host;
    ASSERT_TRUE(host.Ok());
    TestPlug plug(nullptr);
    IGraphicsLinux editor(plug, 1024, 600);
    ASSERT_TRUE(editor.OpenWindow(host.Parent()));
    std::vector<int> answers;
    editor.ShowMessage("Still there?", "QOR", IUserServices::kYesNo, [&](int a) { answers.push_back(a); });
    host.DestroyWindow();
    EXPECT_TRUE(PumpUntil([&] { editor.Idle(); }, [&] { return !editor.WindowIsOpen(); }));
    EXPECT_EQ(answers, std::vector<int>{IUserServices::kAnswerNo});  // answered, as dismissed
    editor.CloseWindow();  // the host's close comes after: nothing left to do
    EXPECT_TRUE(host.Ok());
}

}  // namespace
}  // namespace qor::test
