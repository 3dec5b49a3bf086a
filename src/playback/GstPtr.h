#pragma once

#include <gst/gst.h>

#include <utility>

// One owned reference to a GStreamer or GLib object, released exactly once.
// Each supported type names its release function below.
inline void GstRelease(GstObject* p)
{
    gst_object_unref(p);
}
inline void GstRelease(GstElement* p)
{
    gst_object_unref(p);
}
inline void GstRelease(GstBus* p)
{
    gst_object_unref(p);
}
inline void GstRelease(GstClock* p)
{
    gst_object_unref(p);
}
inline void GstRelease(GstPad* p)
{
    gst_object_unref(p);
}
inline void GstRelease(GstElementFactory* p)
{
    gst_object_unref(p);
}
inline void GstRelease(GstMessage* p)
{
    gst_message_unref(p);
}
inline void GstRelease(GstEvent* p)
{
    gst_event_unref(p);
}
inline void GstRelease(GstCaps* p)
{
    gst_caps_unref(p);
}
inline void GstRelease(GstSample* p)
{
    gst_sample_unref(p);
}
inline void GstRelease(GstQuery* p)
{
    gst_query_unref(p);
}
inline void GstRelease(GError* p)
{
    g_error_free(p);
}
inline void GstRelease(gchar* p)
{
    g_free(p);
}

template <typename T> class GstPtr
{
public:
    GstPtr() = default;
    explicit GstPtr(T* p)
        : m_p(p)
    {
    }
    ~GstPtr() { reset(); }
    GstPtr(GstPtr&& other) noexcept
        : m_p(std::exchange(other.m_p, nullptr))
    {
    }
    GstPtr& operator=(GstPtr&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_p, nullptr));
        return *this;
    }
    GstPtr(const GstPtr&) = delete;
    GstPtr& operator=(const GstPtr&) = delete;

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    void reset(T* p = nullptr)
    {
        T* old = std::exchange(m_p, p);
        if (old)
            GstRelease(old);
    }
    T* release() { return std::exchange(m_p, nullptr); }

    // For out-parameters of C APIs: releases what is held and hands out the slot.
    T** out()
    {
        reset();
        return &m_p;
    }

private:
    T* m_p = nullptr;
};
