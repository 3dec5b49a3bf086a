#pragma once

#include "ui/widgets/PushButton.h"
#include "ui/widgets/ResourceIds.h"

// Steps the playlist on one track.
class CNextButton : public CPushButton
{
public:
    explicit CNextButton(CMessageTarget* target)
        : CPushButton(target, IDB_NEXT, IDB_NEXT_HOVER, IDB_NEXT_PRESSED)
    {
    }

protected:
    void OnClick() override { Send(WM_CMD_STEP_TRACK, 1, 0); }
};
