#include "support/TestEnv.h"

#include <QDir>
#include <QTemporaryDir>

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

QString TestRoot()
{
    return g_root ? g_root->path() : QDir::tempPath();
}
