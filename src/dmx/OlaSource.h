#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ola {
class DmxBuffer;
namespace client {
class DMXMetadata;
class OlaClient;
class OlaDevice;
class Result;
} // namespace client
namespace io {
class SelectServer;
}
} // namespace ola

// DMX of one universe from the local olad (Art-Net, sACN and whatever else its
// plugins receive). OLA's client runs on a thread of its own; frames wait in a
// short queue for the interface thread, which `wake` (called on OLA's thread
// when the queue stops being empty) tells to take them. Without olad it tries
// again every few seconds; it never starts olad itself.
//
// On each connection it makes sure one input port of the chosen protocol is
// patched to the universe: one already patched to it is kept, otherwise the
// first unpatched one is patched; a port patched to another universe is never
// taken. Until a port is found (olad still loading its plugins, all ports in
// use) it looks again every few seconds; what it finds is logged when it changes.
class COlaSource
{
public:
    enum class State { Connecting, Absent, Connected, Lost };
    enum class Input { Sacn = 0, ArtNet = 1 };
    struct Frame
    {
        std::array<std::uint8_t, 512> values {};
        std::uint16_t size = 0;
    };
    static constexpr std::size_t kMaxQueued = 64; // older frames give way when nobody reads
    static constexpr int kRetrySeconds = 5;

    COlaSource(unsigned universe, Input input, std::function<void()> wake);
    ~COlaSource();
    COlaSource(const COlaSource&) = delete;
    COlaSource& operator=(const COlaSource&) = delete;

    // Frames received since the last call, oldest first.
    std::vector<Frame> TakeFrames();
    State GetState() const { return m_State.load(); }
    unsigned GetUniverse() const { return m_Universe; }
    // "sACN (E1.31)", "Art-Net"
    static const char* InputName(Input input);

private:
    void Run();
    // On OLA's thread, while connected.
    void RequestPatch();
    void OnDevices(const ola::client::Result& result, const std::vector<ola::client::OlaDevice>& devices);
    void OnPatched(unsigned device, unsigned port, const ola::client::Result& result);
    void RetryPatch();
    void Note(const std::string& text);
    void OnDmx(const ola::client::DMXMetadata& metadata, const ola::DmxBuffer& buffer);
    void OnRegistered(const ola::client::Result& result);
    bool WaitUnlessStopping(int seconds);

    const unsigned m_Universe;
    const Input m_Input;
    const std::function<void()> m_Wake;
    // OLA's thread only.
    ola::client::OlaClient* m_pClient = nullptr;
    std::string m_LastNote;
    std::atomic<State> m_State { State::Connecting };

    std::mutex m_Lock; // the queue, the running server, the stop flag
    std::condition_variable m_Stopping;
    std::deque<Frame> m_Frames;
    ola::io::SelectServer* m_pServer = nullptr;
    bool m_bStop = false;
    std::thread m_Thread;
};
