#pragma once

#include "core/CoreTypes.h"
#include "core/Messages.h"
#include "core/Services.h"
#include "show/ShowCommand.h"
#include "show/ShowEvent.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class CBasePlayer;
class CPlaylistCtrl;
class CShowOutput;

// The show: Player A and Player B (made by the player factory), which of them
// is active, the playlist and its cursor, the level, and the rules of a show
// (what follows the end or failure of a medium, cut, take, what waits while a
// medium opens). Every controller reaches it through Execute with a command of
// the one command set; what changed comes back as events. It has no widgets:
// the pictures go to the output the user interface attaches.
//
// Commands and events run on the interface thread. A command is answered at
// once; one that waits for an open ends later with a Done event carrying its
// ticket. While a player opens, commands for it queue (at most kQueueLimit; a
// newer open replaces the older one with its queue; a stop ends both) and run
// in order once it has opened, or are dropped with a status line when the
// open fails.
//
// Invariant: after Start both players exist until the engine ends; every
// player index the engine acts on is 0 or 1.
class CShowEngine : public CMessageTarget, public CShowCommandSink
{
public:
    // What the engine needs from outside besides its services, replaceable by
    // tests: the multimedia runtime check, the fatal message box and the exit.
    struct Hooks
    {
        std::function<bool()> checkRuntime;
        std::function<void(const std::string& text, const std::string& caption)> fatalMessageBox;
        std::function<void(int exitCode)> exitProcess;
    };
    static Hooks DefaultHooks(CUiServices* ui);
    static constexpr int kPlayerCount = 2;
    static constexpr size_t kQueueLimit = 8;
    // Failures that follow each other within this time count as one run of failures.
    static constexpr int64_t kQuickFailureMs = 1000;

    // playlist: the show's playlist (its owner keeps it alive longer than the engine).
    CShowEngine(const CServices& services, CPlaylistCtrl& playlist);
    ~CShowEngine() override;
    CShowEngine(const CShowEngine&) = delete;
    CShowEngine& operator=(const CShowEngine&) = delete;

    void SetHooks(Hooks hooks);
    // Makes both players; false (after the hooks' exit) when they cannot be made.
    bool Start();
    bool IsStarted() const { return m_bStarted; }
    void ReleasePlayers();

    ShowReply Execute(const ShowCommand& command) override;
    // Handlers are called in subscription order; 0 is never a subscription.
    uint64_t Subscribe(ShowEventHandler handler);
    void Unsubscribe(uint64_t subscription);

    // The periodic work (every 100 ms): the running player's position.
    void Tick();

    // Queries.
    int GetActivePlayer() const { return m_Active; }
    int GetHiddenPlayer() const { return m_Active == PLAYER_A ? PLAYER_B : PLAYER_A; }
    CBasePlayer* GetPlayer(int player) const;
    CPlaylistCtrl& Playlist() const { return m_Playlist; }
    bool IsOpening(int player) const;
    bool IsOpen(int player) const; // a medium is open in it
    int32_t GetPlayState(int player) const;
    uint32_t GetPosition(int player) const;
    uint32_t GetDuration(int player) const;
    std::string GetTitle(int player) const; // empty unless open
    std::string GetFileName(int player) const; // empty unless open
    std::string GetShortName(int player) const;
    int32_t GetVolume() const { return m_Volume; } // hundredths of a dB
    bool IsMuted() const { return m_bMuted; }
    // The level control's range in hundredths of a dB (the preferences' lowest level).
    int VolumeRange() const { return m_VolumeRange; }
    void SetVolumeRange(int range) { m_VolumeRange = range; }
    int VolumePercent() const;
    bool IsFullscreen() const;

    // Pictures: the output interface's side of the engine.
    void AttachOutput(CShowOutput* output) { m_pOutput = output; }
    void AttachSurface(int player, WindowHandle surface);
    void SetMessageDrain(int player, WindowHandle drain);
    void SetPictureRect(int player, const CRect& rect);
    CRect GetPictureRect(int player) const;
    void ShowPlayerPicture(int player, bool show);
    int32_t GetPictureWidth(int player) const;
    int32_t GetPictureHeight(int player) const;

    // Runs player on a wall's clock: position startMs (-1: the current one) falls on group time `at`.
    void PlayAt(int player, uint64_t at, int64_t startMs);
    // Repeat loops the active medium seamlessly where the player can.
    void ApplySeamlessLoop();
    void SetSeamlessLoop(int player, bool loop);
    // While set, the playlist's start-up track is held back (a restore may
    // take its place); LoadHeldStartTrack loads it later.
    void HoldStartTrack(bool hold) { m_bHoldStartTrack = hold; }
    void LoadHeldStartTrack();
    bool HasHeldStartTrack() const { return m_HeldStartTrack >= 0; }

