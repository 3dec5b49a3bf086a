#pragma once

#include "core/ServiceNotifier.h"
#include "remote/RemotePackets.h"
#include "show/ShowCommand.h"
#include "show/ShowEvent.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CDMXInput;
class CDmxControl;
class COscServer;
class CPreferences;
class CServerSocket;
class CShowEngine;
class CShowResume;
class CSyncClock;
class CWallSync;
class QTimer;

// The show's controllers besides the window, over the show engine: the binary
// protocol's socket, OSC, DMX, crash resume and a wall. Each sends its
// commands here, and they go on to the engine (through the wall on a wall's
// leader); the engine's text lines and status go back out to the network.
// Its own 100 ms timer drives their periodic work. Interface thread only.
class CShowControllers : public QObject, public CShowCommandSink
{
public:
    struct Options
    {
        std::string statusDestination; // "ADDR[:PORT]", empty = default
        uint16_t commandPort = RemotePackets::kCommandPort; // 0: any free port (tests)
        int oscEnabled = -1; // the OSC server: 1 on, 0 off, -1 as the preferences say
        int oscPort = -1; // -1: as the preferences say
        std::string oscFeedback; // fixed OSC feedback destinations besides the preferences' ones
        std::string resumeFile; // where the show's state is kept for a start after a crash; empty: nowhere
    };

    // The engine and prefs outlive the controllers. The status destination is
    // applied before anything is sent, so no packet ever goes elsewhere.
    CShowControllers(CShowEngine& engine, CPreferences& prefs, const Options& options);
    ~CShowControllers() override;

    // Opens the sockets, starts OSC and DMX and the timer; before the engine's
    // first text line (the start-up level), which would otherwise be lost.
    void Start();
    // After the preferences changed: a server switched on is restarted, OSC,
    // DMX and resume follow their settings.
    void ApplyPreferences(int previousRemoteCtrl);
    ShowReply Execute(const ShowCommand& command) override;

    // Whether a show from an unclean end may be restored (the playlist's
    // start-up track then waits for StartResume).
    bool MayRestore() const;
    // Starts keeping the show's state while resume is on (else removes the
    // files); true when a state from an unclean end is being restored.
    // normalStart runs now, or, when a restore takes its place, only if the
    // restore could open nothing; either way after the playlist's held start-up track.
    bool StartResume(std::function<void()> normalStart = {});
    void EndResume(); // a clean quit: the state file goes
    // Joins a wall on this group clock (null: standalone); the clock outlives the controllers.
    void SetSyncClock(CSyncClock* clock);
    void SetSyncStatus(const std::string& text, float offsetMs);

    // One tick of the periodic work (the timer calls it).
    void Tick();
    // The status record and the OSC state from the engine, sent at the next tick.
    void StatusChanged();

    CServerSocket* Socket() const { return m_pSocket.get(); }
    COscServer* Osc() const { return m_pOsc.get(); }
    CDMXInput* DMXInput() const { return m_pDMXInput.get(); }
    CDmxControl* Dmx() const { return m_pDmx.get(); }
    CShowResume* Resume() const { return m_pResume.get(); }

private:
    void OnShowEvent(const ShowEvent& event);
    void UpdateStatus();
    void StartOsc();
    void StartDmx();

    CShowEngine& m_Engine;
    CPreferences& m_Prefs;
    Options m_Options;
    uint64_t m_Subscription = 0;
    std::unique_ptr<CServerSocket> m_pSocket;
    std::unique_ptr<COscServer> m_pOsc;
    std::unique_ptr<CDMXInput> m_pDMXInput;
    std::unique_ptr<CDmxControl> m_pDmx;
    std::unique_ptr<CShowResume> m_pResume;
    std::unique_ptr<CWallSync> m_pWall;
    CServiceNotifier m_Service;
    QTimer* m_pTimer = nullptr;
    std::string m_SyncStatus = "standalone";
    float m_SyncOffsetMs = 0;
};
