#include "X11WindowState.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace agent::x11 {

namespace {

xcb_connection_t* connection()
{
    if (!qGuiApp)
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t* c, const QByteArray& name)
{
    ReplyPtr<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.constData()), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// All names at once: one round trip to the server, not one per name.
std::vector<xcb_atom_t> internAtoms(xcb_connection_t* c, const QByteArrayList& names)
{
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (const QByteArray& name : names)
        cookies.push_back(xcb_intern_atom(c, 0, uint16_t(name.size()), name.constData()));
    std::vector<xcb_atom_t> atoms;
    for (const xcb_intern_atom_cookie_t cookie : cookies) {
        ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
        atoms.push_back(reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE));
    }
    return atoms;
}

int screenNumberOf(xcb_connection_t* c, xcb_window_t window)
{
    ReplyPtr<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr),
                                          &std::free);
    if (!tree)
        return 0;
    int number = 0;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it), ++number) {
        if (it.data->root == tree->root)
            return number;
    }
    return 0;
}

} // namespace

bool isActive()
{
    return connection() != nullptr;
}

void addWindowStates(QWindow* window, const QByteArrayList& states)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return;
    const auto id = xcb_window_t(window->winId());
    const std::vector<xcb_atom_t> atoms = internAtoms(c, QByteArrayList{"_NET_WM_STATE"} + states);
    xcb_change_property(c, XCB_PROP_MODE_APPEND, id, atoms.front(), XCB_ATOM_ATOM, 32,
                        uint32_t(atoms.size() - 1), atoms.data() + 1);
}

bool compositingManagerRuns(QWindow* window)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return false;
    // The selection name depends on the screen, which does not change for a window.
    static const QByteArray selection =
        "_NET_WM_CM_S" + QByteArray::number(screenNumberOf(c, xcb_window_t(window->winId())));
    static const xcb_atom_t atom = internAtom(c, selection);
    ReplyPtr<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr), &std::free);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

void setInputShape(QWindow* window, const QRegion& region)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return;
    const auto id = xcb_window_t(window->winId());
    if (region.isEmpty()) {
        xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, id, 0, 0, XCB_NONE);
        return;
    }
    // The X window is in device pixels.
    const qreal ratio = window->devicePixelRatio();
    std::vector<xcb_rectangle_t> rectangles;
    for (const QRect& r : region) {
        const QRect device =
            QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio).toAlignedRect();
        rectangles.push_back(
            {int16_t(device.x()), int16_t(device.y()), uint16_t(device.width()), uint16_t(device.height())});
    }
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, id, 0, 0,
                         uint32_t(rectangles.size()), rectangles.data());
}

unsigned outermostWindow(QWindow* window)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return 0;
    xcb_window_t current = xcb_window_t(window->winId());
    for (;;) {
        ReplyPtr<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, current), nullptr),
                                              &std::free);
        if (!tree || tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE)
            return current;
        current = tree->parent;
    }
}

void refuseShadow(unsigned outermost)
{
    xcb_connection_t* c = connection();
    if (!c || !outermost)
        return;
    static const xcb_atom_t property = internAtom(c, "_COMPTON_SHADOW");
    const uint32_t none = 0;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(outermost), property, XCB_ATOM_CARDINAL, 32, 1,
                        &none);
}

void flush()
{
    if (xcb_connection_t* c = connection())
        xcb_flush(c);
}

} // namespace agent::x11
