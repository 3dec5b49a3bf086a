#include "playback/MPlayer.h"

#include "playback/MediaFile.h"

#include "core/DetachedCalls.h"
#include "core/Log.h"
#include "playback/CheckResult.h"
#include "playback/GraphNotifier.h"
#include "playback/GraphWorker.h"
#include "playback/GroupClock.h"
#include "playback/MediaTime.h"
#include "playback/SinkChoice.h"
#include "sync/SyncPipeline.h"

#include "core/Messages.h"

#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace {

constexpr int32_t kVolumeSilent = -10000;

// playbin's GST_PLAY_FLAG_SOFT_VOLUME (not in a public header). The volume
// element playbin adds for it is never released (GStreamer 1.22), one per
// graph; the audio filter's own volume element does the same work.
constexpr guint kPlayFlagSoftVolume = 1u << 4;

// Hundredths of a decibel to GStreamer's linear gain; the bottom of the scale is silence.
double VolumeToGain(int32_t volume)
{
    return volume <= kVolumeSilent ? 0.0 : std::pow(10.0, volume / 2000.0);
}

} // namespace

bool CMPlayer::IsFileUri(const std::string& path)
{
    return g_ascii_strncasecmp(path.c_str(), "file://", 7) == 0;
}

CMPlayer::CMPlayer(CUiServices* ui, std::shared_ptr<CGroupClock> groupClock)
    : m_pUi(ui)
    , m_pGroupClock(std::move(groupClock))
{
    m_PlayerType = PLAYER_TYPE_MEDIA_FILE;
    static int s_Created = 0;
    m_Number = s_Created++;
    if (m_pGroupClock)
        m_pGroupClock->Add(this);
    GstPtr<GError> error;
    if (!gst_init_check(nullptr, nullptr, error.out()))
        CheckResult(2, false, error ? error->message : "GStreamer cannot be initialised", nullptr);
}

CMPlayer::~CMPlayer()
{
    // A check still running answers nobody.
    m_pChecks.reset();
    Close();
    // Lets the graphs handed to the workers finish going down.
    m_pWorker.reset();
    m_RetiredWorkers.clear();
    if (m_pGroupClock)
        m_pGroupClock->Remove(this);
}

bool CMPlayer::Init(CMessageTarget* owner)
{
    Close();
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (!CheckResult(
            2, playbin != nullptr, "no GStreamer element \"playbin\"", "Init: CoCreateInstance() failed\n"))
        return false;
    m_pGraph.reset(GST_ELEMENT(gst_object_ref_sink(playbin)));
    if (GstClock* clock = GroupClock())
        gst_pipeline_use_clock(GST_PIPELINE(playbin), clock);

    m_pEvent.reset(gst_element_get_bus(m_pGraph.get()));
    if (!CheckResult(2, m_pEvent.get() != nullptr, "the pipeline has no bus",
            "Init: QueryInterface(IID_IMediaEventEx) failed\n"))
        return false;
    // The owner of the previous call: the first Init of a player announces nothing.
    m_pNotifier = std::make_unique<CGraphNotifier>(m_pOwner);
    m_pNotifier->SetWindow(m_hParentWnd);
    m_pNotifier->Attach(m_pEvent.get());

    if (!BuildSinks())
        return false;
    m_GraphVolume = 0; // a new playbin plays at full volume
    m_Volume = GetVolume();
    m_Balance = GetBalance();

    m_pOwner = owner;
    Show(false);
    // A fresh graph renders where the previous one did.
    SetOwner(m_hParentWnd);
    return true;
}

