#include "ui/MainFrame.h"

#include "control/ShowControllers.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "dmx/DmxControl.h"
#include "playlist/MediaTypes.h"
#include "playlist/PlaylistCtrl.h"
#include "show/ShowEngine.h"
#include "ui/CommandIds.h"
#include "ui/FullScreenDlg.h"
#include "ui/LogBookDlg.h"
#include "ui/MainMenu.h"
#include "ui/PlayerCtrlBar.h"
#include "ui/RightView.h"
#include "ui/VideoView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QResizeEvent>
#include <QSplitter>
#include <QWheelEvent>

#include <algorithm>

CMainFrame::CMainFrame(
    CShowEngine& engine, CShowControllers& controllers, const CServices& services, QWidget* parent)
    : QMainWindow(parent)
    , m_Engine(engine)
    , m_Controllers(controllers)
    , m_Services(services)
{
    setWindowTitle(QStringLiteral("Zuvio"));
    setMinimumSize(kMinTrackWidth, kMinTrackHeight);
    resize(1000, 600);
    m_Subscription = m_Engine.Subscribe([this](const ShowEvent& event) { OnShowEvent(event); });
    m_pMenu = std::make_unique<CMainMenu>(
        *this, [this](int id) { RunCommand(id); }, [this] { UpdateCommandUI(); });
    m_pMenu->Create();
    CreatePanes();
    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    m_Engine.Unsubscribe(m_Subscription);
    if (m_nTimer != 0)
        killTimer(m_nTimer);
    m_nTimer = 0;
    DestroyPanes();
    m_pLogBook.reset();
}

void CMainFrame::CreatePanes()
{
    m_pOuter = new QSplitter(Qt::Horizontal, this);
    m_pOuter->setChildrenCollapsible(false);
    m_pInner = new QSplitter(Qt::Vertical, m_pOuter);
    m_pInner->setChildrenCollapsible(false);
    m_pInner->setHandleWidth(0);
    m_pOuter->setHandleWidth(3);
    m_pOuter->setStyleSheet(QStringLiteral("QSplitter::handle { background: rgb(0, 0, 64); }"));
    auto* rightView = new CRightView(&m_Engine, m_Engine.Playlist(), m_pOuter);
    rightView->SetCommandSink(this);
    auto* view = new CVideoView(m_Engine, m_Services, m_pInner);
    auto* ctrlBar = new CPlayerCtrlBar(this, m_pInner);
    setCentralWidget(m_pOuter);
    rightView->InstallAccelerators(this);
    const auto showDocumentTitle
        = [this](const QString& title) { setWindowTitle(title + QStringLiteral(" - Zuvio")); };
    connect(rightView, &CRightView::documentTitleChanged, this, showDocumentTitle);
    showDocumentTitle(rightView->GetDocumentTitle()); // "Default Playlist" until a file is opened

    view->setMinimumHeight(0);
    ctrlBar->setFixedHeight(kCtrlBarHeight);
    m_pInner->setMinimumWidth(kVideoMinWidth);
    rightView->setMinimumWidth(kPlaylistWidth);
    m_pOuter->setStretchFactor(0, 1);
    m_pOuter->setStretchFactor(1, 0);
    m_pInner->setStretchFactor(0, 1);
    m_pInner->setStretchFactor(1, 0);
    const int width = std::max(centralWidget()->width(), kMinTrackWidth);
    m_pOuter->setSizes({ std::max(width - kPlaylistWidth, kVideoMinWidth), kPlaylistWidth });

    m_pVideoView = view;
    m_pCtrlBar = ctrlBar;
    m_pRightView = rightView;
    m_bPanesCreated = true;

    m_pLogBook = std::make_unique<CLogBookDlg>(nullptr);
    m_pLogBook->Show(false);
    m_pDmxStatus = new QLabel(this);
    m_pDmxStatus->setContentsMargins(6, 0, 6, 0);
    // The menu bar sizes its corner once: room for the longest text.
    m_pDmxStatus->setMinimumWidth(
        m_pDmxStatus->fontMetrics().horizontalAdvance(QStringLiteral("OLA universe 63999 (olad lost)")) + 12);
    menuBar()->setCornerWidget(m_pDmxStatus, Qt::TopRightCorner);
    ApplyVolumeRange();
    m_nTimer = startTimer(100);
    activateWindow();
}

void CMainFrame::DestroyPanes()
{
    if (!m_pOuter)
        return;
    // The view releases the players and stores the zoom, the control bar the
    // volume, the playlist "LastPLS.dat"; nothing may reach them afterwards.
    m_bPanesCreated = false;
    CVideoView* view = m_pVideoView;
    CPlayerCtrlBar* ctrlBar = m_pCtrlBar;
    CRightView* rightView = m_pRightView;
    m_pVideoView = nullptr;
    m_pCtrlBar = nullptr;
    m_pRightView = nullptr;
    delete view;
    delete ctrlBar;
    delete rightView;
    delete m_pOuter;
    m_pOuter = nullptr;
    m_pInner = nullptr;
}

