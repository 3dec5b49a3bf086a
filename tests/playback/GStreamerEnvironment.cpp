// Joins GStreamer's pooled streaming threads when the tests are done, so the
// leak checker at exit never walks threads that are still winding down.
#include <gst/gst.h>
#include <gtest/gtest.h>

namespace {

class GStreamerEnvironment : public testing::Environment
{
public:
    void TearDown() override
    {
        if (gst_is_initialized())
            gst_task_cleanup_all();
        g_thread_pool_stop_unused_threads();
    }
};

[[maybe_unused]] testing::Environment* const g_environment
    = testing::AddGlobalTestEnvironment(new GStreamerEnvironment);

} // namespace
