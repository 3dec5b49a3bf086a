#include "control/ShowControllers.h"

#include "control/ShowResume.h"
#include "control/WallSync.h"
#include "core/Log.h"
#include "core/Preferences.h"
#include "core/ResumeFile.h"
#include "devices/DMXInput.h"
#include "dmx/DmxControl.h"
#include "osc/OscServer.h"
#include "playlist/PlaylistCtrl.h"
#include "remote/ServerSocket.h"
#include "show/ShowEngine.h"

#include <QTimer>

#include <algorithm>

CShowControllers::CShowControllers(CShowEngine& engine, CPreferences& prefs, const Options& options)
    : m_Engine(engine)
    , m_Prefs(prefs)
    , m_Options(options)
    , m_pSocket(std::make_unique<CServerSocket>(this, prefs))
    , m_pOsc(std::make_unique<COscServer>(this, prefs))
    , m_pDMXInput(std::make_unique<CDMXInput>())
{
    if (!options.statusDestination.empty() && !m_pSocket->SetStatusDestination(options.statusDestination))
        LogError("CMainFrame: bad status destination \"%s\"; no status packets are sent.\n",
            options.statusDestination.c_str());
    m_pSocket->SetCommandPort(options.commandPort);
    m_pSocket->SetCueHandler([this](int slot) {
        if (m_pWall)
            m_pWall->OnCuePacket(slot);
    });
    m_Subscription = m_Engine.Subscribe([this](const ShowEvent& event) { OnShowEvent(event); });
}

CShowControllers::~CShowControllers()
{
    m_Engine.Unsubscribe(m_Subscription);
    m_pDmx.reset(); // no cue may reach the engine on its way down
    m_pWall.reset();
    m_pResume.reset(); // not a clean quit unless EndResume said so
    m_pDMXInput.reset();
    m_pOsc.reset();
    m_pSocket.reset();
}

void CShowControllers::Start()
{
    if (m_pTimer)
        return;
    m_pSocket->InitServer(m_Prefs.m_BindIpAddress);
    StartOsc();
    StartDmx();
    m_pTimer = new QTimer(this);
    connect(m_pTimer, &QTimer::timeout, this, [this] { Tick(); });
    m_pTimer->start(100);
}

void CShowControllers::ApplyPreferences(int previousRemoteCtrl)
{
    if (m_Prefs.m_iRemoteCtrl != previousRemoteCtrl && m_Prefs.m_iRemoteCtrl == 1) {
        m_pSocket->CloseServer();
        m_pSocket->InitServer(m_Prefs.m_BindIpAddress);
    }
    StartOsc();
    StartDmx();
    StartResume();
}

ShowReply CShowControllers::Execute(const ShowCommand& command)
{
    return m_pWall ? m_pWall->Execute(command) : m_Engine.Execute(command);
}

void CShowControllers::OnShowEvent(const ShowEvent& event)
{
    switch (event.kind) {
    case ShowEventKind::Text:
        m_pSocket->SendText(event.text);
        m_pOsc->SendText(event.text);
        break;
    case ShowEventKind::State:
    case ShowEventKind::Active:
    case ShowEventKind::Level:
    case ShowEventKind::Playlist:
    case ShowEventKind::Changed:
        StatusChanged();
        break;
    case ShowEventKind::Opened:
    case ShowEventKind::Position:
    case ShowEventKind::Done:
        break;
    }
}

void CShowControllers::StatusChanged()
{
    UpdateStatus();
    m_pSocket->m_bSendNow = true;
}

void CShowControllers::UpdateStatus()
{
    const int active = m_Engine.GetActivePlayer();
    RemotePackets::StatusRecord record;
    record.playState = m_Engine.GetPlayState(active);
    record.duration = m_Engine.GetDuration(active);
    record.position = m_Engine.GetPosition(active);
    record.volume = static_cast<uint16_t>(m_Engine.VolumePercent());
    record.fileName = m_Engine.GetShortName(active);
    record.activeIndex = static_cast<uint16_t>(active);
    m_pSocket->SetStatus(std::move(record));

    OscState osc;
    for (int i : { PLAYER_A, PLAYER_B })
        if (m_Engine.GetPlayer(i))
            osc.players[i] = { m_Engine.GetPlayState(i), m_Engine.GetPosition(i), m_Engine.GetDuration(i),
                m_Engine.GetShortName(i) };
    osc.active = active;
    osc.volumePercent = m_Engine.VolumePercent();
    osc.volumeDb = m_Engine.GetVolume() / 100.0;
    if (const CPlaylistCtrl& playlist = m_Engine.Playlist(); playlist.IsInitialised()) {
        osc.playlistPosition = std::max(playlist.GetCurrentTrack() + 1, 0);
        osc.playlistCount = std::max(playlist.GetTrackCount(), 0);
        osc.loop = playlist.GetLoopList();
        osc.repeat = playlist.GetLoopSingleTrack();
        osc.autoAdvance = playlist.GetAutoSkipTrack();
    }
    osc.fullscreen = m_Engine.IsFullscreen();
    m_Engine.ApplySeamlessLoop();
    osc.sync = m_SyncStatus;
    osc.syncOffsetMs = m_SyncOffsetMs;
    m_pOsc->SetState(osc);
}

