#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    QDeadlineTimer deadline(limit);
    // The tick bounds each wait for events, so conditions outside Qt get looked at too.
    QTimer tick;
    tick.start(10);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
