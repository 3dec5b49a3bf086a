#pragma once

#include "core/Messages.h"
#include "net/NetworkSetup.h"
#include "osc/LoHandles.h"
#include "osc/OscAddressMatcher.h"
#include "osc/OscFeedback.h"
#include "osc/OscState.h"
#include "show/ShowCommand.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

class CPreferences;
namespace vexoNet {
class CUdpListener;
}

// The player's OSC server, beside the binary protocol: commands become show
// commands, as the binary protocol's and the window's do, and feedback goes to the
// controllers that subscribed and to fixed destinations (COscFeedback).
//
// liblo decodes messages and unpacks bundles; addresses are matched here,
// part by part against the routes (COscAddressMatcher), after the datagram's
// shape (OscDatagram) and the address's length and wildcards have bounded the
// work, so that no datagram can hold the interface thread. liblo 0.31 binds its
// sockets to all addresses only, so the socket is a CUdpListener, as the binary
// server's is (tied to the adapter that carries the bound address, the arrival
// check, the adapter followed), and its datagrams are handed to
// lo_server_dispatch_data; liblo's own socket is closed. Feedback leaves from
// the listener's socket, so through the same adapter.
//
// Bad input (undecodable, oversized, bundles too large or too deep, addresses
// too long or too complex, unknown address, wrong arguments, strings too long)
// is dropped and logged once per cause, then at most every 10 s with
// a count. Everything runs on the interface thread (the listener's too).
class COscServer : public QObject
{
    Q_OBJECT

public:
    static constexpr std::uint16_t kDefaultPort = 31774;
    static constexpr std::size_t kMaxDatagram = 8192;
    static constexpr std::size_t kMaxString = 1024;
    static constexpr std::int64_t kLogIntervalMs = 10000;

    struct Settings
    {
        bool enabled = true;
        std::uint16_t port = kDefaultPort; // 0 takes any free port (tests)
        std::string bindAddress; // empty = the primary adapter's address
        std::string feedback; // fixed destinations: "ADDR:PORT[,ADDR:PORT...]"
        bool operator==(const Settings&) const = default;
    };
    using Clock = std::function<std::int64_t()>; // monotonic milliseconds

    // Commands go to sink (may be null); prefs says whether remote control is
    // on. Both outlive the server.
    COscServer(CShowCommandSink* sink, const CPreferences& prefs, QObject* parent = nullptr);
    ~COscServer() override;
    COscServer(const COscServer&) = delete;
    COscServer& operator=(const COscServer&) = delete;

    // Closes and, when enabled, opens with these settings; false when enabled
    // and the socket could not be opened (logged). An address that no adapter
    // carries yet is waited for: the port opens when it comes.
    bool Start(const Settings& settings);
    void Stop();
    bool IsRunning() const { return m_Server != nullptr; }
    const Settings& GetSettings() const { return m_Settings; }
    std::uint16_t GetBoundPort() const; // 0 while closed or waiting for the address

    void SetState(const OscState& state);
    void SendText(const std::string& line);
    // The frame's tick: leases and the once-a-second feedback.
    void Poll();

    // What the socket does with one datagram from an address (host byte order)
    // that passed the arrival check; truncated says it was longer than kMaxDatagram.
    void HandleDatagram(std::span<const std::uint8_t> bytes, std::uint32_t fromAddress,
        std::uint16_t fromPort, bool truncated = false);

    void SetClock(Clock clock) { m_Clock = std::move(clock); }
    // Feedback goes here instead of the socket (fuzzers: no datagram leaves).
    void SetFeedbackSink(COscFeedback::Sender sink) { m_FeedbackSink = std::move(sink); }
    void SetNetworkSource(vexoNet::CNetworkSetup::Source source) { m_NetworkSource = std::move(source); }
    const COscFeedback& GetFeedback() const { return m_Feedback; }
    std::uint64_t GetRejectedCount() const { return m_nRejected; }
    std::uint64_t GetDiscardedCount() const;

private:
    enum class Action {
        Play,
        Pause,
        Stop,
        Open,
        Seek,
        Volume,
        VolumeDb,
        Cut,
        CutTo,
        Take,
        PlaylistGo,
        PlaylistNext,
        PlaylistPrevious,
        Loop,
        Repeat,
        AutoAdvance,
        Fullscreen,
        Subscribe,
        Unsubscribe
    };
    struct Route
    {
        std::string path;
        Action action;
        int player; // 0 A, 1 B, 2 the active one
    };
    struct Complaint
    {
        std::int64_t loggedAt = 0;
        std::uint64_t suppressed = 0;
    };

    static int OnMessage(
        const char* path, const char* types, lo_arg** argv, int argc, lo_message message, void* self);
    void Dispatch(const char* path, const char* types, lo_arg** argv, int argc);
    bool Run(const Route& route, const char* types, lo_arg** argv, int argc);
    void Reject(const std::string& cause, const std::string& detail);
    // Logs once per cause, then at most every kLogIntervalMs with a count.
    void Complain(const std::string& cause, const std::string& detail, const char* outcome);
    int Player(const Route& route) const;
    bool OpenSocket();
    void SendDatagram(std::uint32_t address, std::uint16_t port, const void* data, std::size_t size);
    void ParseFeedbackDestinations();

    CShowCommandSink* m_pSink;
    const CPreferences& m_Prefs;
    Settings m_Settings;
    LoServerPtr m_Server;
    std::unique_ptr<vexoNet::CUdpListener> m_pListener;
    std::vector<Route> m_Routes;
    COscAddressMatcher m_Matcher; // over m_Routes' paths, in their order
    COscFeedback m_Feedback;
    OscState m_State;
    std::map<std::string, Complaint> m_Complaints;
    std::uint32_t m_FromAddress = 0; // the sender of the datagram being dispatched
    std::uint16_t m_FromPort = 0;
    bool m_bValidSeen = false; // the datagram held at least one valid command
    bool m_bSendFailed = false;
    std::uint64_t m_nRejected = 0;
    std::uint64_t m_nDiscarded = 0;
    Clock m_Clock;
    COscFeedback::Sender m_FeedbackSink;
    vexoNet::CNetworkSetup::Source m_NetworkSource;
};
