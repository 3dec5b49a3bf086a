#include "app/Log.h"
#include "app/LogBuffer.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[])
{
    auto logBuffer = std::make_unique<CLogBuffer>("Zuvio", 500, 256);
    g_pLogBuffer = logBuffer.get();
    g_pLogBuffer->SetMirror(stderr);

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("vexo"));
    QApplication::setApplicationName(QStringLiteral("Zuvio"));
    LogMessage("Zuvio started.\n");

    g_pLogBuffer = nullptr;
    return 0;
}
