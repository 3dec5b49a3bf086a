// Adding a folder of media files to the playlist until every title and length
// has arrived from the prober. playlist_bench.sh compares the time with
// gst-discoverer-1.0 over the same files.
//
// Usage: playlist_probe_bench FOLDER [PARALLEL]   (files probed at once; the prober's default)
#include "core/Messages.h"
#include "core/Preferences.h"
#include "playback/GraphProber.h"
#include "playlist/MediaTypes.h"
#include "playlist/PlaylistCtrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

class NullTarget : public CMessageTarget
{
public:
    LRESULT SendMessage(unsigned, WPARAM, LPARAM) override { return 0; }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const int parallel = argc > 2 ? std::atoi(argv[2]) : CGraphProber::kParallel;
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/zuvio-bench-XXXXXX"));
    setenv("XDG_CONFIG_HOME", (root.path() + QStringLiteral("/config")).toLocal8Bit().constData(), 1);
    QDir::setCurrent(root.path());
    QCoreApplication app(argc, argv);

    CPreferences prefs { CPreferences::Defaults {} };
    prefs.m_bReloadPlaylist = false;
    const CServices services { prefs, nullptr, {}, {} };

    NullTarget owner;
    int added = 0, files = 0;
    double ms = 0;
    {
        CPlaylistCtrl ctrl(services, std::make_unique<CGraphProber>(parallel));
        ctrl.Init(&owner);
        const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
        const auto t0 = std::chrono::steady_clock::now();
        for (const QString& name : names) {
            const std::string path = (folder + QLatin1Char('/') + name).toStdString();
            if (!IsSupportedFile(path))
                continue;
            ++files;
            added += ctrl.AddEntry(path, -1, {}, {}) ? 1 : 0;
        }
        QElapsedTimer limit;
        limit.start();
        // Sleeps until an answer (or the tick) arrives: the overload with a time
        // limit would spin and take a core from the prober it measures.
        QTimer tick;
        tick.start(100);
        while (ctrl.GetPendingProbes() > 0 && limit.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        for (int i = 0; i < ctrl.GetRowCount(); ++i) {
            if (ctrl.GetRow(i)->m_Time == "0:00:00")
                std::fprintf(stderr, "not probed: %s\n", ctrl.GetPathAt(i).c_str());
        }
    }
    std::printf("probe_ms %.1f files %d added %d\n", ms, files, added);
    return added == files ? 0 : 1;
}
