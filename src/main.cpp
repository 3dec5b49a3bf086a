#include "app/AboutDlg.h"
#include "app/CommandLine.h"
#include "app/StallMonitor.h"
#include "app/Zuvio2App.h"

#include <QApplication>

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
    QApplication qtApp(argc, argv);
    const auto stallMonitor = CStallMonitor::FromEnvironment();
    CZuvio2App app;
    if (!app.InitInstance(line))
        return CZuvio2App::kStartupFailed;
    return app.Run();
}
