#pragma once

#include "core/Messages.h"
#include "core/ServiceNotifier.h"
#include "core/Services.h"
#include "remote/RemotePackets.h"
#include "show/ShowCommand.h"
#include "show/ShowEvent.h"
#include "ui/VideoView.h"

#include <QMainWindow>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class CDMXInput;
class CDmxControl;
class QLabel;
class COscServer;
class CLogBookDlg;
class CPlayerCtrlBar;
class CPlaylistCtrl;
class CRightView;
class CShowResume;
class CSyncClock;
class CWallSync;
class CServerSocket;
class CShowEngine;
class CVideoView;
class QAction;
class QMenu;
class QSplitter;

// The single top-level window: a view of the show engine. Menu commands,
// accelerators and control-bar buttons become commands of the engine's command
// set; the engine's events refresh the control bar, the buttons and the menus.
// It still hosts the network and DMX controllers (which send their commands to
// the engine, never here), hands them the engine's text lines and status, and
// runs the one 100 ms timer of the periodic work.
//
// Invariant: the pane pointers are either all set (m_bPanesCreated) or all
// null; every handler checks m_bPanesCreated first, so messages that arrive
// while the panes are being built or torn down are harmless.
class CMainFrame : public QMainWindow, public CMessageTarget, public CShowCommandSink
{
    Q_OBJECT

public:
    static constexpr int kPlaylistWidth = 200;
    static constexpr int kVideoMinWidth = 535;
    static constexpr int kCtrlBarHeight = 74;
    static constexpr int kMinTrackWidth = 755;
    static constexpr int kMinTrackHeight = 240;

