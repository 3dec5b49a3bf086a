#include "app/Zuvio2App.h"
#include "core/CommandLine.h"
#include "core/StallMonitor.h"
#include "ui/AboutDlg.h"

#include <QApplication>

#include <gst/gst.h>

#include <cstdio>

int main(int argc, char* argv[])
{
    const CCommandLine line = CCommandLine::Parse(argc, argv);
    if (line.help) {
        std::fputs(CCommandLine::Usage(argv[0]).c_str(), stdout);
        return 0;
    }
    if (line.version) {
        std::printf("%s\n", CAboutDlg::VersionText().c_str());
        return 0;
    }
    if (!line.error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", argv[0], line.error.c_str(), CCommandLine::Usage(argv[0]).c_str());
        return 64; // EX_USAGE
    }

    CZuvio2App::ChoosePlatform();
    int code = 0;
    {
        QApplication qtApp(argc, argv);
        const auto stallMonitor = CStallMonitor::FromEnvironment();
        CZuvio2App app;
        if (!app.InitInstance(line))
            return CZuvio2App::kStartupFailed;
        code = app.Run();
    }
    // Every pipeline went with the frame: GStreamer can let go of its plugins
    // and threads, and its leaks tracer reports what is still alive.
    if (gst_is_initialized())
        gst_deinit();
    return code;
}
