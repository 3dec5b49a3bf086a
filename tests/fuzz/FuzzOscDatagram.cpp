// The OSC server's datagram path: the shape check, liblo's unpacking, the
// address match and the handlers, into a recording message sink, feedback into
// a counting sink (no datagram leaves). Fails on a crash, on an input that
// costs more than 1 ms of CPU time, and on a refused datagram that still
// reached the frame.
//
// Input: one datagram (at most 8 KiB reach the server whole).
#include "core/Preferences.h"
#include "fuzz/FuzzTiming.h"
#include "osc/OscDatagram.h"
#include "osc/OscServer.h"
#include "support/RecordingTarget.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

struct Harness
{
    int argc = 1;
    char name[16] = "fuzz_osc";
    char* argv[2] = { name, nullptr };
    QCoreApplication app { argc, argv };
    CPreferences prefs { CPreferences::Defaults {} };
    RecordingTarget frame;
    COscServer server { &frame, prefs };
    std::size_t feedback = 0;

    Harness()
    {
        server.SetFeedbackSink(
            [this](std::uint32_t, std::uint16_t, const void*, std::size_t) { ++feedback; });
        if (!server.Start({ true, 0, "127.0.0.1", {} }))
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Harness* harness = new Harness;
    const std::span<const std::uint8_t> datagram(data, size);
    const bool refused
        = OscDatagram::Check(datagram) != OscDatagram::Verdict::Accepted || size > COscServer::kMaxDatagram;
    harness->frame.messages.clear();
    FuzzTiming::RequireWithin(
        [&] { harness->server.HandleDatagram(datagram, 0x7f000001, 40000, size > COscServer::kMaxDatagram); },
        "the datagram");
    if (refused && !harness->frame.messages.empty())
        std::abort();
    return 0;
}
