#include "widgets/toolwindow.h"

#include "widgets/look.h"

#include <QWidget>

#ifdef BRACKMOOR_USE_XCB
#include <QGuiApplication>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

namespace {

#ifdef BRACKMOOR_USE_XCB
xcb_atom_t internAtom(xcb_connection_t *connection, const char *name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}
#endif

} // namespace

// Sets the state on the window before it is first mapped; Qt keeps states it finds there
// when it adds its own.
void keepOutOfTaskbar(QWidget *window) {
#ifdef BRACKMOOR_USE_XCB
    // Other platforms (offscreen among them) may answer the X11 interface without an X
    // connection of their own.
    const auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (QGuiApplication::platformName() != u"xcb" || !connection)
        return;
    const xcb_atom_t state = internAtom(connection, "_NET_WM_STATE");
    const xcb_atom_t skip = internAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE)
        return;
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, xcb_window_t(window->winId()), state,
                        XCB_ATOM_ATOM, 32, 1, &skip);
    xcb_flush(connection);
#else
    Q_UNUSED(window)
#endif
}

void setToolWindowFrame(QWidget *window, int widthTwips, int heightTwips) {
    window->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // Equal minimum and maximum sizes: the window manager offers no resizing.
    window->setFixedSize(twips(widthTwips), twips(heightTwips));
    keepOutOfTaskbar(window);
}
