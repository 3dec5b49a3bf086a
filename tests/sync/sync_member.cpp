// A headless member of a wall for the namespace test and the benchmark: two
// looping clips (A and B, videotestsrc at 60 fps into fakesinks that log every
// frame) on the group clock, driven by cues.
//
//   sync_member --role leader|follower [--leader ADDR] [--port N]
//               [--cue-port N] [--member ADDR:PORT]... [--clip-ms N] [--log DIR]
//   sync_member --relay PORT LEADER:PORT DELAY_MS JITTER_MS
//
// The leader reads "play", "cut", "stop" lines on standard input, schedules each
// kLeadMs ahead on the group clock, sends it three times to every member and
// repeats the latest cue twice a second; every member (the leader too) acts
// on a cue's sequence number once, joining late at the right frame when the
// cue's time has passed.
#include "core/Log.h"
#include "core/LogBuffer.h"
#include "sync/SyncClock.h"
#include "sync/SyncCue.h"
#include "sync/SyncPipeline.h"

#include <gio/gio.h>
#include <glib-unix.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr GstClockTime kLead = 300 * GST_MSECOND;
constexpr GstClockTime kJoinMargin = 100 * GST_MSECOND;

struct Clip
{
    GstElement* pipeline = nullptr;
    GstElement* sink = nullptr;
};

struct Member
{
    CSyncClock clock;
    Clip clips[2];
    int current = -1; // the clip on air
    GstClockTime clipLength = 100 * GST_MSECOND;
    int socket = -1;
    std::vector<sockaddr_in> members;
    uint32_t seq = 0;
    bool haveApplied = false;
    uint32_t applied = 0;
    CSyncCue latest;
    GMainLoop* loop = nullptr;
};

gboolean OnBus(GstBus*, GstMessage* message, gpointer data)
{
    auto* member = static_cast<Member*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_SEGMENT_DONE) {
        for (Clip& clip : member->clips)
            if (GST_MESSAGE_SRC(message) == GST_OBJECT(clip.pipeline))
                SyncPipeline::RepeatSegment(clip.pipeline, member->clipLength);
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        LogError("sync_member: %s\n", error ? error->message : "error");
        g_clear_error(&error);
    }
    return TRUE;
}

bool MakeClip(Member& member, Clip& clip, const char* pattern, const std::string& log)
{
    std::string description = std::string("videotestsrc pattern=") + pattern
        + " ! video/x-raw,width=64,height=36,framerate=60/1 ! fakesink name=sink sync=true";
    GError* error = nullptr;
    clip.pipeline = gst_parse_launch(description.c_str(), &error);
    if (!clip.pipeline) {
        LogError("sync_member: %s\n", error ? error->message : "no pipeline");
        return false;
    }
    clip.sink = gst_bin_get_by_name(GST_BIN(clip.pipeline), "sink");
    SyncPipeline::UseClock(clip.pipeline, member.clock.Clock());
    if (!log.empty() && !SyncPipeline::InstallFrameLog(clip.sink, log))
        return false;
    GstBus* bus = gst_element_get_bus(clip.pipeline);
    gst_bus_add_watch(bus, OnBus, &member);
    gst_object_unref(bus);
    gst_element_set_state(clip.pipeline, GST_STATE_PAUSED);
    gst_element_get_state(clip.pipeline, nullptr, nullptr, 5 * GST_SECOND);
    SyncPipeline::StartLoop(clip.pipeline, 0, member.clipLength);
    gst_element_get_state(clip.pipeline, nullptr, nullptr, 5 * GST_SECOND);
    return true;
}

// Stops a clip when group time reaches `at`, from the main loop.
struct StopJob
{
    Member* member;
    int clip;
};

gboolean StopNow(gpointer data)
{
    auto* job = static_cast<StopJob*>(data);
    Clip& clip = job->member->clips[job->clip];
    gst_element_set_state(clip.pipeline, GST_STATE_PAUSED);
    gst_element_get_state(clip.pipeline, nullptr, nullptr, 5 * GST_SECOND);
    SyncPipeline::StartLoop(clip.pipeline, 0, job->member->clipLength);
    delete job;
    return G_SOURCE_REMOVE;
}

gboolean OnStopDue(GstClock*, GstClockTime, GstClockID, gpointer data)
{
    g_idle_add(StopNow, data);
    return TRUE;
}

void StopAt(Member& member, int clip, GstClockTime at)
{
    GstClockID id = gst_clock_new_single_shot_id(member.clock.Clock(), at);
    gst_clock_id_wait_async(id, OnStopDue, new StopJob { &member, clip }, nullptr);
    gst_clock_id_unref(id);
}

