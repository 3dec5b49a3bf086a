#include "playback/ProbeGraph.h"

#include "playback/MediaFile.h"
#include "playback/MediaTime.h"

#include <vector>

namespace {

void DestroySource(GSource*& source)
{
    if (!source)
        return;
    g_source_destroy(source);
    g_source_unref(source);
    source = nullptr;
}

} // namespace

CProbeGraph::CProbeGraph(GMainContext* context, std::chrono::milliseconds bound)
    : m_pContext(context)
    , m_Bound(bound)
{
}

CProbeGraph::~CProbeGraph()
{
    Reset();
    m_pPipeline.reset();
}

bool CProbeGraph::Build()
{
    if (m_pPipeline)
        return true;
    GstElement* pipeline = gst_pipeline_new(nullptr);
    GstElement* source = gst_element_factory_make("filesrc", nullptr);
    GstElement* decoder = gst_element_factory_make("decodebin", nullptr);
    if (!pipeline || !source || !decoder) {
        for (GstElement* element : { pipeline, source, decoder })
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        return false;
    }
    m_pPipeline.reset(GST_ELEMENT(gst_object_ref_sink(pipeline)));
    gst_bin_add_many(GST_BIN(pipeline), source, decoder, nullptr);
    if (!gst_element_link(source, decoder)) {
        m_pPipeline.reset();
        return false;
    }
    g_signal_connect(decoder, "pad-added", G_CALLBACK(&CProbeGraph::OnPadAdded), pipeline);
    m_pSource = source;
    m_pDecoder = decoder;
    return true;
}

bool CProbeGraph::Start(const std::string& path, Done done)
{
    Reset();
    if (!Build())
        return false;
    g_object_set(m_pSource, "location", path.c_str(), nullptr);
    m_Path = path;
    m_Done = std::move(done);
    m_bBusy = true;
    GstPtr<GstBus> bus(gst_element_get_bus(m_pPipeline.get()));
    m_pBusWatch = gst_bus_create_watch(bus.get());
    g_source_set_callback(m_pBusWatch, G_SOURCE_FUNC(&CProbeGraph::OnBusMessage), this, nullptr);
    g_source_attach(m_pBusWatch, m_pContext);
    m_pTimeout = g_timeout_source_new(static_cast<guint>(m_Bound.count()));
    g_source_set_callback(m_pTimeout, &CProbeGraph::OnTimeout, this, nullptr);
    g_source_attach(m_pTimeout, m_pContext);

    // A failure here has posted its error: the bus watch answers.
    gst_element_set_state(m_pPipeline.get(), GST_STATE_PAUSED);
    return true;
}

void CProbeGraph::Abort()
{
    Reset();
}

void CProbeGraph::Reset()
{
    DestroySource(m_pBusWatch);
    DestroySource(m_pTimeout);
    DestroySource(m_pRequery);
    m_Requeries = 0;
    m_Done = nullptr;
    if (!m_bBusy)
        return;
    m_bBusy = false;
    gst_element_set_state(m_pPipeline.get(), GST_STATE_NULL);
    // The streams' sinks go; what the bus still holds belongs to the file just read.
    GstBin* bin = GST_BIN(m_pPipeline.get());
    std::vector<GstElement*> sinks;
    for (GList* child = GST_BIN_CHILDREN(bin); child; child = child->next)
        if (child->data != m_pSource && child->data != m_pDecoder)
            sinks.push_back(GST_ELEMENT(child->data));
    for (GstElement* sink : sinks)
        gst_bin_remove(bin, sink);
    GstPtr<GstBus> bus(gst_element_get_bus(m_pPipeline.get()));
    gst_bus_set_flushing(bus.get(), TRUE);
    gst_bus_set_flushing(bus.get(), FALSE);
}

void CProbeGraph::Finish(const CProbeAnswer& answer)
{
    Done done = std::move(m_Done);
    Reset();
    if (done)
        done(answer);
}

