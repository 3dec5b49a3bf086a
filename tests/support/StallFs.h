#pragma once

#include <QProcess>

#include <chrono>
#include <cstdint>
#include <string>

// A network share that hangs, for real: the test file system zuvio-stallfs
// (tools/stallfs) mounted over FUSE, showing the files of a source folder.
// While Stall is on, every stat, open and read of it waits (each call at most
// the limit given, so a faulty test cannot hang for ever).
//
// Mounting needs the tool (beside the test program, or ZUVIO_STALLFS), /dev/fuse and the right to mount;
// Mount says why not when any is missing, so that a test can skip.
class StallFs
{
public:
    StallFs() = default;
    ~StallFs(); // releases the stall and unmounts
    StallFs(const StallFs&) = delete;
    StallFs& operator=(const StallFs&) = delete;

    // Shows source under a new mount point; false with why set when it cannot.
    bool Mount(const std::string& source, std::chrono::milliseconds limit, std::string& why);
    void Stall(bool on);
    // Only opens and reads wait: the file checks pass, the file's data never comes.
    void StallData();
    // Waits until a call on the named file is being held (one not waited for
    // before); false when none comes within limit.
    bool WaitUntilHeld(const std::string& name, std::chrono::milliseconds limit);
    // The longest the interface thread may be kept from its loop while a call
    // of the share hangs: 50 ms, or ZUVIO_TEST_STALL_BOUND_MS for a sanitised
    // or crowded build.
    static int64_t InterfaceBoundMs();
    // The bound to hold a measurement to: InterfaceBoundMs, but at least half
    // a second, so that a busy machine fails no test (a hang costs seconds).
    static int64_t MeasuredBoundMs();
    // The path under the mount of a file of the source folder.
    std::string Path(const std::string& name) const { return m_MountPoint + "/" + name; }

private:
    QProcess m_Process;
    std::string m_MountPoint;
    std::string m_Control;
    bool m_bMounted = false;
    QByteArray m_Said; // what the tool wrote so far
};
