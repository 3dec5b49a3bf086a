// CMPlayer: the picture (placement, size, frame grab) and the graph events.
#include "playback/MPlayer.h"

#include "core/Log.h"
#include "playback/AspectFit.h"
#include "playback/CheckResult.h"
#include "playback/GraphNotifier.h"
#include "playback/MediaFile.h"

#include <gst/video/video.h>

bool CMPlayer::ReRequestIVideoWindow()
{
    if (m_pVideoWindow)
        return true;
    const bool ok = m_pGraph && GST_IS_VIDEO_OVERLAY(m_pGraph.get());
    if (!CheckResult(1, ok, "the pipeline offers no video overlay", "CMPlayer::ReRequestIVideoWindow(): \n"))
        return false;
    m_pVideoWindow = GST_VIDEO_OVERLAY(m_pGraph.get());
    return true;
}

bool CMPlayer::HasVideo() const
{
    if (!IsOpen())
        return false;
    gint videoStreams = 0;
    g_object_get(m_pGraph.get(), "n-video", &videoStreams, nullptr);
    return videoStreams > 0;
}

void CMPlayer::SetOwner(WindowHandle parent)
{
    m_hParentWnd = parent;
    if (m_pNotifier)
        m_pNotifier->SetWindow(parent);
    if (!ReRequestIVideoWindow() || parent == 0)
        return;
    gst_video_overlay_set_window_handle(m_pVideoWindow, static_cast<guintptr>(parent));
    SetMessageDrain(parent);
}

void CMPlayer::Show(bool show)
{
    if (!HasVideo() || !ReRequestIVideoWindow())
        return;
    // The picture lives in the owner's native child window, which the owner shows
    // and hides; the player keeps the state and repaints on showing.
    m_bVideoVisible = show;
    if (show)
        gst_video_overlay_expose(m_pVideoWindow);
    m_bShown = show;
}

void CMPlayer::SetVideoRect(const CRect& rect)
{
    if (rect.Width() < 1 || rect.Height() < 1 || !IsOpen())
        return;
    const int32_t width = GetVideoWidth();
    const int32_t height = GetVideoHeight();
    if (width == 0 || height == 0)
        return;
    m_VideoRect = FitVideoRect(rect, width, height);
    if (m_pVideoWindow)
        gst_video_overlay_set_render_rectangle(
            m_pVideoWindow, m_VideoRect.left, m_VideoRect.top, m_VideoRect.Width(), m_VideoRect.Height());
}

void CMPlayer::SetFullScreenMode(bool fullScreen)
{
    if (!m_pGraph || !ReRequestIVideoWindow())
        return;
    // Overlay sinks have no full-screen mode of their own: the full-screen
    // window of the application covers the screen instead.
    m_bFullScreen = fullScreen;
}

bool CMPlayer::IsVideoVisible()
{
    return m_pVideoWindow != nullptr && m_bVideoVisible;
}

bool CMPlayer::NativeVideoSize(int32_t& width, int32_t& height) const
{
    width = height = 0;
    if (!IsOpen())
        return false;
    GstPad* rawPad = nullptr;
    g_signal_emit_by_name(m_pGraph.get(), "get-video-pad", 0, &rawPad);
    GstPtr<GstPad> pad(rawPad);
    if (!pad)
        return false;
    GstPtr<GstCaps> caps(gst_pad_get_current_caps(pad.get()));
    GstVideoInfo info;
    if (!caps || !gst_video_info_from_caps(&info, caps.get()))
        return false;
    width = GST_VIDEO_INFO_WIDTH(&info);
    height = GST_VIDEO_INFO_HEIGHT(&info);
    return true;
}

int32_t CMPlayer::GetVideoWidth()
{
    int32_t width = 0, height = 0;
    NativeVideoSize(width, height);
    return width;
}

int32_t CMPlayer::GetVideoHeight()
{
    int32_t width = 0, height = 0;
    NativeVideoSize(width, height);
    return height;
}

CRect CMPlayer::GetVideoRect()
{
    if (!m_pGraph || !ReRequestIVideoWindow())
        return {};
    return m_VideoRect;
}