void CProbeGraph::OnPadAdded(GstElement*, GstPad* pad, gpointer pipelinePointer)
{
    // A streaming thread: each stream ends in a sink that prerolls on its first frame.
    // An audio parser without a length in its header estimates it from the frames it
    // has read: a queue lets it read on (cheaply, a second at most) while the sink
    // prerolls, as the player's audio path does, instead of stopping after a frame.
    auto* pipeline = static_cast<GstElement*>(pipelinePointer);
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    if (!sink)
        return;
    g_object_set(sink, "sync", FALSE, nullptr);
    gst_bin_add(GST_BIN(pipeline), sink);
    GstElement* head = sink;
    GstPtr<GstCaps> caps(gst_pad_query_caps(pad, nullptr));
    const GstStructure* structure
        = caps && !gst_caps_is_empty(caps.get()) ? gst_caps_get_structure(caps.get(), 0) : nullptr;
    if (structure && g_str_has_prefix(gst_structure_get_name(structure), "audio/")) {
        if (GstElement* queue = gst_element_factory_make("queue", nullptr)) {
            gst_bin_add(GST_BIN(pipeline), queue);
            gst_element_link(queue, sink);
            gst_element_sync_state_with_parent(queue);
            head = queue;
        }
    }
    GstPtr<GstPad> sinkPad(gst_element_get_static_pad(head, "sink"));
    gst_pad_link(pad, sinkPad.get());
    gst_element_sync_state_with_parent(sink);
}

gboolean CProbeGraph::OnTimeout(gpointer self)
{
    auto* graph = static_cast<CProbeGraph*>(self);
    CProbeAnswer answer;
    answer.m_Title = MediaFile::ShortName(graph->m_Path);
    answer.m_Error = "Timed out waiting for the medium to start: " + MediaFile::NameForLog(graph->m_Path);
    graph->Finish(answer);
    return G_SOURCE_REMOVE;
}

gboolean CProbeGraph::OnRequery(gpointer self)
{
    auto* graph = static_cast<CProbeGraph*>(self);
    DestroySource(graph->m_pRequery);
    graph->Answer();
    return G_SOURCE_REMOVE;
}

void CProbeGraph::Answer()
{
    // A parser may know seekability and length only a few frames after the
    // first one prerolled; the graph keeps parsing while paused, so ask again
    // for a moment before settling for an unknown length.
    constexpr int kRequeries = 10;
    constexpr guint kRequeryMs = 20;
    GstElement* pipeline = m_pPipeline.get();
    CProbeAnswer answer;
    answer.m_Title = MediaFile::ShortName(m_Path);
    answer.m_bOk = true;
    GstPtr<GstQuery> query(gst_query_new_seeking(GST_FORMAT_TIME));
    gboolean seekable = FALSE;
    if (gst_element_query(pipeline, query.get()))
        gst_query_parse_seeking(query.get(), nullptr, &seekable, nullptr, nullptr);
    answer.m_bMediaTime = seekable != FALSE;
    gint64 ns = -1;
    const bool known
        = answer.m_bMediaTime && gst_element_query_duration(pipeline, GST_FORMAT_TIME, &ns) && ns >= 0;
    if (known)
        answer.m_DurationMs = MediaTime::NsToMs(ns);
    if (!known && answer.m_bMediaTime && m_Requeries < kRequeries) {
        ++m_Requeries;
        m_pRequery = g_timeout_source_new(kRequeryMs);
        g_source_set_callback(m_pRequery, &CProbeGraph::OnRequery, this, nullptr);
        g_source_attach(m_pRequery, m_pContext);
        return;
    }
    Finish(answer);
}

gboolean CProbeGraph::OnBusMessage(GstBus*, GstMessage* message, gpointer self)
{
    auto* graph = static_cast<CProbeGraph*>(self);
    CProbeAnswer answer;
    answer.m_Title = MediaFile::ShortName(graph->m_Path);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GstPtr<GError> error;
        gst_message_parse_error(message, error.out(), nullptr);
        answer.m_Error = std::string(error && error->message ? error->message : "The medium cannot be played")
            + ": " + MediaFile::NameForLog(graph->m_Path);
        graph->Finish(answer);
        return G_SOURCE_CONTINUE; // Finish destroyed this source
    }
    case GST_MESSAGE_ASYNC_DONE:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(graph->m_pPipeline.get()) && !graph->m_pRequery)
            graph->Answer();
        return G_SOURCE_CONTINUE;
    default:
        return G_SOURCE_CONTINUE;
    }
}
