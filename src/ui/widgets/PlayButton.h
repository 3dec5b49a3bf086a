#pragma once

#include "ui/widgets/CommandButton.h"

// Starts the active player.
using CPlayButton = CCommandButton<IDB_PLAY, IDB_PLAY_HOVER, IDB_PLAY_PRESSED, WM_CMD_PLAY, 0>;
