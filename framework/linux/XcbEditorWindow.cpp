#include "framework/linux/XcbEditorWindow.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace qor {

namespace {

// X modifier and button state bits.
constexpr uint16_t kShiftMask = 1, kControlMask = 4, kAltMask = 8;
constexpr uint16_t kButton1Mask = 256, kButton2Mask = 512, kButton3Mask = 1024;

// Key symbols the editor reads (X11/keysymdef.h).
constexpr xcb_keysym_t kXkBackSpace = 0xff08, kXkTab = 0xff09, kXkReturn = 0xff0d, kXkEscape = 0xff1b,
                       kXkHome = 0xff50, kXkLeft = 0xff51, kXkUp = 0xff52, kXkRight = 0xff53,
                       kXkDown = 0xff54, kXkEnd = 0xff57, kXkKpEnter = 0xff8d, kXkDelete = 0xffff;

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

IMouseMod ModFrom(uint16_t state, int pressedButton)
{
    IMouseMod mod;
    mod.left = (state & kButton1Mask) || pressedButton == 1;
    mod.right = (state & kButton3Mask) || pressedButton == 3;
    mod.shift = state & kShiftMask;
    mod.control = state & kControlMask;
    mod.alt = state & kAltMask;
    return mod;
}

ITypedKey KeyFrom(xcb_keysym_t sym, uint16_t state)
{
    ITypedKey key;
    key.shift = state & kShiftMask;
    switch (sym) {
        case kXkReturn: case kXkKpEnter: key.kind = ITypedKey::Kind::Enter; break;
        case kXkEscape: key.kind = ITypedKey::Kind::Escape; break;
        case kXkBackSpace: key.kind = ITypedKey::Kind::Backspace; break;
        case kXkDelete: key.kind = ITypedKey::Kind::Delete; break;
        case kXkLeft: key.kind = ITypedKey::Kind::Left; break;
        case kXkRight: key.kind = ITypedKey::Kind::Right; break;
        case kXkUp: key.kind = ITypedKey::Kind::Up; break;
        case kXkDown: key.kind = ITypedKey::Kind::Down; break;
        case kXkHome: key.kind = ITypedKey::Kind::Home; break;
        case kXkEnd: key.kind = ITypedKey::Kind::End; break;
        case kXkTab: key.kind = ITypedKey::Kind::Tab; break;
        default:
            // Latin-1 key symbols below 0x7f are the ASCII characters.
            if (sym >= 0x20 && sym < 0x7f) {
                key.kind = ITypedKey::Kind::Character;
                key.ch = char(sym);
            }
    }
    return key;
}

}  // namespace

struct XcbEditorWindow::Impl {
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
    xcb_window_t topLevel = 0;  // the host's window that hears the keys we do not take
    xcb_gcontext_t gc = 0;
    xcb_colormap_t colormap = 0;
    xcb_key_symbols_t* keySymbols = nullptr;
    int width = 0, height = 0;
    bool alive = true;

    int lastX = 0, lastY = 0;
    uint16_t buttonsHeld = 0;
    xcb_timestamp_t lastPressTime = 0;
    int lastPressX = 0, lastPressY = 0;
    bool lastPressCounts = false;  // a double click needs a first press
    std::vector<uint32_t> scratch;

    ~Impl()
    {
        if (keySymbols) xcb_key_symbols_free(keySymbols);
        if (connection) {
            // The window may already be gone with its parent: such errors come
            // back on this connection only, and it is closed here.
            if (window && alive) xcb_destroy_window(connection, window);
            if (gc) xcb_free_gc(connection, gc);
            if (colormap) xcb_free_colormap(connection, colormap);
            xcb_flush(connection);
            xcb_disconnect(connection);
        }
    }

