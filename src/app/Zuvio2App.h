#pragma once

#include "core/CommandLine.h"
#include "core/Services.h"
#include "show/ShowEngine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class CDlgSplash;
class CGroupClock;
class CLogBuffer;
class CMainFrame;
class CPlaylistCtrl;
class CShowControllers;
class CPreferences;
class CQtUiServices;
class CSignalBridge;
class CSyncClock;
class QTimer;

// The application object: brings the program up in a fixed order (logbook and
// preferences before anything that logs or reads them, the server before the
// first status, the players before the playlist asks for a track) and takes it
// down again so that every component stores its state.
class CZuvio2App : public QObject
{
    Q_OBJECT

public:
    // Exit code when start-up itself fails (socket layer, command line).
    static constexpr int kStartupFailed = 3;

    CZuvio2App();
    ~CZuvio2App() override; // frame first, then the log buffer and the preferences

    // Picks the Qt platform before QApplication exists: offscreen without any
    // display, X11 (through XWayland) on a Wayland desktop for the video overlay.
    static void ChoosePlatform();
    // Whether the socket layer works (a UDP socket can be made).
    static bool SocketLayerAvailable();

    // The command port: 31773, or ZUVIO_COMMAND_PORT.
    static uint16_t CommandPort();
    // "Zuvio.resume" beside the settings file.
    static std::string ResumeFilePath();

    // Start-up; false ends the program at once.
    bool InitInstance(const CCommandLine& line);
    // The event loop, then an orderly shutdown; returns the exit code.
    int Run();

    // A file from the command line or the recent-file list.
    bool OpenDocumentFile(const std::string& path);
    void OnAppAbout();
    // --play: the playlist's first entry, or the medium that was opened.
    void StartDocument(const std::string& path);

    // Replace how players are made and the video view's hooks (tests); before InitInstance.
    void SetPlayerFactory(std::function<std::unique_ptr<CBasePlayer>()> create)
    {
        m_CreatePlayer = std::move(create);
    }
    void SetEngineHooks(CShowEngine::Hooks hooks) { m_EngineHooks = std::move(hooks); }
    void SetProbeAddedFiles(bool probe) { m_bProbeAddedFiles = probe; }

    CMainFrame* MainFrame() const { return m_pFrame.get(); }
    CShowEngine* Engine() const { return m_pEngine.get(); }
    CShowControllers* Controllers() const { return m_pControllers.get(); }
    // What the frame and its components were given; null before InitInstance.
    const CServices* Services() const { return m_pServices.get(); }
    CDlgSplash* Splash() const;
    // Closes the main window as "Quit" does (termination signals come here).
    void Quit();

private:
    std::unique_ptr<CLogBuffer> m_pLogBuffer;
    std::unique_ptr<CPreferences> m_pPreferences;
    std::unique_ptr<CQtUiServices> m_pUiServices;
    std::unique_ptr<CServices> m_pServices;
    std::unique_ptr<CPlaylistCtrl> m_pPlaylist; // the show's, shown by the playlist pane
    std::unique_ptr<CShowEngine> m_pEngine;
    std::unique_ptr<CShowControllers> m_pControllers; // the network, DMX, resume and a wall
    std::unique_ptr<CMainFrame> m_pFrame;
    std::unique_ptr<CSignalBridge> m_pSignals;
    std::unique_ptr<CSyncClock> m_pSync; // a wall's group clock; before the frame, so it outlives the players
    std::shared_ptr<CGroupClock> m_pGroupClock; // handed to every player; null when standalone
    uint32_t m_SyncEpoch = 0; // the group clock the players are on
    QTimer* m_pSyncTimer = nullptr; // owned by this object
    QElapsedTimer m_SyncSince;
    void StartSync(const CCommandLine& line);
    QPointer<CDlgSplash> m_pSplash;
    std::function<std::unique_ptr<CBasePlayer>()> m_CreatePlayer;
    std::optional<CShowEngine::Hooks> m_EngineHooks;
    // The fatal message box as a window shows it.
    static CShowEngine::Hooks WindowHooks();
    bool m_bProbeAddedFiles = true;
};
