#include "X11WindowState.h"

#include <QGuiApplication>
#include <QWindow>

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
    const xcb_atom_t property = internAtom(c, "_NET_WM_STATE");
    std::vector<xcb_atom_t> atoms;
    for (const QByteArray& state : states)
        atoms.push_back(internAtom(c, state));
    xcb_change_property(c, XCB_PROP_MODE_APPEND, id, property, XCB_ATOM_ATOM, 32, uint32_t(atoms.size()),
                        atoms.data());
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

void flush()
{
    if (xcb_connection_t* c = connection())
        xcb_flush(c);
}

} // namespace agent::x11
