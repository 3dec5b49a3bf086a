#pragma once

#include "ui/widgets/PlayerButton.h"
#include "ui/widgets/ResourceIds.h"

// Makes Player B the active player.
class CPlayerBButton : public CPlayerButton
{
public:
    explicit CPlayerBButton(CMessageTarget* target)
        : CPlayerButton(
            target, PLAYER_B, IDB_PLAYER_B_UNLIT, IDB_PLAYER_B_LIT, IDB_PLAYER_B_HOVER, IDB_PLAYER_B_PRESSED)
    {
    }
};