    void HandleButtonPress(const xcb_button_press_event_t& e, IWindowEvents& events)
    {
        lastX = e.event_x;
        lastY = e.event_y;
        if (e.detail == 4 || e.detail == 5) {
            events.WindowMouseWheel(e.event_x, e.event_y, ModFrom(e.state, 0), e.detail == 4 ? 1.0f : -1.0f);
            return;
        }
        if (e.detail < 1 || e.detail > 3) return;  // sideways wheel, extra buttons
        buttonsHeld |= uint16_t(kButton1Mask << (e.detail - 1));
        // Keys follow the editor once it is clicked.
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
        const IMouseMod mod = ModFrom(e.state, e.detail);
        if (e.detail == 1 && lastPressCounts && e.time - lastPressTime <= uint32_t(kDoubleClickTime.count()) &&
            std::abs(e.event_x - lastPressX) <= kDoubleClickDistance &&
            std::abs(e.event_y - lastPressY) <= kDoubleClickDistance) {
            lastPressCounts = false;  // a third press starts afresh
            events.WindowDoubleClick(e.event_x, e.event_y, mod);
            return;
        }
        lastPressCounts = e.detail == 1;
        lastPressTime = e.time;
        lastPressX = e.event_x;
        lastPressY = e.event_y;
        events.WindowMouseDown(e.event_x, e.event_y, mod);
    }

    void HandleButtonRelease(const xcb_button_release_event_t& e, IWindowEvents& events)
    {
        if (e.detail < 1 || e.detail > 3) return;
        const uint16_t bit = uint16_t(kButton1Mask << (e.detail - 1));
        if (!(buttonsHeld & bit)) return;
        buttonsHeld &= uint16_t(~bit);
        events.WindowMouseUp(e.event_x, e.event_y, ModFrom(e.state & ~bit, 0));
        const bool inside = e.event_x >= 0 && e.event_y >= 0 && e.event_x < width && e.event_y < height;
        if (!buttonsHeld && !inside) events.WindowMouseLeave();
    }

    void HandleMotion(const xcb_motion_notify_event_t& e, IWindowEvents& events)
    {
        const int x = e.event_x, y = e.event_y;
        if (buttonsHeld) {
            if (x != lastX || y != lastY) {
                const int dX = x - lastX, dY = y - lastY;
                lastX = x;
                lastY = y;
                events.WindowMouseDrag(x, y, dX, dY, ModFrom(e.state, 0));
            }
            return;
        }
        lastX = x;
        lastY = y;
        events.WindowMouseMove(x, y, ModFrom(e.state, 0));
    }

    void HandleKey(const xcb_key_press_event_t& e, bool press, IWindowEvents& events)
    {
        if (press) {
            const int column = (e.state & kShiftMask) ? 1 : 0;
            xcb_keysym_t sym = xcb_key_symbols_get_keysym(keySymbols, e.detail, column);
            if (sym == XCB_NO_SYMBOL) sym = xcb_key_symbols_get_keysym(keySymbols, e.detail, 0);
            if (events.WindowKeyDown(e.event_x, e.event_y, KeyFrom(sym, e.state))) return;
        }
        ForwardKey(e);
    }

    // Hosts give their own shortcuts (play, save) to keys the editor does not
    // use: the key goes to the host's top-level window as if typed there.
    void ForwardKey(xcb_key_press_event_t e)
    {
        if (!topLevel) return;
        e.response_type &= 0x7f;
        e.event = topLevel;
        e.child = XCB_NONE;
        const uint32_t mask = (e.response_type == XCB_KEY_PRESS) ? XCB_EVENT_MASK_KEY_PRESS
                                                                   : XCB_EVENT_MASK_KEY_RELEASE;
        char bytes[32] = {};
        static_assert(sizeof e == 32);
        std::copy_n(reinterpret_cast<const char*>(&e), sizeof e, bytes);
        xcb_send_event(connection, 0, topLevel, mask, bytes);
    }

