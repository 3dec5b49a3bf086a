#pragma once

#include "ui/widgets/PushButton.h"
#include "ui/widgets/ResourceIds.h"

// Steps the playlist back one track.
class CPrevButton : public CPushButton
{
public:
    explicit CPrevButton(CMessageTarget* target)
        : CPushButton(target, IDB_PREV, IDB_PREV_HOVER, IDB_PREV_PRESSED)
    {
    }

protected:
    void OnClick() override { Send(WM_CMD_STEP_TRACK, 0, 0); }
};
