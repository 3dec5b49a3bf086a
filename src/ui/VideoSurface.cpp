#include "ui/VideoSurface.h"

#include <QEvent>
#include <QGuiApplication>
#include <QResizeEvent>

#include <xcb/xcb.h>

#include <cstdlib>

CVideoSurface::CVideoSurface(QWidget* host)
    : QWidget(host)
{
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_PaintOnScreen);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    hide();
    m_Handle = static_cast<WindowHandle>(winId());
    ClearToBlackOnExpose();
    Attach(host);
}

CVideoSurface::~CVideoSurface()
{
    if (m_pHost)
        m_pHost->removeEventFilter(this);
}

void CVideoSurface::Attach(QWidget* host)
{
    if (host != m_pHost) {
        if (m_pHost)
            m_pHost->removeEventFilter(this);
        setParent(host);
        m_pHost = host;
        if (m_pHost)
            m_pHost->installEventFilter(this);
    }
    if (m_pHost)
        setGeometry(m_pHost->rect());
}

void CVideoSurface::paintEvent(QPaintEvent* /*event*/)
{
    if (m_OnExpose)
        m_OnExpose();
}

bool CVideoSurface::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pHost && event->type() == QEvent::Resize)
        setGeometry(QRect(QPoint(0, 0), static_cast<QResizeEvent*>(event)->size()));
    return QWidget::eventFilter(watched, event);
}

namespace {

xcb_connection_t* X11Connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace

void CVideoSurface::SyncWithWindowSystem()
{
    xcb_connection_t* connection = X11Connection();
    if (!connection)
        return;
    // A round trip: the reply comes after every earlier request is done.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void CVideoSurface::ClearToBlackOnExpose()
{
    xcb_connection_t* connection = X11Connection();
    if (!connection || !m_Handle)
        return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t black = screen ? screen->black_pixel : 0;
    xcb_change_window_attributes(connection, static_cast<xcb_window_t>(m_Handle), XCB_CW_BACK_PIXEL, &black);
    xcb_flush(connection);
}
