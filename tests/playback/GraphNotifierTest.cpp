#include "playback/GraphNotifier.h"

#include "core/Messages.h"
#include "support/MediaFixtures.h"
#include "support/RecordingTarget.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Posts from a thread of its own, as a streaming thread would.
void PostFromAnotherThread(GstBus* bus, GstMessage* message)
{
    std::thread poster([bus, message] { gst_bus_post(bus, message); });
    poster.join();
}

// Runs every call queued so far: a call queued now comes after them all.
void DrainQueuedCalls()
{
    bool reached = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&reached] { reached = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(MediaFixtures::WaitFor([&] { return reached; }, 5s));
}

class GraphNotifierTest : public testing::Test
{
protected:
    void SetUp() override
    {
        gst_init(nullptr, nullptr);
        bus.reset(gst_bus_new());
        owner.handler = [this](unsigned, WPARAM, LPARAM) {
            thread = QThread::currentThread();
            return LRESULT { 0 };
        };
    }

    GstPtr<GstBus> bus;
    RecordingTarget owner;
    QThread* thread = nullptr;
};

TEST_F(GraphNotifierTest, AnEventIsQueuedBeforeItsNotificationArrivesOnTheUiThread)
{
    CGraphNotifier notifier(&owner);
    notifier.Attach(bus.get());
    PostFromAnotherThread(bus.get(), gst_message_new_eos(nullptr));
    DrainQueuedCalls();
    ASSERT_EQ(owner.Count(WM_GRAPHNOTIFY), 1);
    EXPECT_EQ(thread, QCoreApplication::instance()->thread());
    GstPtr<GstMessage> event = notifier.Take(GST_MESSAGE_EOS);
    ASSERT_TRUE(event);
    EXPECT_FALSE(notifier.Take(GST_MESSAGE_EOS));
    // The bus itself keeps nothing, so it cannot grow.
    EXPECT_FALSE(gst_bus_have_pending(bus.get()));
}

TEST_F(GraphNotifierTest, NothingReachesTheOwnerOnceTheNotifierIsGone)
{
    {
        CGraphNotifier notifier(&owner);
        notifier.Attach(bus.get());
        PostFromAnotherThread(bus.get(), gst_message_new_eos(nullptr));
    }
    PostFromAnotherThread(bus.get(), gst_message_new_eos(nullptr));
    DrainQueuedCalls();
    EXPECT_EQ(owner.Count(WM_GRAPHNOTIFY), 0);
}

TEST_F(GraphNotifierTest, OnlyEndOfStreamAndErrorsAreKeptAndTakenByType)
{
    CGraphNotifier notifier(&owner);
    notifier.Attach(bus.get());
    GError* error = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE, "broken");
    PostFromAnotherThread(bus.get(), gst_message_new_error(nullptr, error, nullptr));
    g_error_free(error);
    PostFromAnotherThread(bus.get(), gst_message_new_eos(nullptr));
    PostFromAnotherThread(bus.get(), gst_message_new_latency(nullptr));
    DrainQueuedCalls();
    EXPECT_EQ(owner.Count(WM_GRAPHNOTIFY), 2);

    GstPtr<GstMessage> eos = notifier.Take(GST_MESSAGE_EOS);
    ASSERT_TRUE(eos);
    GstPtr<GstMessage> next = notifier.Take(static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    ASSERT_TRUE(next);
    EXPECT_EQ(GST_MESSAGE_TYPE(next.get()), GST_MESSAGE_ERROR);
    EXPECT_FALSE(notifier.Take(GST_MESSAGE_ANY));
    EXPECT_FALSE(gst_bus_have_pending(bus.get()));
}

int RefCount(GstObject* object)
{
    return static_cast<int>(GST_OBJECT_REFCOUNT_VALUE(object));
}

// Every message holds its element: a message the handler kept by mistake
// would keep the whole graph alive.
TEST_F(GraphNotifierTest, EveryMessageIsReleasedOnceHandled)
{
    GstPtr<GstElement> source(GST_ELEMENT(gst_object_ref_sink(gst_bin_new("source"))));
    GstObject* from = GST_OBJECT(source.get());
    {
        CGraphNotifier notifier(&owner);
        notifier.Attach(bus.get());
        PostFromAnotherThread(bus.get(), gst_message_new_latency(from));
        PostFromAnotherThread(bus.get(),
            gst_message_new_state_changed(from, GST_STATE_NULL, GST_STATE_READY, GST_STATE_VOID_PENDING));
        GError* warning = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE, "odd");
        PostFromAnotherThread(bus.get(), gst_message_new_warning(from, warning, nullptr));
        g_error_free(warning);
        EXPECT_EQ(RefCount(from), 1);

        PostFromAnotherThread(bus.get(), gst_message_new_eos(from));
        PostFromAnotherThread(bus.get(), gst_message_new_eos(from));
        EXPECT_EQ(RefCount(from), 3); // kept until taken
        EXPECT_TRUE(notifier.Take(GST_MESSAGE_EOS));
        EXPECT_EQ(RefCount(from), 2);
        DrainQueuedCalls();
    }
    EXPECT_EQ(RefCount(from), 1);
}

TEST_F(GraphNotifierTest, WithoutAnOwnerEventsAreStillKept)
{
    CGraphNotifier notifier(nullptr);
    notifier.Attach(bus.get());
    PostFromAnotherThread(bus.get(), gst_message_new_eos(nullptr));
    EXPECT_TRUE(notifier.Take(GST_MESSAGE_EOS));
}

} // namespace
