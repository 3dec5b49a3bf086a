#include "core/SignalBridge.h"

#include "core/Log.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFds[2] = { -1, -1 };

void OnSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Only async-signal-safe calls here.
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &byte, 1);
}

} // namespace

CSignalBridge::CSignalBridge(QObject* parent)
    : QObject(parent)
{
    if (g_signalFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFds) != 0) {
        LogError("CSignalBridge: termination signals cannot be caught.\n");
        return;
    }
    ::fcntl(g_signalFds[0], F_SETFL, O_NONBLOCK);
    m_pNotifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CSignalBridge::OnReadable);

    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

CSignalBridge::~CSignalBridge()
{
    if (!m_pNotifier)
        return;
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    delete m_pNotifier;
    ::close(g_signalFds[0]);
    ::close(g_signalFds[1]);
    g_signalFds[0] = g_signalFds[1] = -1;
}

void CSignalBridge::OnReadable()
{
    unsigned char byte = 0;
    if (::read(g_signalFds[1], &byte, 1) == 1)
        Q_EMIT terminationRequested(byte);
}