void CMPlayer::SetMessageDrain(WindowHandle drain)
{
    if (!m_pVideoWindow)
        return;
    m_hDrain = drain;
    // The sink must not take mouse and keyboard input from the window: the owner handles it.
    gst_video_overlay_handle_events(m_pVideoWindow, FALSE);
}

int32_t CMPlayer::GetEvent(int32_t& code, int32_t& param1, int32_t& param2)
{
    code = param1 = param2 = 0;
    if (!m_pEvent || !m_pNotifier)
        return -1;
    if (m_GraphState == GRAPH_OPENING && !m_OpenError.empty()) {
        // The file failed its check: the text is the one an open failing at once logs.
        const std::string error = std::move(m_OpenError);
        m_OpenError.clear();
        code = EC_OPEN_COMPLETE;
        param1 = FinishOpen(false, error, {}) ? 1 : 0;
        return 0;
    }
    if (m_GraphState == GRAPH_OPENING) {
        // An asynchronous open: an error, the preroll or the bound ends it.
        std::string audioDevice;
        std::string error = TakeGraphError(&audioDevice);
        if (error.empty() && !m_pNotifier->Take(GST_MESSAGE_ASYNC_DONE)) {
            if (GstPtr<GstMessage> result = m_pNotifier->Take(GST_MESSAGE_APPLICATION)) {
                gboolean ok = FALSE;
                gst_structure_get_boolean(gst_message_get_structure(result.get()), "ok", &ok);
                if (!ok)
                    error = "The medium cannot be played";
            } else if (!m_bOpenTimedOut) {
                return -1;
            } else {
                error = kOpenTimedOut;
            }
        }
        if (!error.empty())
            error += ": " + MediaFile::NameForLog(m_FileName);
        code = EC_OPEN_COMPLETE;
        param1 = FinishOpen(error.empty(), error, audioDevice) ? 1 : 0;
        return 0;
    }
    GstPtr<GstMessage> message = m_pNotifier->Take(
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_SEGMENT_DONE));
    while (message && GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_SEGMENT_DONE) {
        // Back to the start without a flush: the graph keeps its running time.
        if (m_bLoop && m_bSegmentMode && SegmentSeek(0, false)) {
            message = m_pNotifier->Take(
                static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_SEGMENT_DONE));
            continue;
        }
        // Repeat was switched off: the medium ends here, as at EOS.
        m_bSegmentMode = false;
        code = EC_COMPLETE;
        return 0;
    }
    if (!message)
        return -1;
    if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS) {
        code = EC_COMPLETE;
        return 0;
    }
    GstPtr<GError> error;
    gst_message_parse_error(message.get(), error.out(), nullptr);
    CheckResult(
        2, false, error ? error->message : "playback error", "CMPlayer::GetEvent(): playback aborted\n");
    code = EC_ERRORABORT;
    param1 = error ? error->code : 0;
    return 0;
}

void CMPlayer::HandleEvents()
{
    int32_t code = 0, param1 = 0, param2 = 0;
    while (GetEvent(code, param1, param2) >= 0)
        if (code == EC_COMPLETE)
            Stop();
}

void CMPlayer::GrabFrame(QImage& bitmap)
{
    bitmap = QImage();
    if (!IsOpen() || (m_PlayState != STATE_PAUSED && m_PlayState != STATE_RUNNING) || !HasVideo())
        return;
    GstSample* rawSample = nullptr;
    g_object_get(m_pGraph.get(), "sample", &rawSample, nullptr);
    GstPtr<GstSample> sample(rawSample);
    if (!sample)
        return;
    GstPtr<GstCaps> rgb(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "RGB", nullptr));
    GstSample* rawConverted = nullptr;
    g_signal_emit_by_name(m_pGraph.get(), "convert-sample", rgb.get(), &rawConverted);
    GstPtr<GstSample> converted(rawConverted);
    GstVideoInfo info;
    if (!converted || !gst_video_info_from_caps(&info, gst_sample_get_caps(converted.get())))
        return;
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(converted.get()), GST_MAP_READ))
        return;
    const QImage view(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
        GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
        GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB888);
    bitmap = view.copy();
    gst_video_frame_unmap(&frame);
    m_FrameWidth = bitmap.width();
    m_FrameHeight = bitmap.height();
}