    // The host's top-level window: the ancestor a window manager marks as a
    // client (WM_STATE), not the manager's frame around it; with no window
    // manager, the ancestor just below the root.
    xcb_window_t FindTopLevel(xcb_window_t from)
    {
        static constexpr char kWmState[] = "WM_STATE";
        Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, sizeof kWmState - 1, kWmState), nullptr));
        const xcb_atom_t wmState = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
        xcb_window_t current = from;
        for (int depth = 0; depth < 64; ++depth) {
            if (wmState != XCB_ATOM_NONE) {
                Reply<xcb_get_property_reply_t> property(xcb_get_property_reply(
                    connection, xcb_get_property(connection, 0, current, wmState, XCB_ATOM_ANY, 0, 0), nullptr));
                if (property && property->type != XCB_ATOM_NONE) return current;
            }
            Reply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(connection, xcb_query_tree(connection, current), nullptr));
            if (!tree) return 0;
            if (tree->parent == tree->root || tree->parent == XCB_NONE) return current;
            current = tree->parent;
        }
        return 0;
    }
};

XcbEditorWindow::XcbEditorWindow(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}
XcbEditorWindow::~XcbEditorWindow() = default;

uint32_t XcbEditorWindow::Id() const { return mImpl->window; }
bool XcbEditorWindow::Alive() const { return mImpl->alive; }

std::unique_ptr<XcbEditorWindow> XcbEditorWindow::Open(uint32_t parent, int width, int height)
{
    if (!parent || width <= 0 || height <= 0) return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->width = width;
    impl->height = height;
    impl->connection = xcb_connect(nullptr, nullptr);
    xcb_connection_t* c = impl->connection;
    if (xcb_connection_has_error(c)) return nullptr;  // Impl closes it

    // The parent decides the screen.
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, parent), nullptr));
    if (!geometry) return nullptr;
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_t* screen = nullptr;
    for (auto it = xcb_setup_roots_iterator(setup); it.rem; xcb_screen_next(&it))
        if (it.data->root == geometry->root) screen = it.data;
    if (!screen) return nullptr;

    // Our pixels are 0x00RRGGBB words: a 24-bit TrueColor visual stored in
    // 32 bits takes them as they are, whatever the parent's visual is.
    bool has32BitPixels = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == 24 && it.data->bits_per_pixel == 32) has32BitPixels = true;
    if (!has32BitPixels || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return nullptr;
    xcb_visualid_t visual = 0;
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem; xcb_depth_next(&depths)) {
        if (depths.data->depth != 24) continue;
        for (auto v = xcb_depth_visuals_iterator(depths.data); v.rem; xcb_visualtype_next(&v)) {
            const xcb_visualtype_t& type = *v.data;
            if (type._class == XCB_VISUAL_CLASS_TRUE_COLOR && type.red_mask == 0xff0000 &&
                type.green_mask == 0xff00 && type.blue_mask == 0xff &&
                (!visual || type.visual_id == screen->root_visual))
                visual = type.visual_id;
        }
    }
    if (!visual) return nullptr;

    uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK;
    std::vector<uint32_t> values{0, 0,
                                 XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                     XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                                     XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                                     XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    if (visual != screen->root_visual) {
        // A visual other than the root's needs a colormap of its own.
        impl->colormap = xcb_generate_id(c);
        xcb_create_colormap(c, XCB_COLORMAP_ALLOC_NONE, impl->colormap, screen->root, visual);
        mask |= XCB_CW_COLORMAP;
        values.push_back(impl->colormap);
    }
    impl->window = xcb_generate_id(c);
    Reply<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_create_window_checked(c, 24, impl->window, parent, 0, 0, uint16_t(width), uint16_t(height), 0,
                                     XCB_WINDOW_CLASS_INPUT_OUTPUT, visual, mask, values.data())));
    if (error) {
        impl->window = 0;
        return nullptr;
    }
    static constexpr char kTitle[] = "QOR";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, impl->window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof kTitle - 1, kTitle);
    impl->gc = xcb_generate_id(c);
    xcb_create_gc(c, impl->gc, impl->window, 0, nullptr);
    impl->keySymbols = xcb_key_symbols_alloc(c);
    impl->topLevel = impl->FindTopLevel(parent);
    xcb_map_window(c, impl->window);
    xcb_flush(c);
    if (xcb_connection_has_error(c) || !impl->keySymbols) return nullptr;
    return std::unique_ptr<XcbEditorWindow>(new XcbEditorWindow(std::move(impl)));
}

