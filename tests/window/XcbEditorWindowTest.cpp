#include "framework/linux/XcbEditorWindow.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/window/XTestHost.h"

namespace qor::test {
namespace {

// Records what the window reports, one line per event.
struct Recorder : IWindowEvents {
    std::vector<std::string> seen;
    bool takeKeys = true;
    int exposed = 0;

    static std::string Mods(const IMouseMod& m)
    {
        std::string s;
        if (m.left) s += "L";
        if (m.right) s += "R";
        if (m.shift) s += "S";
        if (m.control) s += "C";
        if (m.alt) s += "A";
        return s;
    }
    void Add(std::string s) { seen.push_back(std::move(s)); }
    void WindowMouseDown(int x, int y, const IMouseMod& m) override
    {
        Add("down " + std::to_string(x) + "," + std::to_string(y) + " " + Mods(m));
    }
    void WindowMouseUp(int x, int y, const IMouseMod& m) override { Add("up " + std::to_string(x) + "," + std::to_string(y)); }
    void WindowMouseDrag(int x, int y, int dX, int dY, const IMouseMod& m) override
    {
        Add("drag " + std::to_string(dX) + "," + std::to_string(dY));
    }
    void WindowDoubleClick(int x, int y, const IMouseMod& m) override { Add("double " + std::to_string(x) + "," + std::to_string(y)); }
    void WindowMouseWheel(int x, int y, const IMouseMod& m, float delta) override
    {
        Add("wheel " + std::to_string(int(delta)));
    }
    void WindowMouseMove(int x, int y, const IMouseMod& m) override { Add("move " + std::to_string(x) + "," + std::to_string(y)); }
    void WindowMouseLeave() override { Add("leave"); }
    bool WindowKeyDown(int x, int y, const ITypedKey& key) override
    {
        Add("key " + std::to_string(key.PanelKey()) + (key.kind == ITypedKey::Kind::Escape ? " escape" : ""));
        return takeKeys && key.PanelKey() >= 0;
    }
    void WindowExposed(const gfx::Rect&) override { ++exposed; }

    bool Has(const std::string& s) const { return std::find(seen.begin(), seen.end(), s) != seen.end(); }
    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const auto& s : seen) n += s.rfind(prefix, 0) == 0;
        return n;
    }
};

class XcbEditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QOR_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(host.Ok());
        window = XcbEditorWindow::Open(host.window, 1024, 600);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(PumpUntil([&] { window->Poll(events); }, [&] { return events.exposed > 0; }));
    }
    bool Until(const std::function<bool()>& done)
    {
        host.Sync();
        return PumpUntil([&] { window->Poll(events); }, done);
    }

    XTestHost host;
    std::unique_ptr<XcbEditorWindow> window;
    Recorder events;
};

TEST_F(XcbEditorWindowTest, ClicksDragsWheelAndLeavingArriveInWindowPixels)
{
    host.MoveTo(100, 50);
    host.Press(1);
    host.MoveTo(100, 50);  // no change: no drag
    host.MoveTo(104, 40);
    host.Release(1);
    EXPECT_TRUE(Until([&] { return events.Has("up 104,40"); }));
    EXPECT_TRUE(events.Has("down 100,50 L"));
    EXPECT_EQ(events.Count("drag"), 1);
    EXPECT_TRUE(events.Has("drag 4,-10"));

    host.MoveTo(300, 200);
    host.Press(3);
    host.Release(3);
    host.Press(4);
    host.Release(4);
    host.Press(5);
    host.Release(5);
    EXPECT_TRUE(Until([&] { return events.Has("wheel -1"); }));
    EXPECT_TRUE(events.Has("down 300,200 R"));
    EXPECT_TRUE(events.Has("wheel 1"));
    EXPECT_TRUE(events.Has("move 300,200"));

    host.MoveTo(1050, 650);  // outside the editor, inside the host
    EXPECT_TRUE(Until([&] { return events.Has("leave"); }));
}

TEST_F(XcbEditorWindowTest, TwoQuickPressesInPlaceAreADoubleClickButApartTheyAreNot)
{
    host.Click(200, 100);
    host.Click(202, 101);
    EXPECT_TRUE(Until([&] { return events.Has("double 202,101"); }));
    EXPECT_EQ(events.Count("down"), 1);

    events.seen.clear();
    host.Click(400, 100);
    host.Click(420, 100);  // too far
    EXPECT_TRUE(Until([&] { return events.Count("up") == 2; }));
    EXPECT_EQ(events.Count("down"), 2);
    EXPECT_EQ(events.Count("double"), 0);
}

