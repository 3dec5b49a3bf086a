// The show engine's two players: making them, opening media, the play states,
// the level, the cut and the players' graph events.
#include "show/ShowEngine.h"

#include "core/Log.h"
#include "core/LogBuffer.h"
#include "core/UiServices.h"
#include "core/VolumeScale.h"
#include "playback/BasePlayer.h"
#include "playback/DXVersion.h"
#include "show/ShowOutput.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A player that keeps announcing events must not hold the interface thread.
constexpr int kMaxEventsPerNotify = 1000;

} // namespace

CShowEngine::Hooks CShowEngine::DefaultHooks(CUiServices* ui)
{
    Hooks hooks;
    hooks.checkRuntime = [ui] { return CheckDXVersion(kDXVersion9, ui); };
    // A message box is the window's business; headless nobody could close one.
    hooks.fatalMessageBox = [ui](const std::string& text, const std::string& caption) {
        if (ui)
            ShowMessageBox(ui, text, caption, CUiServices::ICON_ERROR);
    };
    // At once: nothing is saved, no destructor runs.
    hooks.exitProcess = [](int exitCode) { std::_Exit(exitCode); };
    return hooks;
}

void CShowEngine::SetHooks(Hooks hooks)
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

bool CShowEngine::Start()
{
    if (m_bStarted)
        return true;
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
            ReleasePlayers();
            m_Hooks.exitProcess(1);
            return false;
        }
        player->SetVolume(0);
        // Opens end through the graph notification: the interface never waits for a medium.
        player->SetAsyncOpen(true);
        m_Volume = 0;
    }
    m_bStarted = true;
    return true;
}

void CShowEngine::ReportFatal(const char* text)
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

void CShowEngine::ReleasePlayers()
{
    m_Pending = {};
    for (auto& player : m_pPlayer) {
        if (!player)
            continue;
        player->Stop();
        player->Close();
        player.reset();
    }
    m_bStarted = false;
}

CBasePlayer* CShowEngine::GetPlayer(int player) const
{
    return IsValidPlayerId(player) ? m_pPlayer[static_cast<size_t>(player)].get() : nullptr;
}

bool CShowEngine::IsOpening(int player) const
{
    return IsValidPlayerId(player) && m_Pending[static_cast<size_t>(player)].pending;
}

bool CShowEngine::IsOpen(int player) const
{
    CBasePlayer* p = GetPlayer(player);
    return p && p->GetGraphState() == CBasePlayer::GRAPH_OPEN;
}

bool CShowEngine::OpenMedia(const std::string& path, int player, OpenDone done)
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
        Redraw();
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

void CShowEngine::CompleteOpen(int player, bool opened)
{
    PendingOpen& pending = m_Pending[static_cast<size_t>(player)];
    const OpenDone done = std::move(pending.done);
    auto queue = std::move(pending.queue);
    pending = {};
    if (!opened) {
        Redraw();
        if (done)
            done(OpenResult::Failed);
        for (const auto& [command, ticket] : queue) {
            const ShowCommandInfo* info = FindShowCommand(command.id);
            SendStatusMsg(
                player, std::string("Dropped ") + (info ? info->name : "command") + ": the open failed.");
            Emit({ ShowEventKind::Done, player, 0, {}, ticket });
        }
        return;
    }
    ShowOpened(player);
    if (done)
        done(OpenResult::Opened);
    // What was asked for while the medium opened comes last, in order.
    for (const auto& [command, ticket] : queue) {
        const ShowReply reply = Execute(command);
        Emit({ ShowEventKind::Done, player, reply.accepted ? 1 : 0, reply.reason, ticket });
    }
}

void CShowEngine::CancelOpen(int player)
{
    PendingOpen& pending = m_Pending[static_cast<size_t>(player)];
    if (!pending.pending)
        return;
    const OpenDone done = std::move(pending.done);
    auto queue = std::move(pending.queue);
    pending = {};
    if (CBasePlayer* p = GetPlayer(player))
        p->Close();
    if (done)
        done(OpenResult::Cancelled);
    for (const auto& entry : queue)
        Emit({ ShowEventKind::Done, player, 0, "cancelled", entry.second });
}

void CShowEngine::ShowOpened(int player)
{
    if (m_pOutput) {
        if (player == m_Active) {
            m_pOutput->PlaceActive(true);
            m_pOutput->Redraw();
        } else {
            m_pOutput->Park(player);
        }
    }
    Emit(ShowEventKind::Position);
    OnMediaOpened(player);
    StateChanged(player);
    ApplyMute(m_bMuted); // a new graph starts at full volume
    Redraw();
}

void CShowEngine::TogglePlay(int player)
{
    CBasePlayer* p = GetPlayer(player);
    if (!p || p->GetGraphState() != CBasePlayer::GRAPH_OPEN)
        return;
    if (p->GetPlayState() == CBasePlayer::STATE_RUNNING)
        p->Pause();
    else
        p->Run();
    StateChanged(player);
}

