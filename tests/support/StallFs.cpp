#include "support/StallFs.h"

#include "support/TestEnv.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

StallFs::~StallFs()
{
    Stall(false);
    if (m_bMounted)
        QProcess::execute("fusermount3", { "-u", "-z", QString::fromStdString(m_MountPoint) });
    if (m_Process.state() != QProcess::NotRunning) {
        m_Process.terminate();
        if (!m_Process.waitForFinished(5000))
            m_Process.kill();
        m_Process.waitForFinished(5000);
    }
}

int64_t StallFs::InterfaceBoundMs()
{
    bool ok = false;
    const int bound = qEnvironmentVariableIntValue("ZUVIO_TEST_STALL_BOUND_MS", &ok);
    return ok && bound > 0 ? bound : 50;
}

int64_t StallFs::MeasuredBoundMs()
{
    // The goal is InterfaceBoundMs, but a test must not fail on a busy machine:
    // with other tests beside it, a thread of the loop waits its turn for tens of
    // milliseconds (91 ms seen). Half a second is still far below a call that
    // hangs (seconds), which is what the tests are there to catch.
    return std::max<int64_t>(InterfaceBoundMs(), 500);
}

bool StallFs::Mount(const std::string& source, std::chrono::milliseconds limit, std::string& why)
{
    QByteArray tool = qgetenv("ZUVIO_STALLFS");
    if (tool.isEmpty())
        tool = (QCoreApplication::applicationDirPath() + "/zuvio-stallfs").toLocal8Bit();
    if (::access(tool.constData(), X_OK) != 0) {
        why = "zuvio-stallfs was not built (libfuse3-dev missing)";
        return false;
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        why = "no /dev/fuse here";
        return false;
    }
    static int s_Count = 0;
    const QString base = TestRoot() + "/stallfs-" + QString::number(++s_Count);
    QDir().mkpath(base + "/mnt");
    m_MountPoint = (base + "/mnt").toStdString();
    m_Control = (base + "/stall").toStdString();
    m_Process.setProcessChannelMode(QProcess::MergedChannels);
    m_Process.start(QString::fromLocal8Bit(tool),
        { QString::fromStdString(source), QString::fromStdString(m_Control), QString::number(limit.count()),
            QString::fromStdString(m_MountPoint), "-f" });
    if (!m_Process.waitForStarted(5000)) {
        why = "zuvio-stallfs does not start";
        return false;
    }
    // Mounted when the mount point is another file system than its folder.
    const auto device = [](const std::string& path) {
        struct stat info
        {
        };
        return ::stat(path.c_str(), &info) == 0 ? info.st_dev : 0;
    };
    const dev_t folder = device(base.toStdString());
    m_bMounted = WaitFor(
        [&] { return m_Process.state() == QProcess::Running && device(m_MountPoint) != folder; }, 10000);
    if (!m_bMounted)
        why = "zuvio-stallfs cannot mount here (no right to mount?)";
    return m_bMounted;
}

bool StallFs::WaitUntilHeld(const std::string& name, std::chrono::milliseconds limit)
{
    const QByteArray line = "holding ";
    const QByteArray file = "/" + QByteArray::fromStdString(name) + "\n";
    return WaitFor(
        [&] {
            m_Said += m_Process.readAll();
            for (qsizetype at = m_Said.indexOf(line); at >= 0; at = m_Said.indexOf(line, at + 1)) {
                const qsizetype end = m_Said.indexOf('\n', at);
                if (end >= 0 && m_Said.mid(at, end - at + 1).endsWith(file)) {
                    m_Said.remove(0, end + 1); // each call is waited for once
                    return true;
                }
            }
            return false;
        },
        limit);
}

void StallFs::StallData()
{
    QFile control(QString::fromStdString(m_Control));
    if (control.open(QIODevice::WriteOnly | QIODevice::Truncate))
        control.write("data");
}

void StallFs::Stall(bool on)
{
    if (m_Control.empty())
        return;
    if (on)
        QFile(QString::fromStdString(m_Control)).open(QIODevice::WriteOnly);
    else
        QFile::remove(QString::fromStdString(m_Control));
}
