#pragma once

#include "ui/widgets/CommandButton.h"

// Steps the playlist back one track.
using CPrevButton = CCommandButton<IDB_PREV, IDB_PREV_HOVER, IDB_PREV_PRESSED, WM_CMD_STEP_TRACK, 0>;
