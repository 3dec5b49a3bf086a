#include "app/VideoViewPlaceholder.h"

#include "app/CoreTypes.h"
#include "app/Log.h"
#include "app/Profile.h"
#include "playback/BasePlayer.h"

#include <QPalette>

#include <cstdlib>

CVideoView::Hooks CVideoView::DefaultHooks()
{
    Hooks hooks;
    hooks.createPlayer = [] { return std::make_unique<CBasePlayer>(); };
    hooks.checkRuntime = [] { return true; };
    hooks.fatalMessageBox = [](const std::string&, const std::string&) {};
    hooks.exitProcess = [](int exitCode) { std::_Exit(exitCode); };
    return hooks;
}

CVideoView::CVideoView(CMessageTarget* frame, QWidget* parent)
    : QWidget(parent)
    , m_pFrame(frame)
    , m_Hooks(DefaultHooks())
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    m_ZoomLevel = GetProfileInt("Video", "ZoomLevel", 100);
}

CVideoView::~CVideoView()
{
    ReleaseAllPlayers();
    WriteProfileInt("Video", "ZoomLevel", m_ZoomLevel);
}

void CVideoView::OnInitialUpdate()
{
    if (m_bInitialised)
        return;
    for (int i = 0; i < 2; ++i) {
        if (!m_pPlayers[i])
            m_pPlayers[i] = m_Hooks.createPlayer();
        if (!m_pPlayers[i]->Init(this)) {
            LogError("FATAL: Player initialisation failed!\n");
            ReleaseAllPlayers();
            m_Hooks.exitProcess(1);
            return;
        }
        m_pPlayers[i]->SetVolume(0);
        m_Volume = 0;
    }
    m_pPlayers[0]->SetOwner(winId());
    m_pPlayers[0]->SetVideoRect({ 0, 0, width(), height() });
    m_bInitialised = true;
}

LRESULT CVideoView::SendMessage(unsigned msg, WPARAM, LPARAM)
{
    if (msg != WM_GRAPHNOTIFY)
        return 0;
    for (auto& player : m_pPlayers) {
        int32_t code = 0, p1 = 0, p2 = 0;
        while (player && player->GetEvent(code, p1, p2) == 0) {
            if (code == CBasePlayer::EC_COMPLETE)
                Notify(WM_PLAYER_END_OF_MEDIA, 0, 0);
        }
    }
    return 1;
}

void CVideoView::Notify(unsigned msg, WPARAM wParam, LPARAM lParam)
{
    if (m_pFrame)
        m_pFrame->SendMessage(msg, wParam, lParam);
}

void CVideoView::NotifyState(int player)
{
    Notify(WM_PLAYER_STATE, static_cast<WPARAM>(player), m_pPlayers[player]->GetPlayState());
    Notify(WM_PLAYER_REFRESH, 0, 0);
}

bool CVideoView::OpenMedia(const std::string& path, int player)
{
    if (path.empty())
        return false;
    if (!IsValidPlayerId(player) || !m_pPlayers[player]) {
        LogMessage("CVideoView::OpenMedia() invalid Player ID!\n");
        return false;
    }
    if (!m_pPlayers[player]->OpenMedia(path)) {
        update();
        return false;
    }
    m_pPlayers[player]->Show(player == m_ActivePlayer);
    if (player == m_ActivePlayer) {
        m_pPlayers[player]->SetOwner(winId());
        m_pPlayers[player]->SetVideoRect({ 0, 0, width(), height() });
    }
    Notify(WM_PLAYER_REFRESH, 0, 0);
    Notify(WM_PLAYER_MEDIA_OPENED, static_cast<WPARAM>(player), 0);
    Notify(WM_PLAYER_STATE, static_cast<WPARAM>(player), m_pPlayers[player]->GetPlayState());
    SetMute(m_bMuted);
    update();
    return true;
}

