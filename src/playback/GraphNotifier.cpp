#include "playback/GraphNotifier.h"

#include "core/Log.h"
#include "core/Messages.h"
#include "playback/GstPtr.h"

#include <gst/video/videooverlay.h>

CGraphNotifier::CGraphNotifier(CMessageTarget* owner)
    : m_pContext(std::make_unique<QObject>())
    , m_pShared(std::make_shared<Shared>())
{
    m_pShared->context = m_pContext.get();
    m_pShared->owner = owner;
}

CGraphNotifier::~CGraphNotifier()
{
    Detach();
}

void CGraphNotifier::Attach(GstBus* bus)
{
    m_pBus = bus;
    gst_bus_set_sync_handler(bus, &CGraphNotifier::OnSyncMessage, new std::shared_ptr<Shared>(m_pShared),
        [](gpointer data) { delete static_cast<std::shared_ptr<Shared>*>(data); });
}

void CGraphNotifier::Detach()
{
    {
        std::lock_guard lock(m_pShared->mutex);
        m_pShared->context = nullptr;
        m_pShared->owner = nullptr;
        m_pShared->events.clear();
    }
    if (m_pBus) {
        gst_bus_set_sync_handler(m_pBus, nullptr, nullptr, nullptr);
        m_pBus = nullptr;
    }
}

GstPtr<GstMessage> CGraphNotifier::Take(GstMessageType types)
{
    std::lock_guard lock(m_pShared->mutex);
    auto& events = m_pShared->events;
    for (auto it = events.begin(); it != events.end(); ++it) {
        if ((GST_MESSAGE_TYPE(it->get()) & types) != 0) {
            GstPtr<GstMessage> message = std::move(*it);
            events.erase(it);
            return message;
        }
    }
    return {};
}

void CGraphNotifier::Clear()
{
    std::lock_guard lock(m_pShared->mutex);
    m_pShared->events.clear();
}

void CGraphNotifier::SetAwaitPreroll(bool await)
{
    std::lock_guard lock(m_pShared->mutex);
    m_pShared->awaitPreroll = await;
    if (!await)
        std::erase_if(m_pShared->events, [](const GstPtr<GstMessage>& m) {
            return (GST_MESSAGE_TYPE(m.get()) & (GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_APPLICATION)) != 0;
        });
}

void CGraphNotifier::SetWindow(WindowHandle window)
{
    std::lock_guard lock(m_pShared->mutex);
    m_pShared->window = window;
}

GstBusSyncReply CGraphNotifier::OnSyncMessage(GstBus* /*bus*/, GstMessage* message, gpointer data)
{
    // A handler that drops a message owns it: without this every message of
    // every graph would stay alive, and each holds its element, so no graph
    // would ever be freed.
    const GstPtr<GstMessage> dropped(message);
    Shared& shared = **static_cast<std::shared_ptr<Shared>*>(data);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_APPLICATION:
    case GST_MESSAGE_ASYNC_DONE:
        if (!GST_IS_PIPELINE(GST_MESSAGE_SRC(message)))
            return GST_BUS_DROP;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION
            && !gst_message_has_name(message, kOpenResult))
            return GST_BUS_DROP;
        {
            std::lock_guard lock(shared.mutex);
            if (!shared.awaitPreroll)
                return GST_BUS_DROP;
        }
        [[fallthrough]];
    case GST_MESSAGE_EOS:
    case GST_MESSAGE_SEGMENT_DONE:
    case GST_MESSAGE_ERROR: {
        std::lock_guard lock(shared.mutex);
        if (!shared.context)
            return GST_BUS_DROP; // detached
        shared.events.emplace_back(gst_message_ref(message));
        if (shared.owner) {
            CMessageTarget* owner = shared.owner;
            QMetaObject::invokeMethod(
                shared.context, [owner] { owner->SendMessage(WM_GRAPHNOTIFY, 0, 0); }, Qt::QueuedConnection);
        }
        return GST_BUS_DROP;
    }
    case GST_MESSAGE_WARNING: {
        GstPtr<GError> error;
        gst_message_parse_warning(message, error.out(), nullptr);
        LogMessage("%s | %s", error ? error->message : "warning", "CMPlayer: GStreamer warning\n");
        return GST_BUS_DROP;
    }
    case GST_MESSAGE_ELEMENT:
        if (gst_is_video_overlay_prepare_window_handle_message(message)) {
            std::lock_guard lock(shared.mutex);
            if (shared.window != 0)
                gst_video_overlay_set_window_handle(
                    GST_VIDEO_OVERLAY(GST_MESSAGE_SRC(message)), static_cast<guintptr>(shared.window));
        }
        return GST_BUS_DROP;
    default:
        return GST_BUS_DROP;
    }
}