bool CMPlayer::BuildSinks()
{
    std::string error;
    GstElement* videoSink = SinkChoice::MakeVideoSink(error);
    if (!CheckResult(2, videoSink != nullptr, error, "Init: QueryInterface(IID_IBasicVideo) failed\n"))
        return false;
    g_object_set(m_pGraph.get(), "video-sink", videoSink, nullptr);
    // Test mode of a wall: every frame's group time into PREFIX.<player number>.
    if (const char* prefix = std::getenv("ZUVIO_TEST_FRAME_LOG"); prefix && *prefix)
        SyncPipeline::InstallFrameLog(videoSink, std::string(prefix) + "." + std::to_string(m_Number));

    GstElement* audioSink = SinkChoice::MakeAudioSink(error);
    if (!CheckResult(2, audioSink != nullptr, error, "Init: QueryInterface(IID_IBasicAudio) failed\n"))
        return false;
    g_object_set(m_pGraph.get(), "audio-sink", audioSink, nullptr);

    // audioconvert first, so streams of any channel layout reach the panorama.
    GstPtr<GError> parseError;
    GstElement* filter = gst_parse_bin_from_description(
        "audioconvert ! audiopanorama name=balance ! volume name=gain", TRUE, parseError.out());
    if (!CheckResult(2, filter != nullptr && !parseError,
            parseError ? parseError->message : "no audio filter",
            "Init: QueryInterface(IID_IBasicAudio) failed\n")) {
        GstPtr<GstElement> discard(filter ? GST_ELEMENT(gst_object_ref_sink(filter)) : nullptr);
        return false;
    }
    m_pAudio.reset(gst_bin_get_by_name(GST_BIN(filter), "balance"));
    m_pGain.reset(gst_bin_get_by_name(GST_BIN(filter), "gain"));
    g_object_set(m_pGraph.get(), "audio-filter", filter, nullptr);
    guint flags = 0;
    g_object_get(m_pGraph.get(), "flags", &flags, nullptr);
    g_object_set(m_pGraph.get(), "flags", flags & ~kPlayFlagSoftVolume, nullptr);
    return true;
}

void CMPlayer::Close()
{
    if (m_pOpenTimer)
        m_pOpenTimer->stop();
    m_bOpenTimedOut = false;
    ++m_CheckSerial; // the answer of a check still running is stale now
    m_OpenError.clear();
    if ((m_pWorker || m_bRemote) && m_pGraph) {
        // Detached first, so that nothing of this graph reaches the owner while it goes down.
        m_pNotifier.reset();
        ChangeStateOffThread(GST_STATE_NULL);
        // A stream's worker may be held for long by a server that stopped
        // answering: the next medium gets a worker of its own.
        if (m_bRemote)
            m_RetiredWorkers.push_back(std::move(m_pWorker));
    } else if (m_pGraph) {
        gst_element_set_state(m_pGraph.get(), GST_STATE_NULL);
    }
    std::erase_if(
        m_RetiredWorkers, [](const std::unique_ptr<CGraphWorker>& worker) { return worker->IsIdle(); });
    // No streaming thread runs any more, or none can reach the owner: no notification can follow.
    m_pNotifier.reset();
    m_bVideoVisible = false;
    m_pVideoWindow = nullptr;
    m_pAudio.reset();
    m_pGain.reset();
    m_pEvent.reset();
    m_pGraph.reset();
    m_GraphState = GRAPH_NONE;
    m_PlayState = STATE_STOPPED;
    m_bMediaTime = false;
    m_bLive = false;
    m_LiveBaseMs = 0;
    m_bSeekRefused = false;
    m_bSegmentMode = false;
    m_Rate = 1.0;
    m_VideoRect = {};
}

bool CMPlayer::IsStreamAddress(const std::string& path)
{
    static constexpr std::array<std::string_view, 6> kSchemes { "http://", "https://", "rtsp://", "srt://",
        "udp://", "file://" };
    return std::any_of(kSchemes.begin(), kSchemes.end(), [&path](std::string_view scheme) {
        return path.size() > scheme.size()
            && g_ascii_strncasecmp(path.c_str(), scheme.data(), static_cast<gsize>(scheme.size())) == 0;
    });
}