void CShowEngine::PlayOnly(int player)
{
    if (CBasePlayer* p = GetPlayer(player)) {
        p->Run();
        StateChanged(player);
    }
}

void CShowEngine::PlayAt(int player, uint64_t at, int64_t startMs)
{
    CBasePlayer* p = GetPlayer(player);
    if (!p || p->GetGraphState() != CBasePlayer::GRAPH_OPEN)
        return;
    p->RunAt(at, startMs);
    StateChanged(player);
}

void CShowEngine::PausePlayer(int player)
{
    if (CBasePlayer* p = GetPlayer(player)) {
        p->Pause();
        StateChanged(player);
    }
}

void CShowEngine::StopPlayer(int player)
{
    CancelOpen(player); // a stop ends an open that has not finished
    if (CBasePlayer* p = GetPlayer(player)) {
        p->Stop();
        m_SavedPlayState[static_cast<size_t>(player)] = CBasePlayer::STATE_STOPPED;
        StateChanged(player);
    }
}

void CShowEngine::SeekPlayer(int player, uint32_t position)
{
    CBasePlayer* p = GetPlayer(player);
    if (!p)
        return;
    const uint32_t duration = p->GetDuration();
    if (duration == 0 || duration < position) {
        LogMessage("CVideoView::SetPosition() position out of range!\n");
        return;
    }
    p->SetPosition(position);
    Emit(ShowEventKind::Position);
}

void CShowEngine::ApplyVolume(int32_t volume)
{
    if (!VolumeScale::IsValidVolume(volume)) {
        LogMessage("CVideoView::SetVolume() Value out of range (%d)\n", volume);
        return;
    }
    m_Volume = volume;
    if (m_bMuted)
        return;
    for (auto& player : m_pPlayer)
        if (player)
            player->SetVolume(volume);
}

void CShowEngine::ApplyMute(bool mute)
{
    for (auto& player : m_pPlayer)
        if (player)
            player->SetMute(mute);
    m_bMuted = mute;
    if (!mute)
        ApplyVolume(m_Volume);
}

void CShowEngine::Cut(int player)
{
    if (!IsValidPlayerId(player)) {
        LogMessage("CVideoView::SetActivePlayer() invalid Player ID!\n");
        return;
    }
    if (player == m_Active)
        return;
    m_Active = player;
    // Placed, but shown only below: a picture is drawn once per cut.
    if (m_pOutput)
        m_pOutput->PlaceActive(false);
    for (int i = 0; i < kPlayerCount; ++i) {
        CBasePlayer* p = GetPlayer(i);
        if (!p)
            continue;
        int32_t& saved = m_SavedPlayState[static_cast<size_t>(i)];
        if (i == player) {
            if (m_pOutput)
                m_pOutput->ShowPicture(i, true);
            // A player started while it was hidden keeps running.
            if (saved == CBasePlayer::STATE_RUNNING && p->GetPlayState() != CBasePlayer::STATE_RUNNING)
                TogglePlay(i);
        } else {
            if (m_pOutput)
                m_pOutput->ShowPicture(i, false);
            saved = p->GetPlayState();
            if (saved != CBasePlayer::STATE_STOPPED)
                PausePlayer(i);
        }
    }
    Emit(ShowEventKind::Active, player);
    Redraw();
}

void CShowEngine::OnGraphNotify()
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
                OnEndOfMedia();
            else if (code == CBasePlayer::EC_ERRORABORT)
                OnPlayerFailed(i);
        }
    }
}

void CShowEngine::Redraw()
{
    if (m_pOutput)
        m_pOutput->Redraw();
}

void CShowEngine::AttachSurface(int player, WindowHandle surface)
{
    if (CBasePlayer* p = GetPlayer(player))
        p->SetOwner(surface);
}

void CShowEngine::SetMessageDrain(int player, WindowHandle drain)
{
    if (CBasePlayer* p = GetPlayer(player))
        p->SetMessageDrain(drain);
}

void CShowEngine::SetPictureRect(int player, const CRect& rect)
{
    if (CBasePlayer* p = GetPlayer(player))
        p->SetVideoRect(rect);
}

CRect CShowEngine::GetPictureRect(int player) const
{
    CBasePlayer* p = GetPlayer(player);
    return p ? p->GetVideoRect() : CRect {};
}

void CShowEngine::ShowPlayerPicture(int player, bool show)
{
    if (CBasePlayer* p = GetPlayer(player))
        p->Show(show);
}

int32_t CShowEngine::GetPictureWidth(int player) const
{
    return Ask(player, &CBasePlayer::GetVideoWidth, int32_t { 1 });
}

int32_t CShowEngine::GetPictureHeight(int player) const
{
    return Ask(player, &CBasePlayer::GetVideoHeight, int32_t { 1 });
}
