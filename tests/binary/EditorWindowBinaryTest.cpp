// The built qor.so's editor in a real X11 window, as a Linux host opens it:
// effEditOpen with the host's window, effEditIdle, XTest for the musician.
#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "BinaryHost.h"
#include "plugin/PanelLayout.h"
#include "tests/window/XTestHost.h"

namespace qor::test::binary {
namespace {

constexpr int kVolume = 0, kWorking = 7;
constexpr xcb_keysym_t kReturn = 0xff0d, kEscape = 0xff1b;

// Where things are on the panel, in editor pixels: the middle of a control.
struct PanelPoint {
    int x, y;
};
constexpr PanelPoint Middle(const gfx::Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
constexpr PanelPoint FieldCentre(int param) { return Middle(panel::ParameterField(param)); }
constexpr PanelPoint kKnob{panel::kVolumeKnobX + panel::kKnobFrame.width / 2,
                           panel::kVolumeKnobY + panel::kKnobFrame.height / 2};
constexpr PanelPoint kProtectSwitch{panel::kProtectSwitchX + panel::kProtectSwitchFrame.width / 2,
                                    panel::kProtectSwitchY + panel::kProtectSwitchFrame.height / 2};
// The wave display lies over the name field but takes no clicks.
constexpr PanelPoint kProgramName = Middle(panel::kProgramName);

void* ParentOf(const XTestHost& x) { return x.Parent(); }

class EditorWindowBinary : public BinaryTest {
protected:
    void SetUp() override
    {
        QOR_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(x.Ok());
        Load();
    }
    bool Open(BinaryHost& h) { return h.Dispatch(vst::effEditOpen, 0, 0, ParentOf(x)) == 1; }
    // Idle calls for as long as it takes (a second at most).
    bool Until(const std::function<bool()>& done, BinaryHost* other = nullptr)
    {
        x.Sync();
        return PumpUntil(
            [&] {
                host.Dispatch(vst::effEditIdle);
                if (other) other->Dispatch(vst::effEditIdle);
            },
            done);
    }
    // A few frames of idle calls: what was sent has arrived.
    void Settle()
    {
        x.Sync();
        PumpUntil([&] { host.Dispatch(vst::effEditIdle); }, [] { return false; }, std::chrono::milliseconds(150));
    }
    double Working() { return host.GetParameter(kWorking) * 41.0 + 8.0; }

    XTestHost x;
};

TEST_F(EditorWindowBinary, ClickingAFieldMakesItTheWorkingParameter)
{
    ASSERT_TRUE(Open(host));
    Settle();
    const PanelPoint field = FieldCentre(20);
    x.Click(field.x, field.y);
    EXPECT_TRUE(Until([&] { return std::lround(Working()) == 20; }));
    const PanelPoint other = FieldCentre(43);
    x.Click(other.x, other.y);
    EXPECT_TRUE(Until([&] { return std::lround(Working()) == 43; }));
    host.Dispatch(vst::effEditClose);
}

TEST_F(EditorWindowBinary, DraggingTheVolumeKnobIsOneGestureForTheHost)
{
    ASSERT_TRUE(Open(host));
    Settle();
    host.TakeEdits();
    const float before = host.GetParameter(kVolume);
    x.MoveTo(kKnob.x, kKnob.y);
    x.Press(1);
    for (int step = 1; step <= 5; ++step) {
        x.MoveTo(kKnob.x, kKnob.y - 4 * step);
        Settle();
    }
    x.Release(1);
    Settle();
    EXPECT_GT(host.GetParameter(kVolume), before);
    const auto edits = host.TakeEdits();
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(edits.front(), (BinaryHost::EditCall{vst::audioMasterBeginEdit, kVolume}));
    EXPECT_EQ(edits.back(), (BinaryHost::EditCall{vst::audioMasterEndEdit, kVolume}));
    for (size_t i = 1; i + 1 < edits.size(); ++i)
        EXPECT_EQ(edits[i], (BinaryHost::EditCall{vst::audioMasterAutomate, kVolume})) << i;
    host.Dispatch(vst::effEditClose);
}

TEST_F(EditorWindowBinary, AProgramNameIsTypedIntoThePanel)
{
    ASSERT_TRUE(Open(host));
    Settle();
    // Memory protection is on at first and keeps names out: the switch turns it off.
    x.Click(kProtectSwitch.x, kProtectSwitch.y);
    Settle();
    x.Click(kProgramName.x, kProgramName.y);
    Settle();  // the click opens the name box
    ASSERT_TRUE(x.FocusIs(x.FirstChild()));
    for (char c : std::string("warm pad")) x.Type(xcb_keysym_t(c));
    x.Type(kReturn);
    EXPECT_TRUE(Until([&] { return host.ProgramName() == "warm pad"; })) << host.ProgramName();

    // Escape leaves the name as it is.
    x.Click(kProgramName.x, kProgramName.y);
    Settle();
    for (char c : std::string("cold")) x.Type(xcb_keysym_t(c));
    x.Type(kEscape);
    Settle();
    EXPECT_EQ(host.ProgramName(), "warm pad");
    host.Dispatch(vst::effEditClose);
}

TEST_F(EditorWindowBinary, TwoInstancesWithEditorsOpenWorkApartAndCloseClean)
{
    BinaryHost second;
    ASSERT_TRUE(second.Create());
    second.Start();
    ASSERT_TRUE(Open(host));
    // The second editor sits lower in the host's window, as a second plug-in would.
    XTestHost y;
    ASSERT_TRUE(y.Ok());
    ASSERT_EQ(second.Dispatch(vst::effEditOpen, 0, 0, y.Parent()), 1);
    Until([] { return false; }, &second);
    // The second host's window lies on top at the same place: its editor
    // takes the click, the first one hears nothing.
    const PanelPoint field = FieldCentre(30);
    x.Click(field.x, field.y);
    EXPECT_TRUE(Until([&] { return std::lround(second.GetParameter(kWorking) * 41.0 + 8.0) == 30; }, &second));
    EXPECT_NE(std::lround(Working()), 30);
    second.Dispatch(vst::effEditClose);
    host.Dispatch(vst::effEditClose);
    second.Close();
}

TEST_F(EditorWindowBinary, OpenedAndClosedFiftyTimesLeavesNoWindowOrDescriptor)
{
    ASSERT_TRUE(Open(host));  // the first opening loads fonts and bitmaps for good
    Settle();
    host.Dispatch(vst::effEditClose);
    ASSERT_TRUE(PumpUntil([] {}, [&] { return x.ChildCount() == 0; }));
    const int fds = OpenFileDescriptors();
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(Open(host));
        host.Dispatch(vst::effEditIdle);
        EXPECT_EQ(x.ChildCount(), 1);
        host.Dispatch(vst::effEditClose);
        ASSERT_TRUE(PumpUntil([] {}, [&] { return x.ChildCount() == 0; }));
    }
    EXPECT_EQ(OpenFileDescriptors(), fds);
}

TEST_F(EditorWindowBinary, AParentDestroyedBeforeCloseLeavesTheHostRunning)
{
    ASSERT_TRUE(Open(host));
    Settle();
    x.DestroyWindow();
    Settle();
    host.Dispatch(vst::effEditClose);
    EXPECT_TRUE(x.Ok());
    std::vector<float> left(256), right(256);
    host.Render(left, right);  // still playing
    XTestHost fresh;
    ASSERT_TRUE(fresh.Ok());
    EXPECT_EQ(host.Dispatch(vst::effEditOpen, 0, 0, fresh.Parent()), 1);  // and opens again
    host.Dispatch(vst::effEditClose);
}

// The editor works on the host's thread while another thread renders: the
// thread sanitizer run of CI watches this one.
class EditorConcurrency : public EditorWindowBinary {};

TEST_F(EditorConcurrency, TheEditorIsUsedWhileAnotherThreadRenders)
{
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::vector<float> left(128), right(128);
        while (!stop.load()) host.Render(left, right);
    });
    ASSERT_TRUE(Open(host));
    Settle();
    x.MoveTo(kKnob.x, kKnob.y);
    x.Press(1);
    x.MoveTo(kKnob.x, kKnob.y - 20);
    x.Release(1);
    const PanelPoint field = FieldCentre(25);
    x.Click(field.x, field.y);
    EXPECT_TRUE(Until([&] { return std::lround(Working()) == 25; }));
    host.SetParameter(kVolume, 0.2f);  // host automation while the editor is open
    Settle();
    host.Dispatch(vst::effEditClose);
    stop = true;
    audio.join();
}

}  // namespace
}  // namespace qor::test::binary

#endif
