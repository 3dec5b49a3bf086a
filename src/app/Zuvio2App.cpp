#include "app/Zuvio2App.h"

#include "control/ShowControllers.h"
#include "core/Log.h"
#include "core/LogBuffer.h"
#include "core/Preferences.h"
#include "core/Profile.h"
#include "core/SignalBridge.h"
#include "playback/BasePlayer.h"
#include "playback/GraphProber.h"
#include "playback/GroupClock.h"
#include "playback/PlayerFactory.h"
#include "playback/SinkChoice.h"
#include "playlist/MediaTypes.h"
#include "playlist/PlaylistCtrl.h"
#include "playlist/RecentFileList.h"
#include "show/ShowEngine.h"
#include "sync/SyncClock.h"
#include "ui/AboutDlg.h"
#include "ui/DlgSplash.h"
#include "ui/MainFrame.h"
#include "ui/QtUiServices.h"
#include "ui/VideoView.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

CZuvio2App::CZuvio2App() = default;

CZuvio2App::~CZuvio2App()
{
    m_pSignals.reset();
    if (m_pControllers)
        m_pControllers->EndResume(); // an orderly end is a clean one
    if (m_pSplash)
        delete m_pSplash.data();
    m_pFrame.reset();
    m_pControllers.reset();
    m_pEngine.reset();
    m_pPlaylist.reset();
    m_pGroupClock.reset();
    m_pSync.reset();
    m_pServices.reset();
    m_pUiServices.reset();
    m_pPreferences.reset();
    g_pLogBuffer = nullptr;
    m_pLogBuffer.reset();
}

void CZuvio2App::ChoosePlatform()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!x11 && !wayland)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else if (wayland && x11)
        qputenv("QT_QPA_PLATFORM", "xcb");
}

bool CZuvio2App::SocketLayerAvailable()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

uint16_t CZuvio2App::CommandPort()
{
    // Another port lets several players share one machine (tests, rehearsals).
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("ZUVIO_COMMAND_PORT", &ok);
    return ok && port >= 0 && port <= 65535 ? static_cast<uint16_t>(port) : RemotePackets::kCommandPort;
}

bool CZuvio2App::InitInstance(const CCommandLine& line)
{
    if (!SocketLayerAvailable()) {
        const char* text = "Fehler beim Initialisieren der Windows-Sockets.";
        std::fprintf(stderr, "%s\n", text);
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QMessageBox::critical(nullptr, QStringLiteral("Zuvio"), QString::fromUtf8(text));
        return false;
    }
    // Caught from the start; handled once the event loop runs, as "Quit".
    m_pSignals = std::make_unique<CSignalBridge>();
    connect(m_pSignals.get(), &CSignalBridge::terminationRequested, this, [this](int signalNumber) {
        LogMessage("Signal %d: closing.\n", signalNumber);
        Quit();
    });
    QCoreApplication::setOrganizationName(QStringLiteral("vexo"));
    QCoreApplication::setApplicationName(QStringLiteral("Zuvio"));

    m_pLogBuffer = std::make_unique<CLogBuffer>("Zuvio", 500, 256);
    g_pLogBuffer = m_pLogBuffer.get();
    if (line.logToStderr)
        g_pLogBuffer->SetMirror(stderr);
    if (!line.audioSink.empty())
        SinkChoice::SetAudioSinkDescription(line.audioSink);
    if (!line.videoSink.empty())
        SinkChoice::SetVideoSinkDescription(line.videoSink);
    m_pPreferences = std::make_unique<CPreferences>();
    m_pUiServices = std::make_unique<CQtUiServices>();
    CUiServices* ui = m_pUiServices.get();
    StartSync(line); // before the factory, which hands its clock to every player
    auto createPlayer = m_CreatePlayer ? m_CreatePlayer
                                       : [ui, clock = m_pGroupClock] { return CreateMediaPlayer(ui, clock); };
    m_pServices.reset(new CServices { *m_pPreferences, ui, std::move(createPlayer),
        [] { return std::unique_ptr<CMediaProber>(std::make_unique<CGraphProber>()); } });

    CShowControllers::Options options;
    options.statusDestination = line.statusAddress;
    options.commandPort = CommandPort();
    options.oscEnabled = line.osc;
    options.oscPort = line.oscPort;
    // As the command port: another port lets several players share one machine.
    if (bool ok = false; options.oscPort < 0) {
        const int port = qEnvironmentVariableIntValue("ZUVIO_OSC_PORT", &ok);
        if (ok && port >= 0 && port <= 65535)
            options.oscPort = port;
    }
    options.oscFeedback = line.oscFeedback;
    options.resumeFile = ResumeFilePath();
    m_pPlaylist = std::make_unique<CPlaylistCtrl>(*m_pServices,
        m_bProbeAddedFiles && m_pServices->createProber ? m_pServices->createProber() : nullptr);
    m_pEngine = std::make_unique<CShowEngine>(*m_pServices, *m_pPlaylist);
    m_pEngine->SetHooks(m_EngineHooks ? *m_EngineHooks : WindowHooks());
    m_pControllers = std::make_unique<CShowControllers>(*m_pEngine, *m_pPreferences, options);
    m_pControllers->SetSyncClock(m_pSync.get());
    m_pFrame = std::make_unique<CMainFrame>(*m_pEngine, *m_pControllers, *m_pServices);
    m_pUiServices->SetParent(m_pFrame.get());
    connect(m_pFrame.get(), &CMainFrame::aboutRequested, this, &CZuvio2App::OnAppAbout);
    connect(m_pFrame.get(), &CMainFrame::documentRequested, this,
        [this](const QString& path) { OpenDocumentFile(path.toLocal8Bit().toStdString()); });
    // Shown first, so that the panes have their real sizes when the players are
    // placed and the zoom level is tested against the view.
    m_pFrame->show();
    m_pControllers->Start(); // before the first text line
    m_pFrame->InitialUpdate();
    // After a crash the show goes on where it was, not at the document's top;
    // a restore that opens nothing is followed by the usual start. A playlist
    // is loaded at once (a restore replaces its rows), a medium only then.
    const std::string document = line.document;
    const bool list = !document.empty() && IsPlaylistFile(document);
    const bool listOpened = list && OpenDocumentFile(document);
    m_pControllers->StartResume([this, document, list, listOpened, play = line.play] {
        const bool opened = list ? listOpened : !document.empty() && OpenDocumentFile(document);
        if (opened && play)
            StartDocument(document);
    });

    if (m_pPreferences->m_bShowSplash) {
        m_pSplash = new CDlgSplash();
        m_pSplash->ShowOver(m_pFrame.get());
    }
    return true;
}

