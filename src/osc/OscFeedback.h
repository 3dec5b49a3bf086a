#pragma once

#include "osc/OscState.h"

#include <lo/lo.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Who hears the OSC feedback and what they hear. Controllers hold a lease that
// ends unless a message from their address renews it; fixed destinations hear
// everything for as long as the server runs. The table of leases is bounded
// per sender address and in all, so that a host sending from many ports or
// forging many addresses cannot fill it for good: a new lease takes the place
// of the oldest (the one least recently heard from), implicit ones first.
// A change is sent at once, the
// whole state once a second; a running player's position moving on with the
// clock waits for the once-a-second round, a jump (a seek) does not.
// Addresses are IPv4 in host byte order. Runs on the interface thread.
class COscFeedback
{
public:
    using Sender
        = std::function<void(std::uint32_t address, std::uint16_t port, const void* data, std::size_t size)>;
    static constexpr std::int64_t kDefaultLeaseMs = 10000;
    static constexpr std::int64_t kRefreshMs = 1000;
    static constexpr std::size_t kMaxSubscribers = 16;
    static constexpr std::size_t kMaxPerSender = 4; // leases of one address
    struct Endpoint
    {
        std::uint32_t address;
        std::uint16_t port;
    };

    explicit COscFeedback(Sender sender);

    void SetFixedDestinations(std::vector<std::pair<std::uint32_t, std::uint16_t>> destinations);
    // A new subscriber gets the whole state at once. An implicit one (a
    // command's sender) starts and ends without a log line, and replaces only
    // implicit ones: false when there is none to replace. ended: the explicit
    // lease that made room, if one did.
    bool Subscribe(std::uint32_t address, std::uint16_t port, std::int64_t leaseMs, std::int64_t now,
        bool implicit = false, std::optional<Endpoint>* ended = nullptr);
    void Unsubscribe(std::uint32_t address, std::uint16_t port);
    // Any valid message from an address renews every lease it holds.
    void Renew(std::uint32_t address, std::int64_t now);
    void Clear();

    // Sends what changed since the last state sent.
    void SetState(const OscState& state, std::int64_t now);
    // Ends the leases that ran out and, once a second, sends the whole state.
    void Tick(std::int64_t now);
    void SendText(const std::string& line);

    std::size_t GetSubscriberCount() const { return m_Subscribers.size(); }
    bool IsSubscribed(std::uint32_t address, std::uint16_t port) const;

private:
    struct Subscriber
    {
        std::uint32_t address;
        std::uint16_t port;
        std::int64_t leaseMs;
        std::int64_t expiresAt;
        bool implicit;
        std::int64_t heardAt; // subscribed or renewed
    };
    // What goes out: one message to every destination, or to one only.
    void Send(const char* path, lo_message message, const Subscriber* only = nullptr);
    void SendAll(const OscState& state, const Subscriber* only);
    // The values of the whole show: every one without `before`, else those changed since it.
    void SendShow(const OscState& state, const OscState* before, const Subscriber* only);
    void SendPlayer(const char* prefix, const OscPlayerState& player, bool full, const OscPlayerState* before,
        bool positionToo, const Subscriber* only);
    void SendInt(const std::string& path, std::int32_t value, const Subscriber* only);
    void SendFloat(const std::string& path, float value, const Subscriber* only);
    void SendString(const std::string& path, const std::string& value, const Subscriber* only);
    bool PositionJumped(int player, const OscState& state, std::int64_t now) const;
    bool HasDestinations() const { return !m_Subscribers.empty() || !m_Fixed.empty(); }

    Sender m_Sender;
    std::vector<Subscriber> m_Subscribers;
    std::vector<std::pair<std::uint32_t, std::uint16_t>> m_Fixed;
    OscState m_Current;
    OscState m_Sent;
    bool m_bSentAny = false;
    std::int64_t m_LastRefresh = 0;
    std::int64_t m_PositionSentAt[2] = { 0, 0 };
};
