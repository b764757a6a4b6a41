#include "app/WindowVisibility.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

#ifdef MIRELDA_HAVE_XCB
#include <xcb/xcb.h>

namespace {

xcb_connection_t* x11Connection() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

} // namespace
#endif

WindowVisibility::WindowVisibility(QWindow& window) : window_(window) {
#ifdef MIRELDA_HAVE_XCB
    xcb_connection_t* connection = x11Connection();
    if (connection == nullptr)
        return;
    // Adds the visibility notices to the events Qt asked for on the window, keeping those.
    const auto id = static_cast<xcb_window_t>(window.winId());
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, id), nullptr);
    if (attributes == nullptr)
        return;
    const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_VISIBILITY_CHANGE;
    std::free(attributes);
    xcb_change_window_attributes(connection, id, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
    watching_ = true;
#endif
}

WindowVisibility::~WindowVisibility() {
    if (watching_)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WindowVisibility::nativeEventFilter([[maybe_unused]] const QByteArray& eventType,
                                         [[maybe_unused]] void* message, qintptr*) {
#ifdef MIRELDA_HAVE_XCB
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) == XCB_VISIBILITY_NOTIFY) {
        const auto* notice = static_cast<const xcb_visibility_notify_event_t*>(message);
        if (notice->window == static_cast<xcb_window_t>(window_.winId()))
            fullyCovered_ = notice->state == XCB_VISIBILITY_FULLY_OBSCURED;
    }
#endif
    // Qt still sees every event.
    return false;
}
