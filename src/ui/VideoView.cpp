#include "ui/VideoView.h"

#include "core/Log.h"
#include "core/LogBuffer.h"
#include "core/Preferences.h"
#include "core/Profile.h"
#include "core/VolumeScale.h"
#include "playback/BasePlayer.h"
#include "playback/DXVersion.h"
#include "ui/FullScreenDlg.h"
#include "ui/VideoSurface.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kSection = "Video";
constexpr const char* kZoomEntry = "ZoomLevel";

// A player that keeps announcing events must not hold the interface thread.
constexpr int kMaxEventsPerNotify = 1000;

} // namespace

CVideoView::Hooks CVideoView::DefaultHooks(CUiServices* ui)
{
    Hooks hooks;
    hooks.checkRuntime = [ui] { return CheckDXVersion(kDXVersion9, ui); };
    hooks.fatalMessageBox = [](const std::string& text, const std::string& caption) {
        // Headless nobody could close it; standard error has the text already.
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            return;
        QMessageBox::critical(
            nullptr, QString::fromLocal8Bit(caption.c_str()), QString::fromLocal8Bit(text.c_str()));
    };
    // At once: nothing is saved, no destructor runs.
    hooks.exitProcess = [](int exitCode) { std::_Exit(exitCode); };
    return hooks;
}

CVideoView::CVideoView(CMessageTarget* frame, const CServices& services, QWidget* parent)
    : QWidget(parent)
    , m_pFrame(frame)
    , m_Services(services)
    , m_Hooks(DefaultHooks(services.pUi))
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
    // Players first: their sinks still draw into the windows released below.
    ReleaseAllPlayers();
    for (auto& surface : m_pSurface)
        surface.reset();
    m_pParking.reset();
    m_pFullScreen.reset();
    WriteProfileInt(kSection, kZoomEntry, m_ZoomLevel);
}

void CVideoView::SetHooks(Hooks hooks)
{
    const Hooks defaults = DefaultHooks(m_Services.pUi);
    m_Hooks = std::move(hooks);
    if (!m_Hooks.checkRuntime)
        m_Hooks.checkRuntime = defaults.checkRuntime;
    if (!m_Hooks.fatalMessageBox)
        m_Hooks.fatalMessageBox = defaults.fatalMessageBox;
    if (!m_Hooks.exitProcess)
        m_Hooks.exitProcess = defaults.exitProcess;
}

CBasePlayer* CVideoView::GetPlayer(int player) const
{
    return IsValidPlayerId(player) ? m_pPlayer[static_cast<size_t>(player)].get() : nullptr;
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
    if (m_bInitialised)
        return;
    if (!SetUpPlayers())
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
        m_pSurface[i]->SetExposeHandler([this, i] {
            if (m_pPlayer[i])
                m_pPlayer[i]->Show(true);
        });
    }
    // Every player has its window before its first medium, so that no sink
    // ever opens a window of its own on the desktop.
    for (int i = 0; i < kPlayerCount; ++i)
        AttachToHost(i, i == m_ActivePlayer || !m_pParking ? static_cast<QWidget*>(this) : m_pParking.get());

    SetActivePlayer(PLAYER_A);
    if (m_Services.prefs.m_bFullScrOnStartup) {
        m_bFullscreen = false;
        ToggleFullscreen();
    }
    m_bInitialised = true;
}

bool CVideoView::SetUpPlayers()
{
    // The runtime first: a player cannot be made without it, and its own
    // message says what is wrong where a failed player would not.
    if (!m_Hooks.checkRuntime()) {
        ReportFatal(kDXVersionTooOldText);
        m_Hooks.fatalMessageBox(kDXVersionTooOldText, "DirectX Version:");
        m_Hooks.exitProcess(2);
        return false;
    }
    for (auto& player : m_pPlayer) {
        if (!player && m_Services.createPlayer)
            player = m_Services.createPlayer();
        if (!player || !player->Init(this)) {
            ReportFatal("FATAL: Player initialisation failed!");
            LogError("FATAL: Player initialisation failed!\n");
            ReleaseAllPlayers();
            m_Hooks.exitProcess(1);
            return false;
        }
        player->SetVolume(0);
        // Opens end through the graph notification: the interface never waits for a medium.
        player->SetAsyncOpen(true);
        m_Volume = 0;
    }
    return true;
}

void CVideoView::ReportFatal(const char* text)
{
    // The logbook dies with the process: the reason goes to standard error too,
    // with the errors logged before it unless they were copied there already.
    if (g_pLogBuffer && !g_pLogBuffer->IsMirrored()) {
        for (int i = 1; i <= g_pLogBuffer->GetLineCount(); ++i) {
            const CLogBuffer::Line line = g_pLogBuffer->GetLine(i % g_pLogBuffer->GetLineCount());
            if (line.level == LOG_LEVEL_ERROR && !line.text.empty())
                std::fprintf(stderr, "%s\n", line.text.c_str());
        }
    }
    std::fprintf(stderr, "%s\n", text);
}