TEST_F(XcbEditorWindowTest, KeysNoControlTakesReachTheHostsWindow)
{
    host.Click(10, 10);  // focus
    ASSERT_TRUE(Until([&] { return events.Has("up 10,10"); }));
    host.TakeKeys();
    host.Type('a');                     // taken by the editor
    host.Type(0xffbe /* F1 */);         // nobody takes it
    EXPECT_TRUE(Until([&] { return events.Count("key") == 2; }));
    EXPECT_TRUE(events.Has("key 15"));
    EXPECT_TRUE(events.Has("key -1"));

    std::vector<XTestHost::KeySeen> keys;
    const auto a = host.KeyCode('a'), f1 = host.KeyCode(0xffbe);
    ASSERT_TRUE(PumpUntil([&] { window->Poll(events); for (auto k : host.TakeKeys()) keys.push_back(k); },
                          [&] { return keys.size() >= 3; }));
    // F1 down and up, and the release of 'a' (releases always go on).
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_TRUE(keys[0].synthetic);
    EXPECT_EQ(keys[0].code, a);
    EXPECT_FALSE(keys[0].press);
    EXPECT_EQ(keys[1].code, f1);
    EXPECT_TRUE(keys[1].press);
    EXPECT_EQ(keys[2].code, f1);
    EXPECT_FALSE(keys[2].press);
}

TEST_F(XcbEditorWindowTest, PixelsPutReachTheScreen)
{
    std::vector<uint32_t> pixels(1024 * 600, 0x00123456);
    window->Put(pixels.data(), 1024, {0, 0, 1024, 600});
    std::fill(pixels.begin(), pixels.end(), 0x00abcdef);
    window->Put(pixels.data(), 1024, {500, 300, 510, 310});
    window->Flush();
    auto pixelAt = [&](int x, int y) {
        auto* image = xcb_get_image_reply(
            host.connection,
            xcb_get_image(host.connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window->Id(), int16_t(x), int16_t(y), 1, 1, ~0u),
            nullptr);
        uint32_t value = 0;
        if (image && xcb_get_image_data_length(image) >= 4) std::memcpy(&value, xcb_get_image_data(image), 4);
        free(image);
        return value & 0xffffff;
    };
    EXPECT_EQ(pixelAt(0, 0), 0x123456u);
    EXPECT_EQ(pixelAt(1023, 599), 0x123456u);
    EXPECT_EQ(pixelAt(505, 305), 0xabcdefu);
    EXPECT_EQ(pixelAt(510, 310), 0x123456u);
}

TEST(XcbEditorWindowLife, ParentDestroyedFirstLeavesAQuietWindowAndOpeningAgainLeaksNothing)
{
    QOR_SKIP_WITHOUT_DISPLAY();
    {
        XTestHost host;
        ASSERT_TRUE(host.Ok());
        auto window = XcbEditorWindow::Open(host.window, 1024, 600);
        ASSERT_NE(window, nullptr);
        host.DestroyWindow();
        Recorder events;
        EXPECT_TRUE(PumpUntil([&] { window->Poll(events); }, [&] { return !window->Alive(); }));
        std::vector<uint32_t> pixels(16, 0);
        window->Put(pixels.data(), 4, {0, 0, 4, 4});  // nothing to put it on: ignored
        window = nullptr;
        EXPECT_TRUE(host.Ok());
    }
    XTestHost host;
    ASSERT_TRUE(host.Ok());
    EXPECT_EQ(XcbEditorWindow::Open(0x1fffff, 1024, 600), nullptr);  // no such window
    const int fds = OpenFileDescriptors();
    for (int i = 0; i < 50; ++i) {
        auto window = XcbEditorWindow::Open(host.window, 1024, 600);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(host.ChildCount(), 1);
        window = nullptr;
        EXPECT_TRUE(PumpUntil([] {}, [&] { return host.ChildCount() == 0; }));
    }
    EXPECT_EQ(OpenFileDescriptors(), fds);
}

}  // namespace
}  // namespace qor::test
