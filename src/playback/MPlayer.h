#pragma once

#include "playback/BasePlayer.h"
#include "playback/GstPtr.h"

#include <gst/gst.h>
#include <gst/video/videooverlay.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

class CDetachedCalls;
class CGraphNotifier;
class CGraphWorker;
class CGroupClock;
class CUiServices;

// The media-file player: one GStreamer playbin per open medium.
//
// The playbin stands in for the whole filter graph: it is the control, seeking,
// video-window (GstVideoOverlay) and audio interface at once; balance and
// volume go through an audio filter of our own (audiopanorama, volume) and
// events through the pipeline's bus.
// "Stopped" keeps the pipeline prerolled in PAUSED at position 0, so queries,
// seeks and a fresh start stay instant.
//
// Invariant: m_pAudio is set only when the whole graph (playbin, bus, notifier,
// sinks) was built; a failed Init may leave part of a graph until the next
// Close. Transport, seeking and video operations act only in GRAPH_OPEN. Everything runs on the
// thread that created the player; GStreamer's threads only reach it through
// the notifier. With asynchronous opens that thread never touches the medium's
// file: its check and its tag are read on a detached thread (a share that
// hangs never returns), and only the answer of the latest open is used.
class CMPlayer : public CBasePlayer
{
public:
    // Longest wait for a medium to preroll before the open gives up; a stream
    // address (http://, rtsp://, udp://, ...) gets longer for the network.
    static constexpr std::chrono::milliseconds kPrerollTimeout { 5000 };
    static constexpr std::chrono::milliseconds kStreamTimeout { 10000 };

    // Whether the text is an address GStreamer reads by itself rather than a local path.
    static bool IsStreamAddress(const std::string& path);

    // ui shows what goes wrong reading a tag (may be null: the logbook only).
    // groupClock: the wall's clock its graphs run on (null: standalone, each graph picks its own).
    explicit CMPlayer(CUiServices* ui = nullptr, std::shared_ptr<CGroupClock> groupClock = nullptr);
    ~CMPlayer() override;

    bool Init(CMessageTarget* owner) override;
    void Close() override;
    void Run() override;
    void Pause() override;
    bool RunAt(uint64_t at, int64_t startMs) override;
    void Stop() override;
    void SetPosition(uint32_t ms) override;
    void SeekBy(int32_t ms) override;
    uint32_t GetDuration() override;
    uint32_t GetPosition() override;
    double GetRate() override;
    bool SetRate(double rate) override;
    void SetOwner(WindowHandle parent) override;
    void Show(bool show) override;
    void SetVideoRect(const CRect& rect) override;
    void SetFullScreenMode(bool fullScreen) override;
    bool IsVideoVisible() override;
    int32_t GetPlayState() override { return m_PlayState; }
    int32_t GetGraphState() override { return m_GraphState; }
    int32_t GetVideoWidth() override;
    int32_t GetVideoHeight() override;
    CRect GetVideoRect() override;
    std::string GetTitle() override { return m_Title; }
    std::string GetFileName() override { return m_FileName; }
    std::string GetShortName() override;
    int32_t GetEvent(int32_t& code, int32_t& param1, int32_t& param2) override;
    void SetMessageDrain(WindowHandle drain) override;
    void HandleEvents() override;
    bool SetMute(bool mute) override;
    void SetVolume(int32_t volume) override;
    int32_t GetVolume() override;
    void SetBalance(int32_t balance) override;
    int32_t GetBalance() override;
    bool OpenMedia(const std::string& path) override;
    void GrabFrame(QImage& bitmap) override;
    int32_t GetFrameWidth() override { return m_FrameWidth; }
    int32_t GetFrameHeight() override { return m_FrameHeight; }
    void SetAsyncOpen(bool async) override { m_bAsyncOpen = async; }
    void SetSeamlessLoop(bool loop) override { m_bLoop = loop; }

    // Whether the open medium has a picture.
    bool HasVideo() const;

    // A late cue is joined this far ahead of now: time for the seek's preroll.
    static constexpr uint64_t kJoinMarginNs = 100'000'000;

private:
    friend class CGroupClock; // moves the graph onto a wall's new clock