void CVideoView::ReleaseAllPlayers()
{
    m_Pending = {};
    for (auto& player : m_pPlayer) {
        if (!player)
            continue;
        player->Stop();
        player->Close();
        player.reset();
    }
}

void CVideoView::Notify(unsigned msg, WPARAM wParam, LPARAM lParam)
{
    if (m_pFrame)
        m_pFrame->SendMessage(msg, wParam, lParam);
}

void CVideoView::NotifyState(int player)
{
    CBasePlayer* p = GetPlayer(player);
    Notify(WM_PLAYER_STATE, static_cast<WPARAM>(player), p ? p->GetPlayState() : 0);
    Notify(WM_PLAYER_REFRESH, 0, 0);
}

bool CVideoView::OpenMedia(const std::string& path, int player, OpenDone done)
{
    const auto fail = [&done] {
        if (done)
            done(OpenResult::Failed);
        return false;
    };
    if (path.empty())
        return fail();
    if (!IsValidPlayerId(player)) {
        LogMessage("CVideoView::OpenMedia() invalid Player ID!\n");
        return fail();
    }
    CBasePlayer* p = GetPlayer(player);
    if (!p)
        return fail();
    CancelOpen(player); // the newer open wins
    // A new medium starts stopped: a cut back to this player must not resume
    // what was playing before.
    m_SavedPlayState[static_cast<size_t>(player)] = CBasePlayer::STATE_STOPPED;
    if (!p->OpenMedia(path)) {
        RedrawBackground();
        return fail();
    }
    PendingOpen& pending = m_Pending[static_cast<size_t>(player)];
    pending.done = std::move(done);
    if (p->GetGraphState() == CBasePlayer::GRAPH_OPENING) {
        pending.pending = true;
        return true;
    }
    CompleteOpen(player, true);
    return true;
}

bool CVideoView::IsOpening(int player) const
{
    return IsValidPlayerId(player) && m_Pending[static_cast<size_t>(player)].pending;
}

void CVideoView::CompleteOpen(int player, bool opened)
{
    PendingOpen& pending = m_Pending[static_cast<size_t>(player)];
    const OpenDone done = std::move(pending.done);
    const int32_t command = pending.command;
    pending = {};
    if (!opened) {
        RedrawBackground();
        if (done)
            done(OpenResult::Failed);
        return;
    }
    ShowOpened(player);
    if (done)
        done(OpenResult::Opened);
    // What was asked for while the medium opened comes last: the latest command wins.
    if (command == CBasePlayer::STATE_RUNNING)
        PlayOnly(player);
    else if (command == CBasePlayer::STATE_PAUSED)
        Pause(player);
}

void CVideoView::CancelOpen(int player)
{
    PendingOpen& pending = m_Pending[static_cast<size_t>(player)];
    if (!pending.pending)
        return;
    const OpenDone done = std::move(pending.done);
    pending = {};
    if (CBasePlayer* p = GetPlayer(player))
        p->Close();
    if (done)
        done(OpenResult::Cancelled);
}

void CVideoView::ShowOpened(int player)
{
    CBasePlayer* p = GetPlayer(player);
    if (player == m_ActivePlayer) {
        UpdateVideoWindow();
        RedrawBackground();
    } else if (m_pParking) {
        AttachToHost(player, m_pParking.get());
    }
    Notify(WM_PLAYER_REFRESH, 0, 0);
    Notify(WM_PLAYER_MEDIA_OPENED, static_cast<WPARAM>(player), 0);
    Notify(WM_PLAYER_STATE, static_cast<WPARAM>(player), p->GetPlayState());
    SetMute(m_bMuted); // a new graph starts at full volume
    RedrawBackground();
}

void CVideoView::Play(int player)
{
    if (!IsValidPlayerId(player)) {
        LogMessage("CVideoView::Play() invalid Player ID!\n");
        return;
    }
    CBasePlayer* p = GetPlayer(player);
    if (!p || p->GetGraphState() != CBasePlayer::GRAPH_OPEN)
        return;
    if (p->GetPlayState() == CBasePlayer::STATE_RUNNING)
        p->Pause();
    else
        p->Run();
    NotifyState(player);
}

void CVideoView::PlayOnly(int player)
{
    if (!IsValidPlayerId(player)) {
        LogMessage("CVideoView::PlayOnly() invalid Player ID!\n");
        return;
    }
    if (IsOpening(player)) {
        m_Pending[static_cast<size_t>(player)].command = CBasePlayer::STATE_RUNNING;
        return;
    }
    if (CBasePlayer* p = GetPlayer(player)) {
        p->Run();
        NotifyState(player);
    }
}

void CVideoView::PlayOnlyAt(int player, uint64_t at, int64_t startMs)
{
    CBasePlayer* p = IsValidPlayerId(player) ? GetPlayer(player) : nullptr;
    if (!p || p->GetGraphState() != CBasePlayer::GRAPH_OPEN)
        return;
    p->RunAt(at, startMs);
    NotifyState(player);
}

