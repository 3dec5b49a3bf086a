#pragma once

#include "ui/widgets/PushButton.h"
#include "ui/widgets/ResourceIds.h"

// Pauses the active player.
class CPauseButton : public CPushButton
{
public:
    explicit CPauseButton(CMessageTarget* target)
        : CPushButton(target, IDB_PAUSE, IDB_PAUSE_HOVER, IDB_PAUSE_PRESSED)
    {
    }

protected:
    void OnClick() override { Send(WM_CMD_PAUSE, 0, 0); }
};
