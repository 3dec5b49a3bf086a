#include "ui/ShowResume.h"

#include "core/Log.h"
#include "core/Messages.h"
#include "playback/BasePlayer.h"
#include "playlist/Duration.h"
#include "playlist/PlaylistCtrl.h"
#include "ui/MainFrame.h"
#include "ui/VideoView.h"

namespace {

const char* PlayerName(int player)
{
    return player == PLAYER_A ? "Player A" : "Player B";
}

const char* StateName(int32_t state)
{
    return state == CBasePlayer::STATE_RUNNING ? "playing"
        : state == CBasePlayer::STATE_PAUSED   ? "paused"
                                               : "stopped";
}

// Positions of a running player move on every tick; they alone are no reason to write.
CResumeState WithoutRunningPositions(CResumeState state)
{
    for (CResumeState::Player& p : state.players)
        if (p.state == CBasePlayer::STATE_RUNNING)
            p.positionMs = 0;
    return state;
}

} // namespace

CShowResume::CShowResume(CMainFrame& frame, const std::string& path)
    : m_Frame(frame)
    , m_File(path)
    , m_Writer(m_File)
{
}

CShowResume::~CShowResume()
{
    *m_Alive = false;
    m_Writer.Stop();
}

bool CShowResume::RestoreIfUnclean()
{
    if (!m_File.Exists())
        return false;
    const std::optional<CResumeState> saved = m_File.Load();
    if (!saved) {
        LogMessage("Resume: the last run ended uncleanly, but no usable state was left; starting fresh.\n");
        return false;
    }
    if (saved->attempts >= kMaxAttempts) {
        LogError(
            "Resume: the show died %d times soon after being resumed; starting fresh.\n", saved->attempts);
        return false;
    }
    m_Attempts = saved->attempts + 1;
    LogMessage("Resume: the last run ended uncleanly; restoring the show.\n");
    Restore(*saved);
    return true;
}

void CShowResume::Restore(const CResumeState& saved)
{
    CVideoView* view = m_Frame.GetVideoView();
    CPlaylistCtrl* playlist = m_Frame.GetPlaylist();
    if (!view)
        return;
    // The playlist file is written at a clean quit only; the resume file has
    // the one the show was running.
    if (playlist && !saved.rows.empty() && Capture().rows != saved.rows) {
        playlist->SetRedraw(false);
        playlist->RemoveAll();
        for (const CResumeState::Row& row : saved.rows)
            playlist->AddFileRecord(
                row.path, -1, row.title, row.length); // a vanished file is logged and left out
        playlist->SetRedraw(true);
    }
    m_Frame.SendMessage(WM_NET_SELECT_PLAYER, static_cast<WPARAM>(saved.activePlayer), 0);
    const int order[2] = { 1 - saved.activePlayer, saved.activePlayer }; // the picture last
    for (const int player : order) {
        const CResumeState::Player& p = saved.players[player];
        if (p.path.empty())
            continue;
        LogMessage("Resume: %s: %s at %s, %s.\n", PlayerName(player), p.path.c_str(),
            FormatDuration(p.positionMs).c_str(), StateName(p.state));
        ++m_PendingOpens;
        const std::weak_ptr<bool> alive = m_Alive;
        // A failure at once calls back too.
        view->OpenMedia(p.path, player, [this, alive, player, p](CVideoView::OpenResult result) {
            if (!alive.expired())
                OnRestored(player, p, result == CVideoView::OpenResult::Opened);
        });
    }
    if (saved.fullScreen != view->IsFullscreen())
        m_Frame.SendMessage(WM_OSC_FULLSCREEN, 0, saved.fullScreen ? 1 : 0);
}

void CShowResume::OnRestored(int player, const CResumeState::Player& saved, bool opened)
{
    --m_PendingOpens;
    CVideoView* view = m_Frame.GetVideoView();
    if (!opened || !view) {
        LogError("Resume: %s could not open %s.\n", PlayerName(player), saved.path.c_str());
        return;
    }
    if (CPlaylistCtrl* playlist = m_Frame.GetPlaylist()) {
        playlist->SetPlayerEntry(saved.path, player, {}, 0);
        if (player == view->GetActivePlayer())
            playlist->FocusPlayerEntry(player);
    }
    if (saved.positionMs > 0)
        m_Frame.SendMessage(WM_NET_SEEK, static_cast<WPARAM>(player), static_cast<LPARAM>(saved.positionMs));
    // Only the shown player runs; a hidden one waits, cued, as it was.
    if (saved.state == CBasePlayer::STATE_RUNNING && player == view->GetActivePlayer())
        m_Frame.SendMessage(WM_NET_PLAY, static_cast<WPARAM>(player), 0);
    else if (saved.state != CBasePlayer::STATE_STOPPED)
        m_Frame.SendMessage(WM_NET_PAUSE, static_cast<WPARAM>(player), 0);
}

CResumeState CShowResume::Capture() const
{
    CResumeState state;
    CVideoView* view = m_Frame.GetVideoView();
    if (!view)
        return state;
    state.activePlayer = view->GetActivePlayer() == PLAYER_B ? 1 : 0;
    state.fullScreen = view->IsFullscreen();
    for (int player = 0; player < 2; ++player) {
        CBasePlayer* p = view->GetPlayer(player);
        CResumeState::Player& out = state.players[player];
        out.path = view->GetFileName(player);
        if (p && !out.path.empty()) {
            const int32_t playState = p->GetPlayState();
            out.state = playState == CBasePlayer::STATE_SEEKING ? CBasePlayer::STATE_PAUSED : playState;
            out.positionMs = out.state == CBasePlayer::STATE_STOPPED ? 0 : p->GetPosition();
        }
    }
    if (const CPlaylistCtrl* playlist = m_Frame.GetPlaylist()) {
        state.rows.reserve(static_cast<size_t>(std::max(playlist->GetRowCount(), 0)));
        for (int i = 0; i < playlist->GetRowCount(); ++i) {
            const CPlaylistCtrl::CRow* row = playlist->GetRow(i);
            if (const CEntry* entry = row ? playlist->FindEntryById(row->m_Id) : nullptr)
                state.rows.push_back({ entry->m_Path, entry->m_Title, entry->m_Length });
        }
    }
    return state;
}

void CShowResume::Tick(Clock::time_point now)
{
    if (m_PendingOpens > 0)
        return; // half a restore is not a state to come back to
    if (m_Attempts > 0 && now - m_Started >= kSettled)
        m_Attempts = 0;
    CResumeState state = Capture();
    state.attempts = m_Attempts;
    const bool running = state.players[0].state == CBasePlayer::STATE_RUNNING
        || state.players[1].state == CBasePlayer::STATE_RUNNING;
    const bool changed
        = !m_LastWritten || WithoutRunningPositions(state) != WithoutRunningPositions(*m_LastWritten);
    if (!changed && !(running && now - m_LastWrite >= kRunningInterval))
        return;
    m_Writer.Submit(state.Serialize());
    m_LastWritten = std::move(state);
    m_LastWrite = now;
}

void CShowResume::Finish()
{
    *m_Alive = false;
    m_Writer.Stop(true);
}
