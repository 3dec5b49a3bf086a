#pragma once

#include "core/Messages.h"
#include "core/Services.h"
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

class QLabel;
class CLogBookDlg;
class CMainMenu;
class CPlayerCtrlBar;
class CPlaylistCtrl;
class CRightView;
class CShowControllers;
class CShowEngine;
class CVideoView;
class QAction;
class QMenu;
class QSplitter;

// The single top-level window: a view of the show engine. Menu commands,
// accelerators and control-bar buttons become commands of the engine's command
// set, sent through the controllers' door as every controller's are; the
// engine's events refresh the control bar, the buttons and the menus. It owns
// no controller. A 100 ms timer drives the panes' periodic work.
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

    // Builds the panes, the hidden logbook window and the timer. The engine,
    // its controllers and services outlive the frame; the engine's playlist is
    // the one the playlist pane shows.
    CMainFrame(CShowEngine& engine, CShowControllers& controllers, const CServices& services,
        QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The engine's start and the panes' initial updates in creation order:
    // video view, control bar, playlist. Call it once the frame is shown, so
    // the view has its real size.
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
    // After the preferences sheet's OK: the controllers follow the new
    // settings, the preferences are saved and the volume range applied.
    void ApplyAcceptedPreferences(int previousRemoteCtrl);
    // Replaces the modal yes/no box (tests).
    void SetQuestionHandler(std::function<bool(const std::string&)> ask) { m_AskYesNo = std::move(ask); }
    // A command from the window: to the controllers' door (through the wall on a wall's leader).
    ShowReply Execute(const ShowCommand& command) override;
    // Cuts to the hidden player and starts it; false (logged) when the hidden player has nothing open.
    bool TakeHidden();
    CShowEngine& Engine() const { return m_Engine; }
    CShowControllers& Controllers() const { return m_Controllers; }
    // Mouse-wheel volume: delta in eighths of a degree (120 = one notch).
    void WheelVolume(int delta);

    CVideoView* GetVideoView() const { return m_pVideoView; }
    CPlayerCtrlBar* GetCtrlBar() const { return m_pCtrlBar; }
    CRightView* GetRightView() const { return m_pRightView; }
    CPlaylistCtrl* GetPlaylist() const;
    CLogBookDlg* GetLogBook() const { return m_pLogBook.get(); }
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
    void CreatePanes();
    void DestroyPanes();
    void ShareShortcutsWith(QWidget* window);
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
    void ShowDmxStatus();

    int ActivePlayer() const;
    int VolumeRange() const;
    void LightPlayerButtons();

    CShowEngine& m_Engine;
    CShowControllers& m_Controllers;
    uint64_t m_Subscription = 0;
    CServices m_Services;
    std::unique_ptr<CLogBookDlg> m_pLogBook;
    QLabel* m_pDmxStatus = nullptr; // the menu bar's corner
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
    std::unique_ptr<CMainMenu> m_pMenu;
    std::function<bool(const std::string&)> m_AskYesNo;
};