void CVideoView::Pause(int player)
{
    if (!IsValidPlayerId(player)) {
        LogMessage("CVideoView::Pause() invalid Player ID!\n");
        return;
    }
    if (IsOpening(player)) {
        m_Pending[static_cast<size_t>(player)].command = CBasePlayer::STATE_PAUSED;
        return;
    }
    if (CBasePlayer* p = GetPlayer(player)) {
        p->Pause();
        NotifyState(player);
    }
}

void CVideoView::Stop(int player)
{
    if (!IsValidPlayerId(player)) {
        LogMessage("CVideoView::Stop() invalid Player ID!\n");
        return;
    }
    CancelOpen(player); // a stop ends an open that has not finished
    if (CBasePlayer* p = GetPlayer(player)) {
        p->Stop();
        m_SavedPlayState[static_cast<size_t>(player)] = CBasePlayer::STATE_STOPPED;
        NotifyState(player);
    }
}

void CVideoView::SetPosition(int player, uint32_t position)
{
    if (!IsValidPlayerId(player)) {
        LogMessage("CVideoView::SetPosition() invalid Player ID!\n");
        return;
    }
    CBasePlayer* p = GetPlayer(player);
    if (!p)
        return;
    const uint32_t duration = p->GetDuration();
    if (duration == 0 || duration < position) {
        LogMessage("CVideoView::SetPosition() position out of range!\n");
        return;
    }
    p->SetPosition(position);
    Notify(WM_PLAYER_REFRESH, 0, 0);
}

void CVideoView::SetVolume(int32_t volume)
{
    if (!VolumeScale::IsValidVolume(volume)) {
        LogMessage("CVideoView::SetVolume() Value out of range (%d)\n", volume);
        return;
    }
    m_Volume = volume;
    if (m_bMuted)
        return;
    for (auto& player : m_pPlayer) {
        if (player)
            player->SetVolume(volume);
    }
}

void CVideoView::SetMute(bool mute)
{
    for (auto& player : m_pPlayer) {
        if (player)
            player->SetMute(mute);
    }
    m_bMuted = mute;
    if (!mute)
        SetVolume(m_Volume);
}

std::string CVideoView::GetTitle(int player)
{
    CBasePlayer* p = GetPlayer(player);
    return p && p->GetGraphState() == CBasePlayer::GRAPH_OPEN ? p->GetTitle() : std::string();
}

std::string CVideoView::GetFileName(int player)
{
    CBasePlayer* p = GetPlayer(player);
    return p && p->GetGraphState() == CBasePlayer::GRAPH_OPEN ? p->GetFileName() : std::string();
}

void CVideoView::SetActivePlayer(int player)
{
    if (!IsValidPlayerId(player)) {
        LogMessage("CVideoView::SetActivePlayer() invalid Player ID!\n");
        return;
    }
    if (player == m_ActivePlayer)
        return;
    m_ActivePlayer = player;
    // Placed, but shown only below: a picture is drawn once per cut.
    PlaceActivePlayer(false);

    for (int i = 0; i < kPlayerCount; ++i) {
        CBasePlayer* p = GetPlayer(i);
        if (!p)
            continue;
        int32_t& saved = m_SavedPlayState[static_cast<size_t>(i)];
        if (i == player) {
            ShowPlayer(i, true);
            // Play toggles: a player started while it was hidden keeps running.
            if (saved == CBasePlayer::STATE_RUNNING && p->GetPlayState() != CBasePlayer::STATE_RUNNING)
                Play(i);
        } else {
            ShowPlayer(i, false);
            saved = p->GetPlayState();
            if (saved != CBasePlayer::STATE_STOPPED)
                Pause(i);
        }
    }
    Notify(WM_PLAYER_STATE, static_cast<WPARAM>(player),
        GetPlayer(player) ? GetPlayer(player)->GetPlayState() : 0);
    update();
}

void CVideoView::OnGraphNotify()
{
    for (int i = 0; i < kPlayerCount; ++i) {
        CBasePlayer* player = GetPlayer(i);
        if (!player)
            continue;
        int32_t code = 0, param1 = 0, param2 = 0;
        for (int n = 0; n < kMaxEventsPerNotify && player->GetEvent(code, param1, param2) >= 0; ++n) {
            if (code == CBasePlayer::EC_OPEN_COMPLETE)
                CompleteOpen(i, param1 != 0);
            else if (code == CBasePlayer::EC_COMPLETE)
                Notify(WM_PLAYER_END_OF_MEDIA, 0, 0);
            else if (code == CBasePlayer::EC_ERRORABORT)
                Notify(WM_PLAYER_FAILED, static_cast<WPARAM>(i), 0);
        }
    }
}

LRESULT CVideoView::SendMessage(unsigned msg, WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    switch (msg) {
    case WM_GRAPHNOTIFY:
        OnGraphNotify();
        return 1;
    case WM_FULLSCREEN_CLOSED:
        OnFullscreenClosed();
        return 1;
    default:
        return 0;
    }
}

void CVideoView::RedrawBackground()
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