void XcbEditorWindow::Poll(IWindowEvents& events)
{
    Impl& d = *mImpl;
    if (!d.alive) return;
    while (xcb_generic_event_t* raw = xcb_poll_for_event(d.connection)) {
        Reply<xcb_generic_event_t> event(raw);
        switch (raw->response_type & 0x7f) {
            case 0: break;  // an error for one of our requests: the window may be gone, nothing more
            case XCB_EXPOSE: {
                const auto& e = *reinterpret_cast<xcb_expose_event_t*>(raw);
                events.WindowExposed({e.x, e.y, e.x + e.width, e.y + e.height});
                break;
            }
            case XCB_BUTTON_PRESS:
                d.HandleButtonPress(*reinterpret_cast<xcb_button_press_event_t*>(raw), events);
                break;
            case XCB_BUTTON_RELEASE:
                d.HandleButtonRelease(*reinterpret_cast<xcb_button_release_event_t*>(raw), events);
                break;
            case XCB_MOTION_NOTIFY:
                d.HandleMotion(*reinterpret_cast<xcb_motion_notify_event_t*>(raw), events);
                break;
            case XCB_LEAVE_NOTIFY:
                if (!d.buttonsHeld) events.WindowMouseLeave();
                break;
            case XCB_KEY_PRESS:
                d.HandleKey(*reinterpret_cast<xcb_key_press_event_t*>(raw), true, events);
                break;
            case XCB_KEY_RELEASE:
                d.HandleKey(*reinterpret_cast<xcb_key_press_event_t*>(raw), false, events);
                break;
            case XCB_MAPPING_NOTIFY:
                xcb_refresh_keyboard_mapping(d.keySymbols, reinterpret_cast<xcb_mapping_notify_event_t*>(raw));
                break;
            case XCB_DESTROY_NOTIFY:
                if (reinterpret_cast<xcb_destroy_notify_event_t*>(raw)->window == d.window) d.alive = false;
                break;
            default: break;
        }
        if (!d.alive) break;
    }
    if (xcb_connection_has_error(d.connection)) d.alive = false;
    xcb_flush(d.connection);
}

void XcbEditorWindow::Put(const uint32_t* pixels, int stride, const gfx::Rect& area)
{
    Impl& d = *mImpl;
    if (!d.alive) return;
    const gfx::Rect r = area.Intersection({0, 0, d.width, d.height});
    if (r.Empty()) return;
    // Bands of rows small enough for one request (24 bytes of header).
    const uint32_t maxBytes = xcb_get_maximum_request_length(d.connection) * 4u - 24u;
    const int rowBytes = r.W() * 4;
    const int bandRows = std::max(1, int(maxBytes / uint32_t(rowBytes)));
    for (int top = r.top; top < r.bottom; top += bandRows) {
        const int rows = std::min(bandRows, r.bottom - top);
        d.scratch.resize(size_t(rows) * r.W());
        for (int y = 0; y < rows; ++y)
            std::copy_n(pixels + size_t(top + y) * stride + r.left, r.W(), d.scratch.data() + size_t(y) * r.W());
        xcb_put_image(d.connection, XCB_IMAGE_FORMAT_Z_PIXMAP, d.window, d.gc, uint16_t(r.W()), uint16_t(rows),
                      int16_t(r.left), int16_t(top), 0, 24, uint32_t(d.scratch.size() * 4),
                      reinterpret_cast<const uint8_t*>(d.scratch.data()));
    }
}

void XcbEditorWindow::TakeFocus()
{
    if (!mImpl->alive) return;
    xcb_set_input_focus(mImpl->connection, XCB_INPUT_FOCUS_PARENT, mImpl->window, XCB_CURRENT_TIME);
    xcb_flush(mImpl->connection);
}

void XcbEditorWindow::Flush()
{
    if (mImpl->alive) xcb_flush(mImpl->connection);
}

}  // namespace qor
