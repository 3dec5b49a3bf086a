#pragma once

#include "ui/widgets/PushButton.h"
#include "ui/widgets/ResourceIds.h"

// Stops the active player.
class CStopButton : public CPushButton
{
public:
    explicit CStopButton(CMessageTarget* target)
        : CPushButton(target, IDB_STOP, IDB_STOP_HOVER, IDB_STOP_PRESSED)
    {
    }

protected:
    void OnClick() override { Send(WM_CMD_STOP, 0, 0); }
};
