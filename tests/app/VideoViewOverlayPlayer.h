#pragma once

#include "playback/BasePlayer.h"

#include <gst/gst.h>
#include <gst/video/videooverlay.h>

#include <memory>
#include <string>

// A minimal GStreamer player for the on-screen checks of the video view: the
// "path" is a gst-launch description ending in a video sink named "sink". It
// renders through GstVideoOverlay into the window it is given as the real
// player does: the sink ignores the window's events, and Show(true) repaints.
class OverlayPlayer : public CBasePlayer
{
public:
    OverlayPlayer(int32_t width, int32_t height) : m_Width(width), m_Height(height) {}
    ~OverlayPlayer() override { Close(); }

    bool OpenMedia(const std::string& description) override
    {
        Close();
        GError* error = nullptr;
        if (GstElement* pipeline = gst_parse_launch(description.c_str(), &error))
            m_pPipeline.reset(GST_ELEMENT(gst_object_ref_sink(pipeline)));
        g_autoptr(GError) parseError = error;
        if (parseError || !m_pPipeline) {
            Close();
            return false;
        }
        m_pSink.reset(gst_bin_get_by_name(GST_BIN(m_pPipeline.get()), "sink"));
        if (!m_pSink || !GST_IS_VIDEO_OVERLAY(m_pSink.get())) {
            Close();
            return false;
        }
        ApplyWindow();
        gst_element_set_state(m_pPipeline.get(), GST_STATE_PAUSED);
        if (gst_element_get_state(m_pPipeline.get(), nullptr, nullptr, 5 * GST_SECOND) == GST_STATE_CHANGE_FAILURE) {
            Close();
            return false;
        }
        m_Graph = GRAPH_OPEN;
        m_Play = STATE_STOPPED;
        return true;
    }
    void Close() override
    {
        if (m_pPipeline)
            gst_element_set_state(m_pPipeline.get(), GST_STATE_NULL);
        m_pSink.reset();
        m_pPipeline.reset();
        m_Graph = GRAPH_NONE;
        m_Play = STATE_STOPPED;
    }
    void Run() override { SetState(GST_STATE_PLAYING, STATE_RUNNING); }
    void Pause() override { SetState(GST_STATE_PAUSED, STATE_PAUSED); }
    void Stop() override { SetState(GST_STATE_PAUSED, STATE_STOPPED); }
    void SetOwner(WindowHandle parent) override
    {
        m_Owner = parent;
        ApplyWindow();
    }
    void Show(bool show) override
    {
        m_bShown = show;
        if (show && m_pSink)
            gst_video_overlay_expose(GST_VIDEO_OVERLAY(m_pSink.get()));
    }
    void SetVideoRect(const CRect& rect) override
    {
        m_Rect = rect;
        ApplyWindow();
    }
    CRect GetVideoRect() override { return m_Rect; }
    int32_t GetPlayState() override { return m_Play; }
    int32_t GetGraphState() override { return m_Graph; }
    int32_t GetVideoWidth() override { return m_Width; }
    int32_t GetVideoHeight() override { return m_Height; }

private:
    void SetState(GstState state, int32_t play)
    {
        if (m_Graph != GRAPH_OPEN)
            return;
        gst_element_set_state(m_pPipeline.get(), state);
        m_Play = play;
    }
    void ApplyWindow()
    {
        if (!m_pSink || !m_Owner)
            return;
        auto* overlay = GST_VIDEO_OVERLAY(m_pSink.get());
        gst_video_overlay_set_window_handle(overlay, m_Owner);
        gst_video_overlay_handle_events(overlay, FALSE);
        if (!m_Rect.IsEmpty())
            gst_video_overlay_set_render_rectangle(overlay, m_Rect.left, m_Rect.top, m_Rect.Width(), m_Rect.Height());
    }

    struct Unref
    {
        void operator()(GstElement* element) const { gst_object_unref(element); }
    };
    using ElementPtr = std::unique_ptr<GstElement, Unref>;

    int32_t m_Width, m_Height;
    ElementPtr m_pPipeline;
    ElementPtr m_pSink;
    WindowHandle m_Owner = 0;
    CRect m_Rect;
    int32_t m_Graph = GRAPH_NONE;
    int32_t m_Play = STATE_STOPPED;
};
