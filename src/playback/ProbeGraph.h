#pragma once

#include "playback/GstPtr.h"
#include "playback/MediaProber.h"

#include <gst/gst.h>

#include <chrono>
#include <functional>
#include <string>

// Reads one medium's length and seekability the way a player opens it, to
// the first decoded frame of each stream, with fakesinks instead of a window or
// an audio device: a medium fails here as the player's open would.
//
// Lives on the thread that runs `context`: its bus watch and its bound are
// sources there, and the answer is handed to `done` from that thread.
class CProbeGraph
{
public:
    using Done = std::function<void(const CProbeAnswer& answer)>;

    CProbeGraph(GMainContext* context, std::chrono::milliseconds bound);
    ~CProbeGraph();
    CProbeGraph(const CProbeGraph&) = delete;
    CProbeGraph& operator=(const CProbeGraph&) = delete;

    // Starts reading the local file; done is called once, later (never from
    // Start). False when the graph cannot be built (nothing will be called).
    bool Start(const std::string& path, Done done);
    // Drops the file being read without an answer.
    void Abort();
    bool IsBusy() const { return m_bBusy; }

private:
    static gboolean OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
    static gboolean OnTimeout(gpointer self);
    static gboolean OnRequery(gpointer self);
    static void OnPadAdded(GstElement* decodebin, GstPad* pad, gpointer pipeline);
    bool Build();
    void Answer();
    void Finish(const CProbeAnswer& answer);
    void Reset();

    GMainContext* m_pContext;
    const std::chrono::milliseconds m_Bound;
    // filesrc ! decodebin, kept from file to file (decodebin keeps its list of
    // factories, the costliest part of its set-up); a fakesink per stream.
    GstPtr<GstElement> m_pPipeline;
    GstElement* m_pSource = nullptr; // owned by the pipeline
    GstElement* m_pDecoder = nullptr; // owned by the pipeline
    bool m_bBusy = false;
    GSource* m_pBusWatch = nullptr;
    GSource* m_pTimeout = nullptr;
    GSource* m_pRequery = nullptr;
    int m_Requeries = 0;
    std::string m_Path;
    Done m_Done;
};