void CShowControllers::Tick()
{
    m_pSocket->PollStatus();
    m_pOsc->Poll();
    if (m_pDmx)
        m_pDmx->Tick();
    UpdateStatus();
    if (m_pResume)
        m_pResume->Tick();
    if (m_pWall)
        m_pWall->Tick();
    m_Service.Tick();
}

void CShowControllers::StartOsc()
{
    COscServer::Settings settings;
    settings.enabled = m_Options.oscEnabled >= 0 ? m_Options.oscEnabled == 1 : m_Prefs.m_bOscControl;
    const int port = m_Options.oscPort >= 0 ? m_Options.oscPort : m_Prefs.m_iOscPort;
    settings.port = static_cast<uint16_t>(port >= 0 && port <= 65535 ? port : COscServer::kDefaultPort);
    settings.bindAddress = m_Prefs.m_BindIpAddress;
    settings.feedback = m_Prefs.m_OscFeedback;
    if (!m_Options.oscFeedback.empty())
        settings.feedback += (settings.feedback.empty() ? "" : ",") + m_Options.oscFeedback;
    // Unchanged settings keep the running server and its subscribers.
    if (m_pOsc->IsRunning() && settings == m_pOsc->GetSettings())
        return;
    m_pOsc->Start(settings);
}

void CShowControllers::StartDmx()
{
    if (!m_pDmx)
        m_pDmx = std::make_unique<CDmxControl>(
            this, m_pDMXInput.get(), [this] { return m_Engine.GetActivePlayer(); },
            [this] { return m_Engine.VolumeRange(); });
    CDmxControl::Settings settings;
    settings.source = static_cast<CDmxControl::Source>(std::clamp(m_Prefs.m_iDmxSource, 0, 2));
    settings.universe = static_cast<unsigned>(std::max(m_Prefs.m_iDmxUniverse, 0));
    settings.input = m_Prefs.m_iDmxInput == 1 ? COlaSource::Input::ArtNet : COlaSource::Input::Sacn;
    settings.address = std::clamp(m_Prefs.m_iDmxAddress, 1, 512);
    m_pDmx->Start(settings);
}

bool CShowControllers::MayRestore() const
{
    return !m_Options.resumeFile.empty() && m_Prefs.m_bResumeShow
        && CResumeFile(m_Options.resumeFile).Exists();
}

bool CShowControllers::StartResume(std::function<void()> normalStart)
{
    auto start = [this, normalStart = std::move(normalStart)] {
        m_Engine.LoadHeldStartTrack();
        if (normalStart)
            normalStart();
    };
    const std::string& file = m_Options.resumeFile;
    if (file.empty() || !m_Engine.IsStarted() || m_pResume) {
        start();
        return false;
    }
    if (!m_Prefs.m_bResumeShow) {
        EndResume();
        CResumeFile(file).Remove(); // an old state must not come back when it is switched on
        start();
        return false;
    }
    m_pResume = std::make_unique<CShowResume>(m_Engine, *this, file);
    if (m_pResume->RestoreIfUnclean(start))
        return true;
    start();
    return false;
}

void CShowControllers::EndResume()
{
    if (m_pResume)
        m_pResume->Finish();
    m_pResume.reset();
}

void CShowControllers::SetSyncClock(CSyncClock* clock)
{
    m_pWall = clock ? std::make_unique<CWallSync>(m_Engine, *m_pSocket, *clock) : nullptr;
}

void CShowControllers::SetSyncStatus(const std::string& text, float offsetMs)
{
    m_SyncStatus = text;
    m_SyncOffsetMs = offsetMs;
}