bool CMPlayer::OpenMedia(const std::string& path)
{
    Init(m_pOwner);
    if (!m_pGraph) {
        m_GraphState = GRAPH_NONE;
        return false;
    }
    m_GraphState = GRAPH_OPENING;
    m_bRemote = IsStreamAddress(path) && !IsFileUri(path);
    // Set before the graph starts, so that a preroll reached at once is not missed.
    m_pNotifier->SetAwaitPreroll(m_bAsyncOpen);
    if (m_bAsyncOpen && !m_bRemote)
        return StartFileCheck(path);
    SetTitle(path);

    std::string error, audioDevice;
    GstStateChangeReturn result = GST_STATE_CHANGE_FAILURE;
    if (!StartRender(path, false, error, audioDevice, result))
        return FinishOpen(false, error, audioDevice);
    if (result != GST_STATE_CHANGE_ASYNC) // prerolled already, or live
        return FinishOpen(true, {}, {});

    const std::chrono::milliseconds bound = m_bRemote ? kStreamTimeout : kPrerollTimeout;
    if (m_bAsyncOpen) {
        StartOpenTimer(bound);
        return true;
    }
    result = gst_element_get_state(
        m_pGraph.get(), nullptr, nullptr, static_cast<GstClockTime>(bound.count()) * GST_MSECOND);
    if (result == GST_STATE_CHANGE_SUCCESS || result == GST_STATE_CHANGE_NO_PREROLL)
        return FinishOpen(true, {}, {});
    error = TakeGraphError(&audioDevice);
    if (error.empty())
        error = result == GST_STATE_CHANGE_ASYNC ? kOpenTimedOut : "The medium cannot be played";
    return FinishOpen(false, error + ": " + MediaFile::NameForLog(path), audioDevice);
}

void CMPlayer::StartOpenTimer(std::chrono::milliseconds bound)
{
    if (!m_pOpenTimer) {
        m_pOpenTimer = std::make_unique<QTimer>();
        m_pOpenTimer->setSingleShot(true);
        QObject::connect(m_pOpenTimer.get(), &QTimer::timeout, [this] { OnOpenTimeout(); });
    }
    m_bOpenTimedOut = false;
    m_pOpenTimer->start(bound);
}

void CMPlayer::OnOpenTimeout()
{
    if (m_GraphState != GRAPH_OPENING)
        return;
    m_bOpenTimedOut = true;
    if (m_pOwner)
        m_pOwner->SendMessage(WM_GRAPHNOTIFY, 0, 0);
}

bool CMPlayer::FinishOpen(bool prerolled, const std::string& error, const std::string& audioDevice)
{
    if (m_pOpenTimer)
        m_pOpenTimer->stop();
    m_bOpenTimedOut = false;
    if (m_pNotifier)
        m_pNotifier->SetAwaitPreroll(false);
    if (!prerolled) {
        CheckResult(2, false, error, "OpenMedia(): RenderFile() failed\n");
        // Typically a hw: device the other player holds with its own medium.
        if (!audioDevice.empty())
            LogError("OpenMedia(): audio device \"%s\" cannot be opened. A device such as hw:N serves one "
                     "player at a time; give both players a mixing device (\"default\", \"dmix\", "
                     "PulseAudio or PipeWire).\n",
                audioDevice.c_str());
        // Release the file and every thread now; the objects go at the next Close.
        if (m_bAsyncOpen || m_bRemote)
            ChangeStateOffThread(GST_STATE_NULL);
        else
            gst_element_set_state(m_pGraph.get(), GST_STATE_NULL);
        m_pNotifier->Clear();
        m_GraphState = GRAPH_NONE;
        return false;
    }
    m_GraphState = GRAPH_OPEN;
    m_PlayState = STATE_STOPPED;

    GstPtr<GstQuery> query(gst_query_new_seeking(GST_FORMAT_TIME));
    gboolean seekable = FALSE;
    if (gst_element_query(m_pGraph.get(), query.get()))
        gst_query_parse_seeking(query.get(), nullptr, &seekable, nullptr, nullptr);
    m_bMediaTime = seekable != FALSE;
    // A live source cannot preroll: its pipeline reports NO_PREROLL in PAUSED.
    m_bLive = m_bRemote
        && gst_element_get_state(m_pGraph.get(), nullptr, nullptr, 0) == GST_STATE_CHANGE_NO_PREROLL;
    m_LiveBaseMs = 0;
    m_bSeekRefused = false;
    if (m_bLive)
        LogMessage("OpenMedia(): %s is a live stream: its position counts the time played.\n",
            MediaFile::NameForLog(m_FileName).c_str());
    else if (!m_bMediaTime && m_bRemote)
        LogMessage("OpenMedia(): the stream %s cannot seek.\n", MediaFile::NameForLog(m_FileName).c_str());
    else if (!m_bMediaTime)
        LogMessage("Time format not supported!\n");

    SetVolume(m_Volume);
    SetBalance(m_Balance);
    return true;
}

