#pragma once

#include <QString>

// Points XDG_CONFIG_HOME and the working folder at a fresh temporary folder for
// the whole test process, so no test touches the user's settings or files.
void PrepareTestEnvironment();

// The temporary folder of this test process.
QString TestRoot();

// Lets GLib's and Qt's worker threads finish before the process exits.
// LeakSanitizer's end-of-process check can crash when a thread is exiting
// while it stops the world, and a test that just closed a pipeline leaves its
// streaming threads returning to GLib's pool at that moment.
void SettleThreadsBeforeExit();
