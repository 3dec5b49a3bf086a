#pragma once

#include "ui/widgets/CommandButton.h"

// Stops the active player.
using CStopButton = CCommandButton<IDB_STOP, IDB_STOP_HOVER, IDB_STOP_PRESSED, WM_CMD_STOP, 0>;
