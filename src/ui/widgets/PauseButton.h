#pragma once

#include "ui/widgets/CommandButton.h"

// Pauses the active player.
using CPauseButton = CCommandButton<IDB_PAUSE, IDB_PAUSE_HOVER, IDB_PAUSE_PRESSED, WM_CMD_PAUSE, 0>;
