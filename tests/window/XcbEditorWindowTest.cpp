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

TEST(XcbEditorWindowKeys, UnderAWindowManagerKeysGoToTheHostsWindowNotTheFrame)
{
    QOR_SKIP_WITHOUT_DISPLAY();
    XTestHost frame;  // stands for the window manager's frame
    ASSERT_TRUE(frame.Ok());
    xcb_connection_t* c = frame.connection;
    // The host's window inside the frame, marked as a client as managers do,
    // and a plain container in it that the host hands to the plug-in.
    const xcb_window_t client = xcb_generate_id(c), container = xcb_generate_id(c);
    const uint32_t keys = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, client, frame.window, 0, 0, 1080, 680, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      frame.screen->root_visual, XCB_CW_EVENT_MASK, &keys);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, container, client, 0, 0, 1060, 660, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      frame.screen->root_visual, 0, nullptr);
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 8, "WM_STATE"), nullptr);
    ASSERT_NE(atom, nullptr);
    const uint32_t state[2] = {1, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, client, atom->atom, atom->atom, 32, 2, state);
    free(atom);
    xcb_map_window(c, client);
    xcb_map_window(c, container);
    frame.Sync();

    auto window = XcbEditorWindow::Open(container, 1024, 600);
    ASSERT_NE(window, nullptr);
    Recorder events;
    events.takeKeys = false;
    ASSERT_TRUE(PumpUntil([&] { window->Poll(events); }, [&] { return events.exposed > 0; }));
    frame.Click(10, 10);
    ASSERT_TRUE(PumpUntil([&] { window->Poll(events); }, [&] { return events.Has("up 10,10"); }));
    ASSERT_TRUE(PumpUntil([&] { window->Poll(events); }, [&] { return frame.FocusIs(window->Id()); }));
    frame.Type(0xffbe /* F1 */);
    int atClient = 0;
    EXPECT_TRUE(PumpUntil(
        [&] {
            window->Poll(events);
            while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
                const uint8_t type = e->response_type & 0x7f;
                if ((type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) &&
                    reinterpret_cast<xcb_key_press_event_t*>(e)->event == client)
                    ++atClient;
                free(e);
            }
        },
        [&] { return atClient == 2; }));
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
    // The pixels travel on the editor's connection; the check reads on another.
    EXPECT_TRUE(PumpUntil([] {}, [&] { return pixelAt(505, 305) == 0xabcdefu; }));
    EXPECT_EQ(pixelAt(0, 0), 0x123456u);
    EXPECT_EQ(pixelAt(1023, 599), 0x123456u);
    EXPECT_EQ(pixelAt(505, 305), 0xabcdefu);
    EXPECT_EQ(pixelAt(510, 310), 0x123456u);
}

}  // namespace
}  // namespace qor::test