void CMainFrame::InitialUpdate()
{
    if (m_bInitialUpdateDone || !m_bPanesCreated)
        return;
    m_bInitialUpdateDone = true;
    const int width = std::max(m_pOuter->width(), kMinTrackWidth);
    m_pOuter->setSizes({ std::max(width - kPlaylistWidth, kVideoMinWidth), kPlaylistWidth });
    if (!m_Engine.Start())
        return;
    m_pVideoView->OnInitialUpdate();
    ShareShortcutsWith(m_pVideoView->GetFullScreenWindow());
    m_pCtrlBar->OnInitialUpdate();
    // A show that comes back after a crash must not start the playlist's track first.
    m_Engine.HoldStartTrack(m_Controllers.MayRestore());
    m_pRightView->OnInitialUpdate();
    m_Engine.HoldStartTrack(false);
    UpdateCommandUI();
}

void CMainFrame::ShareShortcutsWith(QWidget* window)
{
    // A window shortcut fires only in a window that holds its action; the
    // full-screen window is the active one while it shows the picture.
    if (!window)
        return;
    for (const auto& [id, action] : m_pMenu->Actions())
        if (!action->shortcuts().isEmpty())
            window->addAction(action);
    window->addActions(actions()); // the clipboard keys and the playlist pane's accelerators
}

CPlaylistCtrl* CMainFrame::GetPlaylist() const
{
    return m_pRightView ? &m_pRightView->GetPlaylist() : nullptr;
}

int CMainFrame::ActivePlayer() const
{
    return m_Engine.GetActivePlayer();
}

int CMainFrame::VolumeRange() const
{
    return m_Engine.VolumeRange();
}

void CMainFrame::ApplyVolumeRange()
{
    if (!m_bPanesCreated)
        return;
    m_Engine.SetVolumeRange(m_Services.prefs.m_VolumeMin);
    m_pCtrlBar->ApplyVolumeRange(m_Services.prefs.m_VolumeMin);
}

void CMainFrame::timerEvent(QTimerEvent*)
{
    OnTimer();
}

void CMainFrame::OnTimer()
{
    if (!m_bPanesCreated)
        return;
    const int active = ActivePlayer();
    if (!m_Engine.GetPlayer(active) || m_Engine.GetPlayState(active) == 0) {
        m_pCtrlBar->SetPosition(0);
        m_pCtrlBar->EnablePositionSlider(false);
    } else {
        m_pCtrlBar->EnablePositionSlider(IsTimedMedia(m_Engine.GetFileName(active)));
    }
    m_Engine.Tick(); // the running player's position
    m_pCtrlBar->OnTimer();
    m_pLogBook->OnTimer();
    ShowDmxStatus();
    UpdateCommandUI();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    // The playlist keeps its width; the video column absorbs the change.
    const int playlistWidth = m_bPanesCreated ? m_pRightView->width() : kPlaylistWidth;
    QMainWindow::resizeEvent(event);
    if (!m_bPanesCreated || isMinimized() || !m_pOuter)
        return;
    const int clientWidth = m_pOuter->width();
    m_pOuter->setSizes(
        { std::max(clientWidth - playlistWidth, kVideoMinWidth), std::max(playlistWidth, kPlaylistWidth) });
    m_pVideoView->update();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    event->accept();
    QMainWindow::closeEvent(event);
    QCoreApplication::quit();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->window() == this) {
            auto* wheel = static_cast<QWheelEvent*>(event);
            // Qt offers the same wheel event again to each parent that ignores it: count it once.
            if (wheel != m_pLastWheel || wheel->timestamp() != m_LastWheelTime) {
                m_pLastWheel = wheel;
                m_LastWheelTime = wheel->timestamp();
                WheelVolume(wheel->angleDelta().y());
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::WheelVolume(int delta)
{
    if (!m_bPanesCreated)
        return;
    const int range = VolumeRange();
    const int32_t volume = delta / 120 * 100 + m_Engine.GetVolume();
    if (volume < -range || volume > 0)
        return;
    Execute({ ShowCommandId::VolumeDb, ActivePlayer(), volume });
}

void CMainFrame::OnAlwaysOnTop()
{
    m_bAlwaysOnTop = !m_bAlwaysOnTop;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, m_bAlwaysOnTop);
    // Changing window flags hides the window; bring it back without activating it.
    if (visible) {
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

bool CMainFrame::OfferDocument(const std::string& path)
{
    CPlaylistCtrl* playlist = GetPlaylist();
    if (!playlist || !playlist->IsInitialised() || !IsPlaylistFile(path))
        return false;
    return !playlist->OpenPlaylist(path).empty();
}

void CMainFrame::ShowDmxStatus()
{
    const CDmxControl* dmx = m_Controllers.Dmx();
    const QString status = dmx ? QString::fromStdString(dmx->GetStatus()) : QString();
    if (m_pDmxStatus && m_pDmxStatus->text() != status)
        m_pDmxStatus->setText(status);
}