void CVideoView::Play(int player)
{
    if (!IsValidPlayerId(player) || !m_pPlayers[player]) {
        LogMessage("CVideoView::Play() invalid Player ID!\n");
        return;
    }
    CBasePlayer& p = *m_pPlayers[player];
    if (p.GetGraphState() != CBasePlayer::GRAPH_OPEN)
        return;
    if (p.GetPlayState() == CBasePlayer::STATE_RUNNING)
        p.Pause();
    else
        p.Run();
    NotifyState(player);
}

void CVideoView::PlayOnly(int player)
{
    if (!IsValidPlayerId(player) || !m_pPlayers[player]) {
        LogMessage("CVideoView::PlayOnly() invalid Player ID!\n");
        return;
    }
    m_pPlayers[player]->Run();
    NotifyState(player);
}

void CVideoView::Pause(int player)
{
    if (!IsValidPlayerId(player) || !m_pPlayers[player]) {
        LogMessage("CVideoView::Pause() invalid Player ID!\n");
        return;
    }
    m_pPlayers[player]->Pause();
    NotifyState(player);
}

void CVideoView::Stop(int player)
{
    if (!IsValidPlayerId(player) || !m_pPlayers[player]) {
        LogMessage("CVideoView::Stop() invalid Player ID!\n");
        return;
    }
    m_pPlayers[player]->Stop();
    NotifyState(player);
}

void CVideoView::SetPosition(int player, uint32_t position)
{
    if (!IsValidPlayerId(player) || !m_pPlayers[player]) {
        LogMessage("CVideoView::SetPosition() invalid Player ID!\n");
        return;
    }
    const uint32_t duration = m_pPlayers[player]->GetDuration();
    if (duration == 0 || duration < position) {
        LogMessage("CVideoView::SetPosition() position out of range!\n");
        return;
    }
    m_pPlayers[player]->SetPosition(position);
    Notify(WM_PLAYER_REFRESH, 0, 0);
}

void CVideoView::SetVolume(int32_t volume)
{
    if (volume < -10000 || volume > 0) {
        LogMessage("CVideoView::SetVolume() Value out of range (%d)\n", volume);
        return;
    }
    m_Volume = volume;
    if (m_bMuted)
        return;
    for (auto& player : m_pPlayers)
        if (player)
            player->SetVolume(volume);
}

void CVideoView::SetMute(bool mute)
{
    for (auto& player : m_pPlayers)
        if (player)
            player->SetMute(mute);
    m_bMuted = mute;
    if (!mute)
        SetVolume(m_Volume);
}

void CVideoView::SetActivePlayer(int player)
{
    if (!IsValidPlayerId(player)) {
        LogMessage("CVideoView::SetActivePlayer() invalid Player ID!\n");
        return;
    }
    if (player == m_ActivePlayer || !m_pPlayers[0] || !m_pPlayers[1])
        return;
    m_ActivePlayer = player;
    m_pPlayers[player]->SetOwner(winId());
    m_pPlayers[player]->SetVideoRect({ 0, 0, width(), height() });
    for (int i = 0; i < 2; ++i) {
        CBasePlayer& p = *m_pPlayers[i];
        if (i == player) {
            p.Show(true);
            if (m_SavedState[i] == CBasePlayer::STATE_RUNNING)
                Play(i);
        } else {
            p.Show(false);
            m_SavedState[i] = p.GetPlayState();
            if (m_SavedState[i] != CBasePlayer::STATE_STOPPED)
                Pause(i);
        }
    }
    Notify(WM_PLAYER_STATE, static_cast<WPARAM>(player), m_pPlayers[player]->GetPlayState());
    update();
}

void CVideoView::ToggleFullscreen()
{
    m_bFullscreen = !m_bFullscreen;
}

void CVideoView::ZoomTo(int percent)
{
    m_ZoomLevel = percent;
}

void CVideoView::ZoomFit()
{
    m_ZoomLevel = 0;
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

CBasePlayer* CVideoView::GetPlayer(int player) const
{
    return IsValidPlayerId(player) ? m_pPlayers[player].get() : nullptr;
}

void CVideoView::ReleaseAllPlayers()
{
    for (auto& player : m_pPlayers) {
        if (!player)
            continue;
        player->Stop();
        player->Close();
        player.reset();
    }
}