bool CMPlayer::StartRender(const std::string& path, bool checked, std::string& error,
    std::string& audioDevice, GstStateChangeReturn& result)
{
    GstPtr<gchar> uri;
    if (IsStreamAddress(path) && !IsFileUri(path)) {
        uri.reset(g_strdup(path.c_str()));
    } else {
        // A local file, by path or file:// address: only what MediaFile::Check lets through.
        std::string local = path;
        if (IsFileUri(path)) {
            GstPtr<gchar> name(g_filename_from_uri(path.c_str(), nullptr, nullptr));
            if (!name) {
                error = "Invalid file address: " + MediaFile::NameForLog(path);
                return false;
            }
            local = name.get();
        }
        if (std::string problem = checked ? std::string() : MediaFile::Check(local); !problem.empty()) {
            error = problem + ": " + MediaFile::NameForLog(path);
            return false;
        }
        GstPtr<gchar> absolute(g_canonicalize_filename(local.c_str(), nullptr));
        GstPtr<GError> uriError;
        uri.reset(g_filename_to_uri(absolute.get(), nullptr, uriError.out()));
        if (!uri) {
            error = uriError ? uriError->message : "invalid file name";
            return false;
        }
    }
    g_object_set(m_pGraph.get(), "uri", uri.get(), nullptr);

    if (m_bAsyncOpen) {
        ChangeStateOffThread(GST_STATE_PAUSED);
        result = GST_STATE_CHANGE_ASYNC;
        return true;
    }
    result = gst_element_set_state(m_pGraph.get(), GST_STATE_PAUSED);
    if (result != GST_STATE_CHANGE_FAILURE)
        return true;
    error = TakeGraphError(&audioDevice);
    if (error.empty())
        error = "The medium cannot be played";
    error += ": " + MediaFile::NameForLog(path);
    return false;
}

void CMPlayer::ChangeStateOffThread(GstState state)
{
    // A worker stuck in a graph of a file system that hangs would hold every
    // later open: that graph is left to it, the next ones get a new worker.
    if (m_pWorker && state == GST_STATE_PAUSED && m_pWorker->IsStuck(kStuckWorker)) {
        LogMessage("CMPlayer: a graph call has not returned for %lld ms; later graphs go to a new worker.\n",
            static_cast<long long>(kStuckWorker.count()));
        m_pWorker->LeaveBehind();
        m_pWorker.reset();
    }
    if (!m_pWorker)
        m_pWorker = std::make_unique<CGraphWorker>();
    auto* graph = GST_ELEMENT(gst_object_ref(m_pGraph.get()));
    m_pWorker->Post([graph, state] {
        const GstStateChangeReturn result = gst_element_set_state(graph, state);
        if (state == GST_STATE_PAUSED && result != GST_STATE_CHANGE_ASYNC) {
            GstPtr<GstBus> bus(gst_element_get_bus(graph));
            gst_bus_post(bus.get(),
                gst_message_new_application(GST_OBJECT(graph),
                    gst_structure_new(CGraphNotifier::kOpenResult, "ok", G_TYPE_BOOLEAN,
                        result != GST_STATE_CHANGE_FAILURE, nullptr)));
        }
        gst_object_unref(graph);
    });
}

std::string CMPlayer::TakeGraphError(std::string* audioDevice) const
{
    GstPtr<GstMessage> message = m_pNotifier->Take(GST_MESSAGE_ERROR);
    if (!message)
        return {};
    if (audioDevice) {
        GstPtr<GstElement> sink;
        g_object_get(m_pGraph.get(), "audio-sink", sink.out(), nullptr);
        *audioDevice = SinkChoice::FailedAudioDevice(sink.get(), message.get());
    }
    GstPtr<GError> error;
    gst_message_parse_error(message.get(), error.out(), nullptr);
    return error ? error->message : "unknown error";
}

