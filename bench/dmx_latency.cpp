// dmx_latency: the desk side of the DMX benchmark. Sends frames at 44 Hz, either
// to the local olad (which sends them on as sACN) or into the file the simulated
// device library plays, switches the control channel between play and stop,
// and times each change from the first frame that carries it to the player's
// text packet. Then sends a storm (all 512 channels new in every frame) and
// reports the player's CPU under it, beside its CPU with steady frames.
// Usage: dmx_latency ola UNIVERSE|device FILE  ADDRESS CUES PLAYER_PID [STORM_SECONDS]

#include "remote/RemotePackets.h"
#include "round_trip.h"

#include <ola/DmxBuffer.h>
#include <ola/client/StreamingClient.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using RoundTrip::Clock;
using Frame = std::array<std::uint8_t, 512>;
constexpr auto kFramePeriod = std::chrono::microseconds(22727); // 44 Hz

class Desk
{
public:
    virtual ~Desk() = default;
    // Called every frame period; returns when the frame is on its way.
    virtual bool Send(const Frame& frame) = 0;
    // A storm: new values on every channel in every frame, made by the source.
    virtual void Storm(bool on) { m_bStorm = on; }

protected:
    bool m_bStorm = false;
};

class OlaDesk : public Desk
{
public:
    explicit OlaDesk(unsigned universe)
        : m_Universe(universe)
    {
    }
    bool Setup() { return m_Client.Setup(); }
    bool Send(const Frame& frame) override
    {
        ola::DmxBuffer buffer(frame.data(), static_cast<unsigned>(frame.size()));
        return m_Client.SendDmx(m_Universe, buffer);
    }

private:
    unsigned m_Universe;
    ola::client::StreamingClient m_Client { ola::client::StreamingClient::Options() };
};

// The simulated library reads the file for every batch; only a change is written.
class FileDesk : public Desk
{
public:
    explicit FileDesk(std::string path)
        : m_Path(std::move(path))
    {
    }
    // The device's frames outpace any file: the library makes the storm itself.
    void Storm(bool on) override
    {
        m_bStorm = on;
        if (on)
            Write("random");
        m_Last = {};
    }
    bool Send(const Frame& frame) override
    {
        if (m_bStorm || frame == m_Last)
            return true;
        m_Last = frame;
        std::ostringstream text;
        for (size_t i = 0; i < frame.size(); ++i)
            text << (i ? "," : "") << int(frame[i]);
        return Write(text.str());
    }
    bool Write(const std::string& line)
    {
        const std::string next = m_Path + ".new";
        std::ofstream(next) << line << "\n";
        return std::rename(next.c_str(), m_Path.c_str()) == 0;
    }

private:
    std::string m_Path;
    Frame m_Last {};
};

double CpuSeconds(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Text packets received until `until`, each with its arrival.
void Drain(int fd, Clock::time_point until, std::vector<std::pair<Clock::time_point, std::string>>& texts)
{
    std::uint8_t buffer[2048];
    while (Clock::now() < until) {
        if (!RoundTrip::WaitReadable(fd, until))
            continue;
        ssize_t n = 0;
        while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
            const auto decoded
                = RemotePackets::DecodeBroadcast(std::span(buffer, static_cast<std::size_t>(n)));
            if (decoded && decoded->kind == RemotePackets::kKindText)
                texts.emplace_back(Clock::now(), decoded->text);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(
            stderr, "usage: dmx_latency ola UNIVERSE|device FILE ADDRESS CUES PLAYER_PID [STORM_SECONDS]\n");
        return 2;
    }
    const std::string mode = argv[1];
    const int address = std::atoi(argv[3]);
    const int cues = std::atoi(argv[4]);
    const int pid = std::atoi(argv[5]);
    const int stormSeconds = argc > 6 ? std::atoi(argv[6]) : 10;
    if (address < 1 || address > 509 || cues < 1 || pid <= 0) {
        std::fprintf(stderr, "dmx_latency: bad arguments\n");
        return 2;
    }
    std::unique_ptr<Desk> desk;
    if (mode == "ola") {
        auto ola = std::make_unique<OlaDesk>(static_cast<unsigned>(std::atoi(argv[2])));
        if (!ola->Setup()) {
            std::fprintf(stderr, "dmx_latency: no olad\n");
            return 3;
        }
        desk = std::move(ola);
    } else {
        desk = std::make_unique<FileDesk>(argv[2]);
    }
    const int listener = RoundTrip::UdpSocket("dmx_latency", RemotePackets::kStatusPort);
    std::vector<std::pair<Clock::time_point, std::string>> texts;
    Frame frame {};
    const size_t control = static_cast<size_t>(address); // start + 1, zero-based
    frame[static_cast<size_t>(address + 1)] = 255; // level full
    frame[control] = 90; // stopped

    auto next = Clock::now();
    const auto run = [&](Clock::duration length, auto&& shape) {
        const auto end = Clock::now() + length;
        while (Clock::now() < end) {
            shape();
            desk->Send(frame);
            next += kFramePeriod;
            Drain(listener, next, texts);
        }
    };
    run(std::chrono::seconds(2), [] {}); // where the desk stands

    std::vector<double> latencyMs;
    int lost = 0;
    for (int i = 0; i < cues; ++i) {
        const bool play = i % 2 == 0;
        frame[control] = play ? 20 : 90;
        texts.clear();
        const auto changed = Clock::now();
        run(std::chrono::milliseconds(400), [] {});
        const std::string wanted = play ? "Playback started." : "Playback stopped.";
        const auto hit = std::find_if(texts.begin(), texts.end(),
            [&](const auto& t) { return t.second.find(wanted) != std::string::npos; });
        if (hit == texts.end())
            ++lost;
        else
            latencyMs.push_back(std::chrono::duration<double, std::milli>(hit->first - changed).count());
    }
    std::sort(latencyMs.begin(), latencyMs.end());
    const auto at = [&](double q) { return RoundTrip::Quantile(latencyMs, q); };

    frame[control] = 90;
    double before = CpuSeconds(pid);
    run(std::chrono::seconds(stormSeconds), [] {});
    const double steadyCpu = (CpuSeconds(pid) - before) / stormSeconds * 100;
    std::mt19937 random(7);
    texts.clear();
    before = CpuSeconds(pid);
    desk->Storm(true);
    run(std::chrono::seconds(stormSeconds), [&] {
        // Never the value of the frame before: a repeat would be a held value.
        for (auto& value : frame)
            value = static_cast<std::uint8_t>(value + 1 + random() % 255);
    });
    const double stormCpu = (CpuSeconds(pid) - before) / stormSeconds * 100;
    desk->Storm(false);
    int stormCues = 0;
    for (const auto& t : texts)
        stormCues += t.second.find("Playback") != std::string::npos ? 1 : 0;

    std::printf(
        "%s: cues %d, answered %zu, lost %d; change to text packet ms: median %.1f, p99 %.1f, max %.1f\n",
        mode.c_str(), cues, latencyMs.size(), lost, at(0.5), at(0.99),
        latencyMs.empty() ? 0.0 : latencyMs.back());
    std::printf("%s: player CPU with steady frames %.1f%%, under a 512-channel storm %.1f%%, cues set off by "
                "the storm %d\n",
        mode.c_str(), steadyCpu, stormCpu, stormCues);
    std::printf(
        "summary: mode=%s median_ms=%.1f p99_ms=%.1f lost=%d steady_cpu=%.1f storm_cpu=%.1f storm_cues=%d\n",
        mode.c_str(), at(0.5), at(0.99), lost, steadyCpu, stormCpu, stormCues);
    ::close(listener);
    return 0;
}