// Starts a clip so that its frame 0 falls on `at`; late, it joins at the frame due now.
void StartAt(Member& member, int index, GstClockTime at)
{
    Clip& clip = member.clips[index];
    const GstClockTime now = member.clock.Now();
    if (now + kJoinMargin > at) {
        const GstClockTime late = now + kJoinMargin - at;
        SyncPipeline::StartLoop(clip.pipeline, late % member.clipLength, member.clipLength);
        gst_element_get_state(clip.pipeline, nullptr, nullptr, 5 * GST_SECOND);
        at = now + kJoinMargin;
        LogMessage("sync_member: joined late by %" G_GUINT64_FORMAT " ms\n", late / GST_MSECOND);
    }
    SyncPipeline::PlayAt(clip.pipeline, at);
}

void Apply(Member& member, const CSyncCue& cue)
{
    if (member.haveApplied && cue.seq == member.applied)
        return;
    if (cue.action == CSyncCue::ACTION_NONE)
        return;
    member.haveApplied = true;
    member.applied = cue.seq;
    LogMessage("sync_member: %s at %" G_GUINT64_FORMAT "\n", CSyncCue::ActionName(cue.action), cue.groupTime);
    const int other = member.current == 0 ? 1 : 0;
    switch (cue.action) {
    case CSyncCue::ACTION_PLAY:
    case CSyncCue::ACTION_OPEN_PLAY:
        if (member.current >= 0)
            StopAt(member, member.current, cue.groupTime);
        member.current = 0;
        StartAt(member, 0, cue.groupTime);
        break;
    case CSyncCue::ACTION_CUT:
        StartAt(member, other, cue.groupTime);
        if (member.current >= 0)
            StopAt(member, member.current, cue.groupTime);
        member.current = other;
        break;
    case CSyncCue::ACTION_STOP:
        if (member.current >= 0)
            StopAt(member, member.current, cue.groupTime);
        member.current = -1;
        break;
    default:
        break;
    }
}

void Send(Member& member, const CSyncCue& cue, bool state)
{
    const auto bytes = cue.Encode(state);
    for (const sockaddr_in& to : member.members)
        sendto(
            member.socket, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

gboolean OnStdin(gint fd, GIOCondition, gpointer data)
{
    auto* member = static_cast<Member*>(data);
    char line[64];
    const ssize_t n = read(fd, line, sizeof line - 1);
    if (n <= 0) {
        g_main_loop_quit(member->loop);
        return G_SOURCE_REMOVE;
    }
    line[n] = '\0';
    for (char* word = std::strtok(line, " \n"); word; word = std::strtok(nullptr, " \n")) {
        CSyncCue cue;
        if (std::strcmp(word, "play") == 0)
            cue.action = CSyncCue::ACTION_PLAY;
        else if (std::strcmp(word, "cut") == 0)
            cue.action = CSyncCue::ACTION_CUT;
        else if (std::strcmp(word, "stop") == 0)
            cue.action = CSyncCue::ACTION_STOP;
        else if (std::strcmp(word, "quit") == 0)
            g_main_loop_quit(member->loop);
        else
            continue;
        if (cue.action == CSyncCue::ACTION_NONE)
            continue;
        cue.seq = ++member->seq;
        cue.groupTime = member->clock.Now() + kLead;
        member->latest = cue;
        Apply(*member, cue);
        for (int i = 0; i < 3; ++i)
            Send(*member, cue, false);
    }
    return G_SOURCE_CONTINUE;
}

gboolean OnDatagram(gint fd, GIOCondition, gpointer data)
{
    auto* member = static_cast<Member*>(data);
    uint8_t bytes[1024];
    const ssize_t n = recv(fd, bytes, sizeof bytes, 0);
    if (n > 0)
        if (const auto cue = CSyncCue::Decode(std::span<const uint8_t>(bytes, static_cast<size_t>(n))))
            Apply(*member, *cue);
    return G_SOURCE_CONTINUE;
}

gboolean OnTick(gpointer data)
{
    auto* member = static_cast<Member*>(data);
    if (member->clock.Poll(g_get_monotonic_time() / 1000))
        LogMessage("%s\n", member->clock.Describe().c_str());
    if (member->clock.GetRole() == CSyncClock::ROLE_LEADER && member->latest.action != CSyncCue::ACTION_NONE)
        Send(*member, member->latest, true);
    return G_SOURCE_CONTINUE;
}

bool ParseMember(const char* text, sockaddr_in& address)
{
    std::string s = text;
    const size_t colon = s.rfind(':');
    if (colon == std::string::npos)
        return false;
    address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(s.c_str() + colon + 1)));
    return inet_pton(AF_INET, s.substr(0, colon).c_str(), &address.sin_addr) == 1;
}

// A UDP relay between one follower and the leader's clock that holds every
// datagram delay +- jitter ms each way (the kernel may lack netem).
struct Relay
{
    int down = -1; // bound, faces the follower
    int up = -1; // faces the leader
    sockaddr_in leader {};
    sockaddr_in follower {};
    bool haveFollower = false;
    int delayMs = 5;
    int jitterMs = 2;
};

struct Held
{
    int socket;
    sockaddr_in to;
    std::vector<uint8_t> bytes;
};