    // Builds the panes, the hidden logbook window, the server and the timer.
    // statusDestination ("ADDR[:PORT]", empty = default) is applied before the
    // server starts so that no packet ever goes elsewhere; a command port of 0
    // takes any free port (tests). services outlive the frame.
    struct Options
    {
        std::string statusDestination;
        uint16_t commandPort = RemotePackets::kCommandPort;
        bool probeAddedFiles = true; // the playlist reads title and length of added files
        int oscEnabled = -1; // the OSC server: 1 on, 0 off, -1 as the preferences say
        int oscPort = -1; // -1: as the preferences say
        std::string oscFeedback; // fixed OSC feedback destinations besides the preferences' ones
        std::string resumeFile; // where the show's state is kept for a start after a crash; empty: nowhere
    };
    // engine outlives the frame; its playlist is the one the playlist pane shows.
    CMainFrame(
        CShowEngine& engine, const Options& options, const CServices& services, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The panes' initial updates in creation order: video view, control bar,
    // playlist. Call it once the frame is shown, so the view has its real size.
    void InitialUpdate();

    LRESULT SendMessage(unsigned msg, WPARAM wParam, LPARAM lParam) override;

    // Runs a menu or accelerator command by id; false for an unknown or disabled one.
    bool RunCommand(int id);
    // Re-evaluates the enabling, check and radio marks of every command.
    void UpdateCommandUI();
    QAction* Action(int id) const;

    // Offers a document to the playlist: true when it was a playlist file and loaded.
    bool OfferDocument(const std::string& path);
    void ApplyVolumeRange();
    void UpdateStatusRecord();
    // Joins a wall on this group clock (null: standalone); outlives the frame.
    void SetSyncClock(CSyncClock* clock);
    // A wall member's sync state for the OSC feedback ("follower 10.0.0.1 locked").
    void SetSyncStatus(const std::string& text, float offsetMs)
    {
        m_SyncStatus = text;
        m_SyncOffsetMs = offsetMs;
    }
    void SendStatusMsg(int player, const std::string& text);
    // After the preferences sheet's OK: restarts the server when remote control
    // was switched on, saves the preferences and applies the volume range.
    void ApplyAcceptedPreferences(int previousRemoteCtrl);
    // Replaces the modal yes/no box (tests).
    void SetQuestionHandler(std::function<bool(const std::string&)> ask) { m_AskYesNo = std::move(ask); }
    // Starts keeping the show's state while resume is on (else removes the
    // files); true when a state from an unclean end is being restored.
    // normalStart (the document and --play) runs now, or, when a restore takes
    // its place, only if the restore could open nothing; either way after the
    // playlist's start-up track, which waits while a restore may come.
    bool StartResume(std::function<void()> normalStart = {});
    // A clean quit: the state file goes, so the next start is a fresh one.
    void EndResume();
    CShowResume* GetResume() const { return m_pResume.get(); }
    // A command from the window, through the wall on a wall's leader.
    ShowReply Execute(const ShowCommand& command) override;
    // Cuts to the hidden player and starts it; false (logged) when the hidden player has nothing open.
    bool TakeHidden();
    CShowEngine& Engine() const { return m_Engine; }
    // Mouse-wheel volume: delta in eighths of a degree (120 = one notch).
    void WheelVolume(int delta);

    CVideoView* GetVideoView() const { return m_pVideoView; }
    CPlayerCtrlBar* GetCtrlBar() const { return m_pCtrlBar; }
    CRightView* GetRightView() const { return m_pRightView; }
    CPlaylistCtrl* GetPlaylist() const;
    CServerSocket* GetSocket() const { return m_pSocket.get(); }
    COscServer* GetOscServer() const { return m_pOsc.get(); }
    CLogBookDlg* GetLogBook() const { return m_pLogBook.get(); }
    CDMXInput* GetDMXInput() const { return m_pDMXInput.get(); }
    CDmxControl* GetDmxControl() const { return m_pDmx.get(); }
    bool IsAlwaysOnTop() const { return m_bAlwaysOnTop; }
    int GetTimerId() const { return m_nTimer; }
    QSplitter* OuterSplitter() const { return m_pOuter; }
    QSplitter* InnerSplitter() const { return m_pInner; }

    // One tick of the periodic work (the 100 ms timer calls it).
    void OnTimer();

Q_SIGNALS:
    void aboutRequested();
    void documentRequested(const QString& path);

protected:
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreatePanes(bool probeAddedFiles);
    void DestroyPanes();
    void CreateMenus();
    void ShareShortcutsWith(QWidget* window);
    QAction* AddCommand(QMenu* menu, int id, const char* text);
    void RefreshRecentFiles();
    bool RunPreferencesSheet();

    // Menu command handlers.
    void OnOpenMedia();
    void OnGeneralPreferences();
    void OnResetPreferences();
    void OnAlwaysOnTop();
    void OnPlayerCommand(int id);
    void OnPlaylistCommand(int id);

    // The engine's events.
    void OnShowEvent(const ShowEvent& event);
    void OnPlayerRefresh();
    void OnPlayerState();
    void OnMediaOpened(int player);
    void OnLevel();
    void StartOscServer();
    void StartDmx();

    int ActivePlayer() const;
    int VolumeRange() const;
    void LightPlayerButtons();
    // After every change a controller must hear of: the status record refreshed
    // and broadcast at the next tick.
    void StatusChanged();

    CShowEngine& m_Engine;
    uint64_t m_Subscription = 0;
    CServices m_Services;
    std::unique_ptr<CLogBookDlg> m_pLogBook;
    std::unique_ptr<CServerSocket> m_pSocket;
    std::unique_ptr<COscServer> m_pOsc;
    int m_OscEnabledOverride = -1;
    int m_OscPortOverride = -1;
    std::string m_OscFeedbackExtra;
    std::string m_SyncStatus = "standalone";
    float m_SyncOffsetMs = 0;
    std::unique_ptr<CDMXInput> m_pDMXInput;
    std::unique_ptr<CDmxControl> m_pDmx;
    QLabel* m_pDmxStatus = nullptr; // the menu bar's corner
    CServiceNotifier m_Service;
    std::string m_ResumeFile;
    std::unique_ptr<CShowResume> m_pResume;
    std::unique_ptr<CWallSync> m_pWall;
    QSplitter* m_pOuter = nullptr;
    QSplitter* m_pInner = nullptr;
    CVideoView* m_pVideoView = nullptr;
    CPlayerCtrlBar* m_pCtrlBar = nullptr;
    CRightView* m_pRightView = nullptr;
    int m_nTimer = 0;
    bool m_bPanesCreated = false;
    bool m_bAlwaysOnTop = false;
    bool m_bInitialUpdateDone = false;

    const QEvent* m_pLastWheel = nullptr;
    quint64 m_LastWheelTime = 0;
    std::map<int, QAction*> m_Actions;
    QMenu* m_pRecentMenu = nullptr;
    QAction* m_pRecentSeparator = nullptr;
    std::function<bool(const std::string&)> m_AskYesNo;
};
