#pragma once

#include "core/CoreTypes.h"
#include "playback/GstPtr.h"

#include <gst/gst.h>

#include <QObject>

#include <deque>
#include <memory>
#include <mutex>

class CMessageTarget;

// Carries the news "graph events are pending" from GStreamer's threads to the
// owner, as WM_GRAPHNOTIFY sent on the thread that created the notifier.
//
// The bus sync handler does as little as possible on the streaming thread: it
// moves each end-of-stream and error message (and, while an open waits for
// it, the pipeline's ASYNC_DONE) into the notifier's own queue and
// then queues one call into the UI thread, logs warnings, hands the native
// window to a sink that asks for one, and drops every other message so the bus
// never grows. (The bus itself would be raced: its sync handler runs before the
// message is queued on it, so the owner could look before the event is there.)
//
// Invariant: after Detach (or destruction) no call reaches the owner; a call
// already queued dies with the context object, which belongs to the notifier.
class CGraphNotifier
{
public:
    // The application message that ends an open without ASYNC_DONE (field "ok");
    // queued and announced like ASYNC_DONE while an open waits.
    static constexpr const char* kOpenResult = "zuvio-open-result";

    // owner may be null: then nothing is announced, messages are still filtered.
    explicit CGraphNotifier(CMessageTarget* owner);
    ~CGraphNotifier();
    CGraphNotifier(const CGraphNotifier&) = delete;
    CGraphNotifier& operator=(const CGraphNotifier&) = delete;

    void Attach(GstBus* bus);
    void Detach();
    void SetWindow(WindowHandle window);
    // While set, the pipeline's ASYNC_DONE (preroll reached) is queued and
    // announced as well; clearing it drops those still queued.
    void SetAwaitPreroll(bool await);

    // The oldest queued message of the given types, without waiting; null when none.
    GstPtr<GstMessage> Take(GstMessageType types);
    void Clear();

private:
    struct Shared
    {
        std::mutex mutex;
        QObject* context = nullptr;
        CMessageTarget* owner = nullptr;
        WindowHandle window = 0;
        bool awaitPreroll = false;
        std::deque<GstPtr<GstMessage>> events;
    };
    static GstBusSyncReply OnSyncMessage(GstBus* bus, GstMessage* message, gpointer data);

    std::unique_ptr<QObject> m_pContext;
    std::shared_ptr<Shared> m_pShared;
    GstBus* m_pBus = nullptr; // not owned: the player holds the bus longer than this object
};