CShowEngine::Hooks CZuvio2App::WindowHooks()
{
    CShowEngine::Hooks hooks;
    hooks.fatalMessageBox = [](const std::string& text, const std::string& caption) {
        // Headless nobody could close it; standard error has the text already.
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            return;
        QMessageBox::critical(
            nullptr, QString::fromLocal8Bit(caption.c_str()), QString::fromLocal8Bit(text.c_str()));
    };
    return hooks;
}

void CZuvio2App::StartSync(const CCommandLine& line)
{
    auto role = static_cast<CSyncClock::Role>(m_pPreferences->m_iSyncRole);
    if (!line.sync.empty())
        CSyncClock::ParseRole(line.sync, role);
    if (role != CSyncClock::ROLE_LEADER && role != CSyncClock::ROLE_FOLLOWER)
        return;
    const std::string leader = line.syncLeader.empty() ? m_pPreferences->m_SyncLeader : line.syncLeader;
    const int port = line.syncPort > 0 ? line.syncPort : m_pPreferences->m_iSyncPort;
    m_pSync = std::make_unique<CSyncClock>();
    // A leader serves on every address of this machine.
    if (port < 1 || port > 65535
        || !m_pSync->Start(
            role, role == CSyncClock::ROLE_LEADER ? std::string() : leader, static_cast<uint16_t>(port))) {
        LogError("Sync: playing standalone.\n");
        m_pSync.reset();
        return;
    }
    m_pGroupClock = std::make_shared<CGroupClock>(m_pSync->Clock());
    m_SyncEpoch = m_pSync->Epoch();
    m_pSyncTimer = new QTimer(this);
    connect(m_pSyncTimer, &QTimer::timeout, this, [this] {
        if (m_pSync->Poll(m_SyncSince.elapsed()))
            LogMessage("%s\n", m_pSync->Describe().c_str());
        // A new group clock: a re-based one at once (the old one no longer
        // follows the leader); the first one, of a leader given by name, once
        // it has locked, so the players never follow its jump to the leader's time.
        if (m_pSync->Epoch() != m_SyncEpoch
            && (m_SyncEpoch != 0 || m_pSync->GetState() == CSyncClock::STATE_LOCKED)) {
            m_pGroupClock->Move(m_pSync->Clock(), m_SyncEpoch != 0 ? m_pSync->RebaseNs() : 0);
            m_SyncEpoch = m_pSync->Epoch();
        }
        if (m_pControllers)
            m_pControllers->SetSyncStatus(
                m_pSync->Summary(), static_cast<float>(std::lround(m_pSync->OffsetNs() / 100000.0)) / 10.0f);
    });
    m_SyncSince.start();
    // Often enough to re-base before a jumped leader time reaches the old clock.
    m_pSyncTimer->start(100);
}

int CZuvio2App::Run()
{
    const int code = QApplication::exec();
    if (m_pControllers)
        m_pControllers->EndResume();
    // Panes and members store their state on the way down.
    m_pFrame.reset();
    m_pControllers.reset();
    return code;
}

void CZuvio2App::Quit()
{
    if (m_pFrame)
        m_pFrame->close();
    else
        QCoreApplication::quit();
}

std::string CZuvio2App::ResumeFilePath()
{
    const std::string settings = ProfilePath();
    const size_t slash = settings.rfind('/');
    return (slash == std::string::npos ? std::string(".") : settings.substr(0, slash)) + "/Zuvio.resume";
}

bool CZuvio2App::OpenDocumentFile(const std::string& path)
{
    if (path.empty() || !m_pFrame)
        return false;
    bool opened = m_pFrame->OfferDocument(path);
    if (!opened && !IsPlaylistFile(path))
        opened = m_pEngine->Execute({ ShowCommandId::Open, m_pEngine->GetActivePlayer(), 0, path }).accepted;
    AddToRecentFileList(path);
    return opened;
}

void CZuvio2App::StartDocument(const std::string& path)
{
    if (!IsPlaylistFile(path))
        m_pEngine->Execute({ ShowCommandId::PlayActive });
    else
        m_pEngine->Execute({ ShowCommandId::PlaylistGo, -1, 0 });
}

void CZuvio2App::OnAppAbout()
{
    CAboutDlg about(m_pFrame.get());
    about.exec();
}

CDlgSplash* CZuvio2App::Splash() const
{
    return m_pSplash.data();
}
