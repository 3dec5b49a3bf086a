#pragma once

#include "ui/widgets/CommandButton.h"

// Steps the playlist on one track.
using CNextButton = CCommandButton<IDB_NEXT, IDB_NEXT_HOVER, IDB_NEXT_PRESSED, WM_CMD_STEP_TRACK, 1>;
