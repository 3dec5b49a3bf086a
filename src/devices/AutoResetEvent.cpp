#include "devices/AutoResetEvent.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// poll() that resumes after a signal with the time that is left.
int PollFor(pollfd* fds, nfds_t count, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int ready = ::poll(fds, count, timeoutMs);
        if (ready >= 0 || errno != EINTR)
            return ready;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        timeoutMs = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
}

} // namespace

CAutoResetEvent::CAutoResetEvent()
    : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

CAutoResetEvent::~CAutoResetEvent()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void CAutoResetEvent::Set()
{
    if (m_fd < 0)
        return;
    const std::uint64_t one = 1;
    // The counter cannot realistically overflow; a set event stays set either way.
    [[maybe_unused]] const ssize_t written = ::write(m_fd, &one, sizeof one);
}

bool CAutoResetEvent::TryReset()
{
    std::uint64_t value = 0;
    return m_fd >= 0 && ::read(m_fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

bool CAutoResetEvent::Wait(int timeoutMs)
{
    pollfd fd { m_fd, POLLIN, 0 };
    if (PollFor(&fd, 1, timeoutMs) <= 0)
        return false;
    return TryReset();
}

int CAutoResetEvent::WaitAny(CAutoResetEvent& first, CAutoResetEvent& second, int timeoutMs)
{
    pollfd fds[2] = { { first.m_fd, POLLIN, 0 }, { second.m_fd, POLLIN, 0 } };
    if (PollFor(fds, 2, timeoutMs) <= 0)
        return -1;
    if ((fds[0].revents & POLLIN) && first.TryReset())
        return 0;
    if ((fds[1].revents & POLLIN) && second.TryReset())
        return 1;
    return -1;
}
