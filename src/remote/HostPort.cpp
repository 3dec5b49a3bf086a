#include "remote/HostPort.h"

#include <charconv>

std::optional<QHostAddress> ParseIPv4(const std::string& text)
{
    // QHostAddress also takes forms like "10.1" or "167772161"; only dotted quads pass.
    int dots = 0;
    for (const char c : text) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return std::nullopt;
    }
    QHostAddress address;
    if (dots != 3 || !address.setAddress(QString::fromStdString(text))
        || address.protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    return address;
}

std::optional<HostPort> ParseHostPort(const std::string& text, std::uint16_t defaultPort)
{
    const std::size_t colon = text.rfind(':');
    const std::string host = colon == std::string::npos ? text : text.substr(0, colon);
    HostPort result;
    result.port = defaultPort;
    if (colon != std::string::npos) {
        const std::string digits = text.substr(colon + 1);
        unsigned port = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || port == 0
            || port > 65535)
            return std::nullopt;
        result.port = static_cast<std::uint16_t>(port);
    }
    if (result.port == 0)
        return std::nullopt;
    const auto address = ParseIPv4(host);
    if (!address)
        return std::nullopt;
    result.address = *address;
    return result;
}
