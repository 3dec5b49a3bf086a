#pragma once

#include <QHostAddress>

#include <cstdint>
#include <optional>
#include <string>

// "address:port" for the status destination and the controller tool. The
// address is numeric IPv4 (no name look-up: a show network may have no DNS);
// the port is 1..65535 and may be left out when a default is given.
struct HostPort
{
    QHostAddress address;
    std::uint16_t port = 0;
};

// A dotted-quad IPv4 address, nothing else.
std::optional<QHostAddress> ParseIPv4(const std::string& text);

std::optional<HostPort> ParseHostPort(const std::string& text, std::uint16_t defaultPort = 0);
