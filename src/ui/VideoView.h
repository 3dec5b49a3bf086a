#pragma once

#include "core/CoreTypes.h"
#include "core/Messages.h"
#include "core/Services.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

class CBasePlayer;
class CFullScreenDlg;
class CVideoSurface;

// The left pane of the main window and the single owner of Player A and
// Player B. It decides which player is active, places the active player's
// picture in its own client area or in the full-screen window, applies the zoom
// level, holds the common volume and mute state, and turns the players' graph
// events into notifications for the main frame.
//
// Each player renders into a native window of its own (CVideoSurface). The
// active player's window covers the view (or the full-screen window); the
// inactive player's window is hidden or parked in a window that is never shown,
// so its picture cannot be seen, and a cut only swaps which window is mapped.
//
// Invariant: after the initial update both players exist for the life of the
// view; every operation that takes a player index accepts only 0 and 1.
class CVideoView : public QWidget, public CMessageTarget
{
    Q_OBJECT

public:
    // What the view needs from outside besides its services, replaceable by
    // tests: the multimedia runtime check, the fatal message box and the exit.
    struct Hooks
    {
        std::function<bool()> checkRuntime;
        std::function<void(const std::string& text, const std::string& caption)> fatalMessageBox;
        std::function<void(int exitCode)> exitProcess;
    };
    // ui shows the runtime check's own message (may be null).
    static Hooks DefaultHooks(CUiServices* ui);

    static constexpr int kPlayerCount = 2;
    static constexpr int kDefaultZoomLevel = 100;

    // frame receives the notifications (the main frame); it may be null. The
    // players come from services.createPlayer; services outlive the view.
    CVideoView(CMessageTarget* frame, const CServices& services, QWidget* parent = nullptr);
    ~CVideoView() override;

    void SetHooks(Hooks hooks);

    // Creates the players and the full-screen and parking windows; once.
    void OnInitialUpdate();
    void ReleaseAllPlayers();

    // How an open ended: Cancelled when a newer open or a stop took its place
    // (nothing is shown or sent for it).
    enum class OpenResult { Opened, Failed, Cancelled };
    using OpenDone = std::function<void(OpenResult)>;

    // Opens path into player. A player that opens asynchronously returns true
    // while the open is pending; its end runs the same steps later, from the
    // graph notification. done (may be empty) is called once, when the open has
    // ended, after the view's own notifications; false from OpenMedia means it
    // failed at once (done has then been called with Failed).
    bool OpenMedia(const std::string& path, int player, OpenDone done = {});
    bool IsOpening(int player) const;
    void Play(int player);
    void PlayOnly(int player);
    // PlayOnly on a wall's clock: position startMs (-1: the current one) falls on group time `at`.
    void PlayOnlyAt(int player, uint64_t at, int64_t startMs);
    void Pause(int player);
    void Stop(int player);
    void SetPosition(int player, uint32_t position);
    void SetVolume(int32_t volume);
    void SetMute(bool mute);
    void SetActivePlayer(int player);
    void ToggleFullscreen();
    void ZoomTo(int percent);
    void ZoomFit();
    std::string GetTitle(int player);
    std::string GetFileName(int player);

    void UpdateVideoWindow();
    void OnGraphNotify();
    void OnFullscreenClosed();

    int GetActivePlayer() const { return m_ActivePlayer; }
    int GetZoomLevel() const { return m_ZoomLevel; }
    bool IsFullscreen() const { return m_bFullscreen; }
    bool IsMuted() const { return m_bMuted; }
    int32_t GetVolume() const { return m_Volume; }
    bool IsInitialised() const { return m_bInitialised; }
    CBasePlayer* GetPlayer(int player) const;
    CFullScreenDlg* GetFullScreenWindow() const { return m_pFullScreen.get(); }
    CFullScreenDlg* GetParkingWindow() const { return m_pParking.get(); }
    CVideoSurface* GetSurface(int player) const;
    CRect GetZoomRect(int player) const;
    CRect ClientRect() const;

    // WM_GRAPHNOTIFY from the players, WM_FULLSCREEN_CLOSED from the full-screen window.
    LRESULT SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool SetUpPlayers();
    // Writes what ends the program to standard error.
    static void ReportFatal(const char* text);
    void Notify(unsigned msg, WPARAM wParam, LPARAM lParam);
    void NotifyState(int player);
    void RedrawBackground();
    // Places player's video window in host and tells the player its handle.
    void AttachToHost(int player, QWidget* host);
    void ShowPlayer(int player, bool show);
    void PlaceActivePlayer(bool reveal);
    void PlaceByZoomLevel();
    void ApplyZoomFallBack(int player);
    // The steps after a successful open: placement, notifications, sound.
    void ShowOpened(int player);
    void CompleteOpen(int player, bool opened);
    // Ends a pending open without a trace; its done hears Cancelled.
    void CancelOpen(int player);

    CMessageTarget* m_pFrame = nullptr;
    CServices m_Services;
    Hooks m_Hooks;
    std::unique_ptr<CFullScreenDlg> m_pFullScreen;
    std::unique_ptr<CFullScreenDlg> m_pParking;
    std::array<std::unique_ptr<CBasePlayer>, kPlayerCount> m_pPlayer;
    std::array<std::unique_ptr<CVideoSurface>, kPlayerCount> m_pSurface;
    bool m_bInitialised = false;
    int m_ActivePlayer = PLAYER_A;
    std::array<int32_t, kPlayerCount> m_SavedPlayState {};
    int32_t m_Volume = 0;
    bool m_bFullscreen = false;
    bool m_bMuted = false;
    int m_ZoomLevel = kDefaultZoomLevel;
    std::array<CRect, kPlayerCount> m_rcZoom {};

    // An open still running, and the last play or pause asked for meanwhile
    // (applied when it has opened; -1 none).
    struct PendingOpen
    {
        bool pending = false;
        OpenDone done;
        int32_t command = -1;
    };
    std::array<PendingOpen, kPlayerCount> m_Pending {};
};
