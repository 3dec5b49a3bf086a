#include "support/TestEnv.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>

#include <glib.h>

#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<QTemporaryDir> g_root;
}

void PrepareTestEnvironment()
{
    g_root = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/zuvio-test-XXXXXX"));
    const QByteArray root = g_root->path().toLocal8Bit();
    QDir(g_root->path()).mkpath(QStringLiteral("config"));
    QDir(g_root->path()).mkpath(QStringLiteral("work"));
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    QDir::setCurrent(g_root->path() + QStringLiteral("/work"));
}

namespace {
int ThreadCount()
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}
} // namespace

void SettleThreadsBeforeExit()
{
    QThreadPool::globalInstance()->waitForDone(5000);
    // Idle pool threads would otherwise linger (and may be exiting) at exit.
    g_thread_pool_set_max_unused_threads(0);
    g_thread_pool_stop_unused_threads();

    // Wait until the thread count has held still for a while, within a bound:
    // persistent threads (clock, D-Bus) may stay, exiting ones must be gone.
    QDeadlineTimer deadline(5000);
    int last = ThreadCount();
    int stableFor = 0;
    while (last > 1 && !deadline.hasExpired() && stableFor < 5) {
        QThread::msleep(20);
        g_thread_pool_stop_unused_threads();
        const int now = ThreadCount();
        stableFor = now == last ? stableFor + 1 : 0;
        last = now;
    }
}

QString TestRoot()
{
    return g_root ? g_root->path() : QDir::tempPath();
}
