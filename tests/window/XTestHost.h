// A host's window on a real X server for the editor window's tests: its own
// XCB connection, a top-level window to be the editor's parent, and XTest to
// move the pointer, click and type as a musician would. Tests skip when no
// display is set (run them under xvfb-run).
#pragma once

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "graphics/Rect.h"

namespace qor::test {

#define QOR_SKIP_WITHOUT_DISPLAY()                                                            \
    do {                                                                                      \
        const char* display = std::getenv("DISPLAY");                                         \
        if (!display || !*display) GTEST_SKIP() << "no X display (DISPLAY unset): run under xvfb-run"; \
    } while (0)

class XTestHost {
public:
    XTestHost(int width = 1100, int height = 700)
    {
        LockDisplay(+1);
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection)) return;
        screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        window = xcb_generate_id(connection);
        const uint32_t values[] = {screen->black_pixel,
                                   XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                                       XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, uint16_t(width),
                          uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        xcb_map_window(connection, window);
        symbols = xcb_key_symbols_alloc(connection);
        Sync();
    }
    ~XTestHost()
    {
        if (symbols) xcb_key_symbols_free(symbols);
        if (connection) {
            if (window) xcb_destroy_window(connection, window);
            Sync();  // gone before the next test's windows appear where it was
            xcb_disconnect(connection);
        }
        LockDisplay(-1);
    }
    bool Ok() const { return connection && !xcb_connection_has_error(connection); }
    void* Parent() const { return reinterpret_cast<void*>(uintptr_t(window)); }

    void Sync() { free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)); }

    // Window coordinates of the host's window (the editor sits at its origin).
    void MoveTo(int x, int y)
    {
        xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen->root, int16_t(x),
                            int16_t(y), 0);
        Sync();
    }
    void Press(int button) { Fake(XCB_BUTTON_PRESS, uint8_t(button)); }
    void Release(int button) { Fake(XCB_BUTTON_RELEASE, uint8_t(button)); }
    void Click(int x, int y, int button = 1)
    {
        MoveTo(x, y);
        Press(button);
        Release(button);
    }
    xcb_keycode_t KeyCode(xcb_keysym_t sym)
    {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, sym);
        const xcb_keycode_t code = codes ? codes[0] : 0;
        free(codes);
        return code;
    }
    void KeyDown(xcb_keysym_t sym) { Fake(XCB_KEY_PRESS, KeyCode(sym)); }
    void KeyUp(xcb_keysym_t sym) { Fake(XCB_KEY_RELEASE, KeyCode(sym)); }
    void Type(xcb_keysym_t sym)
    {
        KeyDown(sym);
        KeyUp(sym);
    }

    bool FocusIs(xcb_window_t w)
    {
        auto* reply = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
        const bool is = reply && reply->focus == w;
        free(reply);
        return is;
    }

    // The first child of the host's window (the editor's), or 0.
    xcb_window_t FirstChild()
    {
        auto* reply = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
        const xcb_window_t child =
            reply && xcb_query_tree_children_length(reply) > 0 ? xcb_query_tree_children(reply)[0] : 0;
        free(reply);
        return child;
    }

    // Children of the host's window (the editor's window while it is open).
    int ChildCount()
    {
        auto* reply = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
        const int n = reply ? xcb_query_tree_children_length(reply) : -1;
        free(reply);
        return n;
    }

    // Key events that reached the host's own window.
    struct KeySeen {
        bool press;
        xcb_keycode_t code;
        bool synthetic;
    };
    std::vector<KeySeen> TakeKeys()
    {
        std::vector<KeySeen> keys;
        while (xcb_generic_event_t* e = xcb_poll_for_event(connection)) {
            const uint8_t type = e->response_type & 0x7f;
            if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
                auto* k = reinterpret_cast<xcb_key_press_event_t*>(e);
                if (k->event == window) keys.push_back({type == XCB_KEY_PRESS, k->detail, (e->response_type & 0x80) != 0});
            }
            free(e);
        }
        return keys;
    }

    void DestroyWindow()
    {
        xcb_destroy_window(connection, window);
        window = 0;
        Sync();
    }

    xcb_connection_t* connection = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_window_t window = 0;
    xcb_key_symbols_t* symbols = nullptr;

private:
    // One pointer and keyboard per display: tests in other processes (ctest
    // -j) wait their turn. Hosts within one process share the lock.
    static void LockDisplay(int step)
    {
        static int depth = 0, fd = -1;
        if (step > 0 && depth++ == 0) {
            const char* display = std::getenv("DISPLAY");
            std::string name = "qor-xtest" + std::string(display ? display : "") + ".lock";
            for (char& c : name)
                if (c == '/' || c == ':') c = '-';
            fd = open((std::filesystem::temp_directory_path() / name).c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
            if (fd >= 0) flock(fd, LOCK_EX);
        } else if (step < 0 && --depth == 0 && fd >= 0) {
            close(fd);  // releases the lock
            fd = -1;
        }
    }

    void Fake(uint8_t type, uint8_t detail)
    {
        xcb_test_fake_input(connection, type, detail, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        Sync();
    }
};

// Calls `step` until `done` holds or the time has passed; true when it held.
inline bool PumpUntil(const std::function<void()>& step, const std::function<bool()>& done,
                      std::chrono::milliseconds patience = std::chrono::seconds(1))
{
    const auto end = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < end) {
        step();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    step();
    return done();
}

// The number of open file descriptors of this process.
inline int OpenFileDescriptors()
{
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

}  // namespace qor::test
