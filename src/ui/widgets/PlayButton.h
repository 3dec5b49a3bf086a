#pragma once

#include "ui/widgets/PushButton.h"
#include "ui/widgets/ResourceIds.h"

// Starts the active player.
class CPlayButton : public CPushButton
{
public:
    explicit CPlayButton(CMessageTarget* target)
        : CPushButton(target, IDB_PLAY, IDB_PLAY_HOVER, IDB_PLAY_PRESSED)
    {
    }

protected:
    void OnClick() override { Send(WM_CMD_PLAY, 0, 0); }
};