    // Notifications from the players (WM_GRAPHNOTIFY) and the playlist (WM_CMD_LOAD_TRACK).
    LRESULT SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam) override;

    // A line for controllers: "Player A: " + text.
    void SendStatusMsg(int player, const std::string& text);

private:
    enum class OpenResult { Opened, Failed, Cancelled };
    using OpenDone = std::function<void(OpenResult)>;
    struct PendingOpen
    {
        bool pending = false;
        OpenDone done;
        std::deque<std::pair<ShowCommand, uint64_t>> queue; // with their tickets
    };
    enum LoadOutcome { LOAD_NONE, LOAD_PENDING, LOAD_OPENED, LOAD_FAILED };

    // A player's answer to a query, fallback when there is no player.
    template <typename T> T Ask(int player, T (CBasePlayer::*query)(), T fallback) const
    {
        CBasePlayer* p = GetPlayer(player);
        return p ? (p->*query)() : fallback;
    }

    // ShowEngine.cpp: dispatch and events.
    ShowReply Refuse(const ShowCommandInfo& info, const std::string& reason);
    ShowReply Run(const ShowCommand& command, const ShowCommandInfo& info);
    bool QueueBehindOpen(int player, const ShowCommand& command, ShowReply& reply);
    void Emit(ShowEvent event);
    void Emit(ShowEventKind kind, int player = -1, int64_t value = 0);
    void StateChanged(int player);
    void SendSeekMessage(int player, uint32_t position, uint32_t duration);
    void SetLevel(int32_t volume, bool announce);
    bool SetPlaylistMode(ShowCommandId id, bool on);

    // ShowPlayers.cpp: the two players.
    static void ReportFatal(const char* text);
    bool OpenMedia(const std::string& path, int player, OpenDone done = {});
    void CompleteOpen(int player, bool opened);
    void CancelOpen(int player);
    void ShowOpened(int player);
    void TogglePlay(int player);
    void PlayOnly(int player);
    void PausePlayer(int player);
    void StopPlayer(int player);
    void SeekPlayer(int player, uint32_t position);
    void ApplyVolume(int32_t volume);
    void ApplyMute(bool mute);
    void Cut(int player);
    void OnGraphNotify();
    void Redraw();

    // ShowRules.cpp: the show's rules.
    void OnMediaOpened(int player);
    void OpenRemote(int player, std::string text, uint64_t ticket);
    void OnRemoteOpened(const std::string& path, int player, OpenResult result, uint64_t ticket);
    bool OnLoadTrack(WPARAM target, LPARAM autoplay); // false: nothing to load
    void OnTrackOpened(const std::string& path, int player, int state, bool autoplay, OpenResult result);
    void OnEndOfMedia();
    void OnPlayerFailed(int player);
    void AdvanceTrack(int count);
    void NextAdvanceAttempt();
    void EndAdvance(bool stopUnlessOpened);
    bool TakeHidden();

    CServices m_Services;
    CPlaylistCtrl& m_Playlist;
    Hooks m_Hooks;
    CShowOutput* m_pOutput = nullptr;
    std::array<std::unique_ptr<CBasePlayer>, kPlayerCount> m_pPlayer;
    std::array<PendingOpen, kPlayerCount> m_Pending {};
    std::array<int32_t, kPlayerCount> m_SavedPlayState {};
    bool m_bStarted = false;
    int m_Active = PLAYER_A;
    int32_t m_Volume = 0;
    bool m_bMuted = false;
    int m_VolumeRange = 3000;

    std::map<uint64_t, ShowEventHandler> m_Subscribers;
    uint64_t m_NextSubscription = 1;
    uint64_t m_NextTicket = 1;
    uint64_t m_OpenTicket = 0; // the open being executed, to tell one that ends at once
    std::optional<bool> m_OpenEnded;

    bool m_bHoldStartTrack = false;
    int m_HeldStartTrack = -1; // the held start-up track's autoplay flag; -1 none
    // What the last load of a playlist track did, and the play state it continues in
    // while AdvanceTrack skips entries that do not open (-1: the active one's).
    LoadOutcome m_LoadOutcome = LOAD_NONE;
    int m_ContinueState = -1;
    bool m_bAdvancing = false;
    int m_AdvanceTries = 0;
    bool m_bLoadStarting = false; // inside OnLoadTrack's own open
    std::array<int, kPlayerCount> m_QuickFailures {};
    std::array<int64_t, kPlayerCount> m_LastFailureMs { INT64_MIN / 2, INT64_MIN / 2 };
};