std::string CMPlayer::GetShortName()
{
    return MediaFile::ShortName(m_FileName);
}

void CMPlayer::Run()
{
    if (!IsOpen())
        return;
    if (!m_bRemote && m_bLoop && !m_bSegmentMode && m_bMediaTime && m_Rate == 1.0) {
        gint64 position = 0;
        if (!gst_element_query_position(m_pGraph.get(), GST_FORMAT_TIME, &position) || position < 0)
            position = 0;
        m_bSegmentMode = SegmentSeek(position, true);
    }
    SetGraphState(GST_STATE_PLAYING, STATE_RUNNING, "CMPlayer::Run()\n");
}

void CMPlayer::Pause()
{
    if (!IsOpen())
        return;
    ReleaseGroupBaseTime();
    SetGraphState(GST_STATE_PAUSED, STATE_PAUSED, "CMPlayer::Pause()\n");
}

void CMPlayer::SetGraphState(GstState target, int32_t playState, const char* where)
{
    if (m_bRemote) {
        // Failures arrive as error events; the owner stops the player then.
        OnGraph([target](GstElement* graph) { gst_element_set_state(graph, target); });
    } else if (gst_element_set_state(m_pGraph.get(), target) == GST_STATE_CHANGE_FAILURE) {
        CheckResult(2, false, TakeGraphError(), where);
        Stop();
        return;
    }
    m_PlayState = playState;
}

void CMPlayer::Stop()
{
    if (!IsOpen())
        return;
    ReleaseGroupBaseTime();
    if (m_bRemote) {
        const bool live = m_bLive, seekable = m_bMediaTime;
        const double rate = m_Rate;
        OnGraph([live, seekable, rate](GstElement* graph) {
            if (gst_element_set_state(graph, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
                return;
            if (seekable)
                gst_element_seek(graph, rate, GST_FORMAT_TIME,
                    static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                    GST_SEEK_TYPE_SET, 0, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
            if (live) // the next Run counts the time played from 0 again
                gst_element_set_start_time(graph, 0);
        });
        m_LiveBaseMs = 0;
        m_bSegmentMode = false;
        m_PlayState = STATE_STOPPED;
        return;
    }
    if (gst_element_set_state(m_pGraph.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return;
    m_bSegmentMode = false;
    SetPosition(0);
    m_PlayState = STATE_STOPPED;
}

bool CMPlayer::SetMute(bool mute)
{
    if (!m_pAudio)
        return false;
    if (!mute) {
        SetVolume(m_SavedVolume);
        return true;
    }
    const int32_t volume = GetVolume();
    if (volume > 0 || volume == kVolumeSilent)
        return false;
    m_SavedVolume = volume;
    SetVolume(kVolumeSilent);
    return true;
}

void CMPlayer::SetVolume(int32_t volume)
{
    if (!m_pAudio || !m_pGain || volume < kVolumeSilent || volume > 0)
        return;
    g_object_set(m_pGain.get(), "volume", VolumeToGain(volume), nullptr);
    m_GraphVolume = volume;
    m_Volume = volume;
}

int32_t CMPlayer::GetVolume()
{
    return m_pAudio ? m_GraphVolume : VOLUME_UNREADABLE;
}

void CMPlayer::SetBalance(int32_t balance)
{
    if (!m_pAudio || balance < -10000 || balance > 10000)
        return;
    g_object_set(m_pAudio.get(), "panorama", static_cast<gfloat>(balance / 10000.0), nullptr);
    m_Balance = balance;
}

int32_t CMPlayer::GetBalance()
{
    if (!m_pAudio)
        return 0;
    gfloat panorama = 0;
    g_object_get(m_pAudio.get(), "panorama", &panorama, nullptr);
    return static_cast<int32_t>(std::lround(static_cast<double>(panorama) * 10000.0));
}
