#pragma once

#include <cstdint>
#include <functional>
#include <string>

// What a probe found out about one file.
struct CProbeAnswer
{
    bool m_bOk = false; // the medium prerolled
    std::string m_Title; // ID3v1 "Artist - Title" of an .mp3, else the file name
    uint32_t m_DurationMs = 0; // 0 when unknown or when the medium has no time format
    bool m_bMediaTime = true; // false: the medium cannot seek in time
    std::string m_Error; // why it failed, naming the file; empty on success
};

// Reads the title and length of media files without playing them: no window, no
// audio device, nothing done on the caller's thread. Each answer arrives later,
// through the handler, on the thread that made the prober, never inside Probe.
class CMediaProber
{
public:
    using Handler = std::function<void(int32_t id, const CProbeAnswer& answer)>;

    virtual ~CMediaProber() = default;

    virtual void SetHandler(Handler handler) = 0;
    // Queues the file; id comes back with its answer.
    virtual void Probe(int32_t id, const std::string& path) = 0;
    // Forgets every queued and running probe: none of them is answered.
    virtual void CancelAll() = 0;
    // Probes asked for and not yet answered.
    virtual int GetPending() const = 0;
};
