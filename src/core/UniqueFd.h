#pragma once

#include <unistd.h>

#include <utility>

// Owns one file descriptor and closes it; -1 holds none.
class CUniqueFd
{
public:
    CUniqueFd() = default;
    explicit CUniqueFd(int fd)
        : m_Fd(fd)
    {
    }
    ~CUniqueFd() { Reset(); }
    CUniqueFd(CUniqueFd&& other) noexcept
        : m_Fd(other.Release())
    {
    }
    CUniqueFd& operator=(CUniqueFd&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_Fd = other.Release();
        }
        return *this;
    }
    CUniqueFd(const CUniqueFd&) = delete;
    CUniqueFd& operator=(const CUniqueFd&) = delete;

    explicit operator bool() const { return m_Fd >= 0; }
    int Get() const { return m_Fd; }
    int Release() { return std::exchange(m_Fd, -1); }
    void Reset()
    {
        if (m_Fd >= 0)
            ::close(m_Fd);
        m_Fd = -1;
    }

private:
    int m_Fd = -1;
};