gboolean SendHeld(gpointer data)
{
    auto* held = static_cast<Held*>(data);
    sendto(held->socket, held->bytes.data(), held->bytes.size(), 0,
        reinterpret_cast<const sockaddr*>(&held->to), sizeof held->to);
    delete held;
    return G_SOURCE_REMOVE;
}

void Hold(Relay& relay, int from, int socket, const sockaddr_in& to)
{
    uint8_t bytes[2048];
    sockaddr_in source {};
    socklen_t length = sizeof source;
    const ssize_t n = recvfrom(from, bytes, sizeof bytes, 0, reinterpret_cast<sockaddr*>(&source), &length);
    if (n <= 0)
        return;
    if (from == relay.down) {
        relay.follower = source;
        relay.haveFollower = true;
    }
    const int delay = relay.delayMs + g_random_int_range(-relay.jitterMs, relay.jitterMs + 1);
    g_timeout_add(static_cast<guint>(std::max(delay, 0)), SendHeld,
        new Held { socket, to, std::vector<uint8_t>(bytes, bytes + n) });
}

gboolean OnDown(gint fd, GIOCondition, gpointer data)
{
    auto* relay = static_cast<Relay*>(data);
    Hold(*relay, fd, relay->up, relay->leader);
    return G_SOURCE_CONTINUE;
}

gboolean OnUp(gint fd, GIOCondition, gpointer data)
{
    auto* relay = static_cast<Relay*>(data);
    if (relay->haveFollower)
        Hold(*relay, fd, relay->down, relay->follower);
    return G_SOURCE_CONTINUE;
}

int RunRelay(int port, const char* to, int delayMs, int jitterMs)
{
    Relay relay;
    relay.delayMs = delayMs;
    relay.jitterMs = jitterMs;
    if (!ParseMember(to, relay.leader))
        return 2;
    relay.down = socket(AF_INET, SOCK_DGRAM, 0);
    relay.up = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(relay.down, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("bind");
        return 2;
    }
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_unix_fd_add(relay.down, G_IO_IN, OnDown, &relay);
    g_unix_fd_add(relay.up, G_IO_IN, OnUp, &relay);
    g_main_loop_run(loop);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // sync_member --relay PORT ADDR:PORT DELAY_MS JITTER_MS
    if (argc == 6 && std::strcmp(argv[1], "--relay") == 0)
        return RunRelay(std::atoi(argv[2]), argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
    gst_init(&argc, &argv);
    CLogBuffer log("sync_member", 100, 200);
    log.SetMirror(stderr);
    g_pLogBuffer = &log;
    Member member;
    std::string role = "standalone", leader, logDir;
    int port = CSyncClock::kDefaultPort, cuePort = 31776;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--role")
            role = argv[i + 1];
        else if (option == "--leader")
            leader = argv[i + 1];
        else if (option == "--port")
            port = std::atoi(argv[i + 1]);
        else if (option == "--cue-port")
            cuePort = std::atoi(argv[i + 1]);
        else if (option == "--clip-ms")
            member.clipLength = static_cast<GstClockTime>(std::atoi(argv[i + 1])) * GST_MSECOND;
        else if (option == "--log")
            logDir = argv[i + 1];
        else if (option == "--member") {
            sockaddr_in address;
            if (!ParseMember(argv[i + 1], address)) {
                std::fprintf(stderr, "bad member %s\n", argv[i + 1]);
                return 2;
            }
            member.members.push_back(address);
        }
    }
    CSyncClock::Role parsed;
    if (!CSyncClock::ParseRole(role, parsed)
        || !member.clock.Start(parsed, leader, static_cast<uint16_t>(port)))
        return 2;

    member.socket = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in bind_to {};
    bind_to.sin_family = AF_INET;
    bind_to.sin_port = htons(static_cast<uint16_t>(cuePort));
    if (parsed == CSyncClock::ROLE_FOLLOWER
        && bind(member.socket, reinterpret_cast<sockaddr*>(&bind_to), sizeof bind_to) != 0) {
        std::perror("bind");
        return 2;
    }
    for (int i = 0; i < 2; ++i)
        if (!MakeClip(member, member.clips[i], i == 0 ? "smpte" : "ball",
                logDir.empty() ? std::string() : logDir + (i == 0 ? "/A.frames" : "/B.frames")))
            return 1;
    LogMessage("sync_member: ready\n");

    member.loop = g_main_loop_new(nullptr, FALSE);
    if (parsed == CSyncClock::ROLE_LEADER)
        g_unix_fd_add(0, G_IO_IN, OnStdin, &member);
    else
        g_unix_fd_add(member.socket, G_IO_IN, OnDatagram, &member);
    g_timeout_add(250, OnTick, &member);
    g_main_loop_run(member.loop);

    for (Clip& clip : member.clips) {
        gst_element_set_state(clip.pipeline, GST_STATE_NULL);
        gst_object_unref(clip.sink);
        gst_object_unref(clip.pipeline);
    }
    g_main_loop_unref(member.loop);
    close(member.socket);
    g_pLogBuffer = nullptr;
    return 0;
}
