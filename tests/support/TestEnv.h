#pragma once

#include <QString>

// Points XDG_CONFIG_HOME and the working folder at a fresh temporary folder for
// the whole test process, so no test touches the user's settings or files.
void PrepareTestEnvironment();

// The temporary folder of this test process.
QString TestRoot();
