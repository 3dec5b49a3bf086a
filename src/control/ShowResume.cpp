#include "control/ShowResume.h"

#include "core/Log.h"
#include "playlist/Duration.h"
#include "playlist/PlaylistCtrl.h"
#include "show/ShowEngine.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include <random>

namespace {

const char* PlayerName(int player)
{
    return player == PLAYER_A ? "Player A" : "Player B";
}

const char* StateName(int32_t state)
{
    return state == SHOW_RUNNING ? "playing" : state == SHOW_PAUSED ? "paused" : "stopped";
}

// Positions of a running player move on every tick; they alone are a reason
// to write once a second, not on every tick.
CResumePosition WithoutRunningPositions(CResumePosition record)
{
    record.serial = 0;
    for (CResumePosition::Player& p : record.players)
        if (p.state == SHOW_RUNNING)
            p.positionMs = 0;
    return record;
}

// What only the whole state holds: a change of it is worth rewriting the playlist.
bool SameList(const CResumeState& a, const CResumeState& b)
{
    return a.rows == b.rows && a.players[0].path == b.players[0].path
        && a.players[1].path == b.players[1].path;
}

uint64_t FreshStamp()
{
    // Unique across runs: a record left by an earlier run must never match a new state.
    static std::mt19937_64 generator { (uint64_t { std::random_device {}() } << 32)
        ^ std::random_device {}() };
    uint64_t stamp = 0;
    while (stamp == 0)
        stamp = generator();
    return stamp;
}

} // namespace

CShowResume::CShowResume(CShowEngine& engine, CShowCommandSink& sink, const std::string& path)
    : m_Engine(engine)
    , m_Sink(sink)
    , m_File(path)
    , m_Writer(m_File)
{
    m_Subscription = m_Engine.Subscribe([this](const ShowEvent& event) {
        if (event.kind != ShowEventKind::Done)
            return;
        const auto it = m_Opens.find(event.ticket);
        if (it == m_Opens.end())
            return;
        const auto done = std::move(it->second);
        m_Opens.erase(it);
        done(event.value == 1);
    });
}

CShowResume::~CShowResume()
{
    m_Engine.Unsubscribe(m_Subscription);
    *m_Alive = false;
    m_Writer.Stop();
}

void CShowResume::Later(int delayMs, std::function<void()> fn)
{
    QTimer::singleShot(
        delayMs, QCoreApplication::instance(), [alive = std::weak_ptr<bool>(m_Alive), fn = std::move(fn)] {
            if (!alive.expired())
                fn();
        });
}

