#include "ui/FullScreenDlg.h"

#include "core/Log.h"
#include "core/Messages.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

CFullScreenDlg::CFullScreenDlg(QWidget* parent, CMessageTarget* target)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_pParent(parent)
    , m_pTarget(target)
{
    setObjectName(QStringLiteral("FullScreenDlg"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    // The native window must exist before a video window is parented to it.
    winId();

    EnumMonitors();
    HideTaskbar(true);
    SetActiveMonitor(0);

    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        WatchScreen(screen);
        OnDisplayChange();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen*) { OnDisplayChange(); });
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, [this](QScreen*) { OnDisplayChange(); });
    for (QScreen* screen : QGuiApplication::screens())
        WatchScreen(screen);
}

CFullScreenDlg::~CFullScreenDlg()
{
    m_Monitors.clear();
    HideTaskbar(true);
    ShowMouseCursor(true);
}

void CFullScreenDlg::WatchScreen(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, [this](const QRect&) { OnDisplayChange(); });
}

void CFullScreenDlg::SetFullscreen(bool on)
{
    if (on == m_bFullscreen)
        return;
    m_bFullscreen = on;
    ResizeToScreen();
    if (on) {
        HideTaskbar(false);
        ResizeToScreen();
        // The full-screen state is what covers the desktop's panel here.
        setWindowState(windowState() | Qt::WindowFullScreen);
        show();
        raise();
        activateWindow();
        PaintBlack();
        ShowMouseCursor(false);
    } else {
        HideTaskbar(true);
        hide();
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        // Restored before the parent hears of it, so that whatever the parent
        // does in response, the pointer state matches the mode.
        ShowMouseCursor(true);
        if (m_pTarget)
            m_pTarget->SendMessage(WM_FULLSCREEN_CLOSED, 0, 0);
    }
}

void CFullScreenDlg::SetVideoRect(const CRect& rect)
{
    if (rect == m_rcVideo)
        return;
    m_rcVideo = rect;
    Invalidate();
}

void CFullScreenDlg::ResizeToScreen()
{
    if (!m_bFullscreen)
        return;
    if (m_Monitors.empty()) {
        LogError("CFullScreen::ResizeToScreen(): Enumerate Monitor devices first!\n");
        return;
    }
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return;
    const QRect area = primary->geometry();
    m_rcScreen = CRect { 0, 0, area.width(), area.height() };
    // The window is placed on the primary screen wherever that lies in the
    // virtual desktop; the rectangle stays in client coordinates.
    if (QWindow* window = windowHandle())
        window->setScreen(primary);
    setGeometry(area);
}

void CFullScreenDlg::HideTaskbar(bool restore)
{
    // Only hiding can fail: a panel that was never hidden needs no restoring.
    if (!restore)
        LogError("Fullscreen::HideTaskbar(): Could not hide taskbar!\n");
}

void CFullScreenDlg::EnumMonitors()
{
    m_Monitors.clear();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        if (area.isEmpty())
            continue;
        m_Monitors.push_back(
            CRect { area.left(), area.top(), area.left() + area.width(), area.top() + area.height() });
    }
}

bool CFullScreenDlg::IsValidMonitor(int32_t id) const
{
    return id >= 0 && static_cast<size_t>(id) < m_Monitors.size();
}

void CFullScreenDlg::SetActiveMonitor(int32_t id)
{
    if (!IsValidMonitor(id)) {
        LogError("SetActiveMonitor() called with invalid screen ID!\n");
        return;
    }
    m_ActiveMonitor = id;
    ResizeToScreen();
}

int32_t CFullScreenDlg::GetScreenWidth(int32_t id) const
{
    if (!IsValidMonitor(id)) {
        LogError("GetScreenWidth() called with invalid screen ID!\n");
        return -1;
    }
    return m_Monitors[static_cast<size_t>(id)].Width();
}

int32_t CFullScreenDlg::GetScreenHeight(int32_t id) const
{
    if (!IsValidMonitor(id)) {
        LogError("GetScreenHeight() called with invalid screen ID!\n");
        return -1;
    }
    return m_Monitors[static_cast<size_t>(id)].Height();
}

void CFullScreenDlg::PaintBlack()
{
    if (m_bFullscreen)
        Invalidate();
}

void CFullScreenDlg::ShowMouseCursor(bool show)
{
    if (show == m_bCursorVisible)
        return;
    if (show)
        unsetCursor();
    else
        setCursor(Qt::BlankCursor);
    m_bCursorVisible = show;
}

void CFullScreenDlg::OnDisplayChange()
{
    EnumMonitors();
    ResizeToScreen();
}

void CFullScreenDlg::Invalidate()
{
    ++m_InvalidateCount;
    update();
}

void CFullScreenDlg::accept()
{
    // Enter does not close this window.
}

void CFullScreenDlg::reject()
{
    SetFullscreen(false);
}

void CFullScreenDlg::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    QRegion background(rect());
    if (!m_rcVideo.IsEmpty())
        background -= QRect(m_rcVideo.left, m_rcVideo.top, m_rcVideo.Width(), m_rcVideo.Height());
    painter.setClipRegion(background);
    painter.fillRect(rect(), Qt::black);
}

void CFullScreenDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        reject();
        return;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        // Plain Enter would close a dialog; Alt+Enter and the like belong to the shortcuts.
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier)
            return;
        [[fallthrough]];
    default:
        // Every other key belongs to the video view, as if it had the focus.
        if (m_pParent)
            QCoreApplication::sendEvent(m_pParent, event);
        else
            QDialog::keyPressEvent(event);
    }
}

void CFullScreenDlg::focusInEvent(QFocusEvent* event)
{
    QDialog::focusInEvent(event);
    PaintBlack();
}

void CFullScreenDlg::closeEvent(QCloseEvent* event)
{
    // Closing by the window manager leaves full screen; the window stays for the next time.
    event->ignore();
    SetFullscreen(false);
}

void CFullScreenDlg::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The picture belongs to the video view: a double click there toggles full screen.
    if (m_pParent)
        QCoreApplication::sendEvent(m_pParent, event);
    else
        QDialog::mouseDoubleClickEvent(event);
}
