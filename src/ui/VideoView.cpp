#include "ui/VideoView.h"

#include "core/Log.h"
#include "core/Preferences.h"
#include "core/Profile.h"
#include "show/ShowEngine.h"
#include "ui/FullScreenDlg.h"
#include "ui/VideoSurface.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr const char* kSection = "Video";
constexpr const char* kZoomEntry = "ZoomLevel";

} // namespace

CVideoView::CVideoView(CShowEngine& engine, const CServices& services, QWidget* parent)
    : QWidget(parent)
    , m_Engine(engine)
    , m_Services(services)
    , m_ZoomLevel(GetProfileInt(kSection, kZoomEntry, kDefaultZoomLevel))
{
    setObjectName(QStringLiteral("VideoView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

CVideoView::~CVideoView()
{
    // The players first: their sinks still draw into the windows released below.
    m_Engine.AttachOutput(nullptr);
    m_Engine.ReleasePlayers();
    for (auto& surface : m_pSurface)
        surface.reset();
    m_pParking.reset();
    m_pFullScreen.reset();
    WriteProfileInt(kSection, kZoomEntry, m_ZoomLevel);
}

int CVideoView::Active() const
{
    return m_Engine.GetActivePlayer();
}

CVideoSurface* CVideoView::GetSurface(int player) const
{
    return IsValidPlayerId(player) ? m_pSurface[static_cast<size_t>(player)].get() : nullptr;
}

CRect CVideoView::GetZoomRect(int player) const
{
    return IsValidPlayerId(player) ? m_rcZoom[static_cast<size_t>(player)] : CRect {};
}

CRect CVideoView::ClientRect() const
{
    return CRect { 0, 0, width(), height() };
}

void CVideoView::OnInitialUpdate()
{
    if (m_bInitialised || !m_Engine.IsStarted())
        return;
    if (!m_pFullScreen) {
        m_pFullScreen = std::make_unique<CFullScreenDlg>(this, this);
        if (!m_pFullScreen->winId())
            LogMessage("CVideoView::ToggleFullscreen(): Could not create modeless dialog!\n");
    }
    if (!m_pParking) {
        m_pParking = std::make_unique<CFullScreenDlg>(this, nullptr);
        if (!m_pParking->winId())
            LogMessage("CVideoView:: Could not create modeless window!\n");
    }
    for (size_t i = 0; i < m_pSurface.size(); ++i) {
        if (m_pSurface[i])
            continue;
        m_pSurface[i] = std::make_unique<CVideoSurface>(this);
        // Show(true) is how a player repaints its picture.
        m_pSurface[i]->SetExposeHandler([this, i] { m_Engine.ShowPlayerPicture(static_cast<int>(i), true); });
    }
    // Every player has its window before its first medium, so that no sink
    // ever opens a window of its own on the desktop.
    for (int i = 0; i < kPlayerCount; ++i)
        AttachToHost(i, i == Active() || !m_pParking ? static_cast<QWidget*>(this) : m_pParking.get());
    m_Engine.AttachOutput(this);
    if (m_Services.prefs.m_bFullScrOnStartup) {
        m_bFullscreen = false;
        ToggleFullscreen();
    }
    m_bInitialised = true;
}

void CVideoView::Park(int player)
{
    if (m_pParking)
        AttachToHost(player, m_pParking.get());
}

void CVideoView::SetFullscreen(bool on)
{
    if (m_bFullscreen != on)
        ToggleFullscreen();
}

LRESULT CVideoView::SendMessage(unsigned msg, WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    if (msg != WM_FULLSCREEN_CLOSED)
        return 0;
    OnFullscreenClosed();
    return 1;
}

void CVideoView::Redraw()
{
    update();
    if (m_bInitialised && m_pFullScreen && m_pFullScreen->IsFullscreen())
        m_pFullScreen->PaintBlack();
}

void CVideoView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}

void CVideoView::mouseDoubleClickEvent(QMouseEvent* event)
{
    ToggleFullscreen();
    QWidget::mouseDoubleClickEvent(event);
}