bool CShowResume::RestoreIfUnclean(NormalStart normalStart)
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
    LogMessage("Resume: the last run ended uncleanly; restoring the show.\n");
    m_Saved = *saved;
    m_Saved.attempts = saved->attempts + 1;
    m_Attempts = m_Saved.attempts;
    m_NormalStart = std::move(normalStart);
    RestoreList(m_Saved);
    // The raised count must be on disk before anything is opened: a medium that
    // kills the player while it opens would otherwise be resumed for ever.
    m_Phase = Phase::Storing;
    m_StoreDeadline = Clock::now() + kStoreBound;
    const std::weak_ptr<bool> alive = m_Alive;
    m_Writer.Submit(std::nullopt, CResumePosition::From(m_Saved), true, [this, alive](bool stored) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, alive, stored] {
                if (!alive.expired())
                    OnStored(stored);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void CShowResume::RestoreList(const CResumeState& saved)
{
    CPlaylistCtrl& playlist = m_Engine.Playlist();
    // The playlist file is written at a clean quit only; the resume file has
    // the one the show was running. A medium that is not there (yet: a drive
    // mounted late) keeps its row.
    if (!saved.rows.empty() && Capture().rows != saved.rows) {
        playlist.SetRedraw(false);
        playlist.RemoveAll();
        for (const CResumeState::Row& row : saved.rows)
            playlist.AddFileRecord(row.path, -1, row.title, row.length, true);
        playlist.SetRedraw(true);
    }
    using Id = ShowCommandId;
    if (saved.volume)
        m_Sink.Execute({ Id::VolumeDb, m_Engine.GetActivePlayer(), *saved.volume });
    if (saved.muted != m_Engine.IsMuted())
        m_Sink.Execute({ Id::Mute, -1, saved.muted ? 1 : 0 });
    m_Sink.Execute({ Id::Cut, saved.activePlayer });
    if (saved.fullScreen != m_Engine.IsFullscreen())
        m_Sink.Execute({ Id::Fullscreen, -1, saved.fullScreen ? 1 : 0 });
}

void CShowResume::OnStored(bool stored)
{
    if (m_Phase != Phase::Storing)
        return; // given up already
    if (!stored) {
        LogError("Resume: the attempt count could not be stored; starting as usual, not resuming.\n");
        m_Attempts = 0;
        EndRestore(false);
        return;
    }
    OpenPlayers();
}

void CShowResume::OpenPlayers()
{
    m_Phase = Phase::Opening;
    // Counts as an open until every open is under way: one that fails at once
    // calls back before the next one has started.
    ++m_PendingOpens;
    const int order[2] = { 1 - m_Saved.activePlayer, m_Saved.activePlayer }; // the picture last
    for (const int player : order) {
        const CResumeState::Player& p = m_Saved.players[player];
        if (p.path.empty())
            continue;
        LogMessage("Resume: %s: %s at %s, %s.\n", PlayerName(player), p.path.c_str(),
            FormatDuration(p.positionMs).c_str(), StateName(p.state));
        ++m_PendingOpens;
        // On the engine itself: every member of a wall restores its own show.
        const ShowReply reply = m_Engine.Execute({ ShowCommandId::Open, player, 0, p.path });
        if (reply.ticket != 0)
            m_Opens[reply.ticket] = [this, player, p](bool opened) { OnRestored(player, p, opened); };
        else
            OnRestored(player, p, reply.accepted);
    }
    OpenEnded();
}

void CShowResume::OnRestored(int player, const CResumeState::Player& saved, bool opened)
{
    if (!opened) {
        LogError("Resume: %s could not open %s.\n", PlayerName(player), saved.path.c_str());
    } else {
        m_bAnyOpened = true;
        CPlaylistCtrl& playlist = m_Engine.Playlist();
        playlist.SetPlayerEntry(saved.path, player, {}, 0);
        if (player == m_Engine.GetActivePlayer())
            playlist.FocusPlayerEntry(player);
        // Only the shown player runs; a hidden one waits, cued, as it was.
        const bool play = saved.state == SHOW_RUNNING && player == m_Engine.GetActivePlayer();
        if (saved.state != SHOW_STOPPED)
            m_Sink.Execute({ ShowCommandId::Pause, player });
        if (saved.positionMs > 0)
            m_Sink.Execute({ ShowCommandId::Seek, player, saved.positionMs });
        // It plays once it stands at the saved position: nobody may see it play from the start.
        if (play)
            m_Cues.push_back({ player, saved.positionMs, true, Clock::now() + kCueBound });
    }
    OpenEnded();
}

void CShowResume::OpenEnded()
{
    if (--m_PendingOpens > 0)
        return;
    if (!m_bAnyOpened) {
        EndRestore(false);
        return;
    }
    PollCues();
}

void CShowResume::PollCues()
{
    const Clock::time_point now = Clock::now();
    for (auto cue = m_Cues.begin(); cue != m_Cues.end();) {
        const uint32_t at = m_Engine.GetPosition(cue->player);
        const bool there = at + 1000 >= cue->positionMs && at <= cue->positionMs + 1000;
        if (!there && now < cue->deadline) {
            ++cue;
            continue;
        }
        if (!there)
            LogMessage("Resume: %s did not reach %s in time; playing from %s.\n", PlayerName(cue->player),
                FormatDuration(cue->positionMs).c_str(), FormatDuration(at).c_str());
        if (cue->play)
            m_Sink.Execute({ ShowCommandId::Play, cue->player });
        cue = m_Cues.erase(cue);
    }
    if (!m_Cues.empty()) {
        Later(10, [this] { PollCues(); });
        return;
    }
    EndRestore(true);
}

void CShowResume::EndRestore(bool anyOpened)
{
    m_Phase = Phase::Running;
    m_Cues.clear();
    if (anyOpened)
        return;
    if (m_Saved.players[0].path.empty() && m_Saved.players[1].path.empty())
        LogMessage("Resume: no player held anything; starting as usual.\n");
    else
        LogMessage("Resume: nothing of the show could be opened; starting as usual.\n");
    if (NormalStart start = std::exchange(m_NormalStart, {}))
        start();
}

CResumeState CShowResume::Capture() const
{
    CResumeState state;
    if (!m_Engine.IsStarted())
        return state;
    state.activePlayer = m_Engine.GetActivePlayer() == PLAYER_B ? 1 : 0;
    state.fullScreen = m_Engine.IsFullscreen();
    state.volume = m_Engine.GetVolume();
    state.muted = m_Engine.IsMuted();
    for (int player = 0; player < 2; ++player) {
        CResumeState::Player& out = state.players[player];
        out.path = m_Engine.GetFileName(player);
        if (!out.path.empty()) {
            const int32_t playState = m_Engine.GetPlayState(player);
            out.state = playState == SHOW_SEEKING ? SHOW_PAUSED : playState;
            out.positionMs = out.state == SHOW_STOPPED ? 0 : m_Engine.GetPosition(player);
        }
    }
    const CPlaylistCtrl& playlist = m_Engine.Playlist();
    state.rows.reserve(static_cast<size_t>(std::max(playlist.GetRowCount(), 0)));
    for (int i = 0; i < playlist.GetRowCount(); ++i) {
        const CPlaylistCtrl::CRow* row = playlist.GetRow(i);
        if (const CEntry* entry = row ? playlist.FindEntryById(row->m_Id) : nullptr)
            state.rows.push_back({ entry->m_Path, entry->m_Title, entry->m_Length });
    }
    return state;
}

void CShowResume::Tick(Clock::time_point now)
{
    if (m_Phase == Phase::Storing && now >= m_StoreDeadline) {
        LogError("Resume: the attempt count was not stored within %lld s; starting as usual, not resuming.\n",
            static_cast<long long>(kStoreBound.count()));
        m_Attempts = 0;
        EndRestore(false);
    }
    if (m_Phase != Phase::Running)
        return; // half a restore is not a state to come back to
    if (m_Attempts > 0 && now - m_Started >= kSettled)
        m_Attempts = 0;
    CResumeState state = Capture();
    state.attempts = m_Attempts;
    // The playlist is rewritten when it changed, at most once a second while
    // only rows change (titles arriving from the prober); a new medium at once.
    const bool listChanged = !m_LastState || !SameList(state, *m_LastState);
    const bool mediaChanged = !m_LastState || state.players[0].path != m_LastState->players[0].path
        || state.players[1].path != m_LastState->players[1].path;
    const bool writeList = listChanged && (mediaChanged || now - m_LastStateWrite >= kRunningInterval);
    state.stamp = writeList ? FreshStamp() : m_LastState ? m_LastState->stamp : 0;
    const CResumePosition record = CResumePosition::From(state);
    const bool running = state.players[0].state == SHOW_RUNNING || state.players[1].state == SHOW_RUNNING;
    const bool recordChanged
        = !m_LastRecord || WithoutRunningPositions(record) != WithoutRunningPositions(*m_LastRecord);
    const bool moved = m_LastRecord && running
        && !(record.players[0] == m_LastRecord->players[0] && record.players[1] == m_LastRecord->players[1])
        && now - m_LastRecordWrite >= kRunningInterval;
    if (!writeList && !recordChanged && !moved)
        return;
    std::optional<std::string> whole;
    if (writeList) {
        whole = state.Serialize();
        m_LastState = std::move(state);
        m_LastStateWrite = now;
    }
    m_Writer.Submit(std::move(whole), record);
    m_LastRecord = record;
    m_LastRecordWrite = now;
}

void CShowResume::Finish()
{
    *m_Alive = false;
    m_Writer.Stop(true);
}
