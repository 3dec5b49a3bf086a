#pragma once

#include <cstdint>
#include <string>

// Holds a sender back: to at most `rate` datagrams a second (0: no limit), and,
// given the receiver namespace's /proc/PID/net/udp, while the receiver's socket
// on `port` holds more than 64 KiB. The fuzz phases are about what the player
// makes of each datagram, not about the kernel dropping them. Every wait is
// bounded: a stuck receiver slows the sender down, never stops it.
class CSendPacer
{
public:
    CSendPacer(double rate, std::string backlogTable, std::uint16_t port);

    // Called before datagram number `sent` (from 0) goes out.
    void Wait(std::uint64_t sent) const;

private:
    unsigned long Queued() const;

    double m_Rate;
    double m_Start;
    std::string m_Table;
    unsigned m_Port;
};