    bool IsOpen() const { return m_GraphState == GRAPH_OPEN && m_pGraph; }
    static bool IsFileUri(const std::string& path);
    bool ReRequestIVideoWindow();
    bool BuildSinks();
    void SetTitle(const std::string& path);
    // What a look at a local medium's file found: the tag's title (empty when
    // none), a file error reading the tag, and why the file cannot be played.
    struct FileCheck
    {
        std::string title;
        std::string tagError;
        std::string problem;
    };
    // Touches the file: for any thread but the interface's.
    static FileCheck CheckFile(const std::string& path);
    static std::string TagTitle(const std::string& path, std::string& tagError);
    // The local file's check and tag off this thread; the open goes on in OnFileChecked.
    bool StartFileCheck(const std::string& path);
    void OnFileChecked(uint64_t serial, const FileCheck& check);
    void StartOpenTimer(std::chrono::milliseconds bound);
    // Hands the medium to the graph and asks for preroll; false (with the
    // error's text) when it fails at once. checked: the file was checked already.
    bool StartRender(const std::string& path, bool checked, std::string& error, std::string& audioDevice,
        GstStateChangeReturn& result);
    // The end of an open: GRAPH_OPEN, or the failure logged and the graph released.
    bool FinishOpen(bool prerolled, const std::string& error, const std::string& audioDevice);
    // With asynchronous opens the graph's slow state changes run on the worker;
    // an open that ends there without ASYNC_DONE (prerolled at once, live, or
    // failed) reports through an application message on the bus.
    void ChangeStateOffThread(GstState state);
    static constexpr std::chrono::milliseconds kStuckWorker { 1000 };
    void OnOpenTimeout();
    static constexpr const char* kOpenTimedOut = "Timed out waiting for the medium to start";
    bool NativeVideoSize(int32_t& width, int32_t& height) const;
    // Runs a graph call here, or for a network stream on the worker: a server that
    // stops answering can hold a state change or seek of rtspsrc or souphttpsrc.
    void OnGraph(std::function<void(GstElement*)> call);
    // A live stream's time played since its last seek: running time, which
    // stands still while paused.
    uint32_t RunningTimeMs() const;
    // Whether a stream that could not seek when it opened can now (an RTSP
    // recording announces its range only once it plays).
    bool SeekableNow() const;
    std::string TakeGraphError(std::string* audioDevice = nullptr) const;

    CUiServices* m_pUi;
    CMessageTarget* m_pOwner = nullptr;
    WindowHandle m_hParentWnd = 0;
    std::string m_Title;
    std::string m_FileName;
    GstPtr<GstElement> m_pGraph; // playbin
    GstPtr<GstBus> m_pEvent;
    std::unique_ptr<CGraphNotifier> m_pNotifier;
    GstVideoOverlay* m_pVideoWindow = nullptr; // the playbin's own overlay interface, not a reference
    GstPtr<GstElement> m_pAudio; // the audiopanorama inside the audio filter
    GstPtr<GstElement> m_pGain; // the volume element inside the audio filter
    int32_t m_GraphState = GRAPH_NONE;
    int32_t m_PlayState = STATE_STOPPED;
    int32_t m_FrameWidth = 0;
    int32_t m_FrameHeight = 0;
    bool m_bMediaTime = false;
    bool m_bRemote = false; // the medium is a network stream: transport goes through the worker
    bool m_bLive = false; // a live stream (no preroll): timed by running time
    uint32_t m_LiveBaseMs = 0; // a live stream's position at its last seek (0: open, Stop)
    bool m_bSeekRefused = false; // the refusal was logged for this medium
    int32_t m_Volume = 0;
    int32_t m_SavedVolume = 0;
    int32_t m_Balance = 0;

    // What the graph was last given: GStreamer's gain is linear, so the
    // hundredths of a decibel are kept here to read back exactly.
    int32_t m_GraphVolume = 0;
    double m_Rate = 1.0;
    CRect m_VideoRect;
    bool m_bVideoVisible = false;
    bool m_bFullScreen = false;
    WindowHandle m_hDrain = 0;

    // The pending asynchronous open: its bound, and whether the bound ran out.
    bool m_bAsyncOpen = false;
    std::unique_ptr<QTimer> m_pOpenTimer;
    bool m_bOpenTimedOut = false;
    std::unique_ptr<CGraphWorker> m_pWorker; // created with the first asynchronous open
    std::vector<std::unique_ptr<CGraphWorker>> m_RetiredWorkers; // closing streams, until idle
    // The file checks of asynchronous opens, and the one whose answer counts.
    std::unique_ptr<CDetachedCalls> m_pChecks;
    uint64_t m_CheckSerial = 0;
    std::string m_OpenError; // an open's failure found off the graph, for GetEvent
    // After a scheduled run the pipeline keeps the wall's base time; a pause or
    // stop hands timing back to the pipeline, so a later Run starts afresh.
    void ReleaseGroupBaseTime();
    // Run's and Pause's state change: handed to the graph's thread for a remote
    // graph, else made at once, where a failure is reported (from `where`) and stops.
    void SetGraphState(GstState target, int32_t playState, const char* where);
    // A seek to [start, the medium's end) that ends in SEGMENT_DONE, not EOS.
    bool SegmentSeek(gint64 start, bool flush);
    void MoveGraphToClock(GstClock* clock, int64_t jumpNs);
    // A position past the medium's end: wrapped when it loops, else its end.
    gint64 WithinMedium(gint64 position) const;
    int m_Number = 0; // in order of creation: Player A is 0
    std::shared_ptr<CGroupClock> m_pGroupClock; // null when standalone
    GstClock* GroupClock() const;
    // Looping by segment seeks: the graph plays a segment and posts
    // SEGMENT_DONE instead of EOS, and a non-flushing seek back to 0 keeps
    // running time going on, so no frame is lost or shown twice.
    bool m_bLoop = false;
    bool m_bSegmentMode = false;
};
