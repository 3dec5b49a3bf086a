#pragma once

#include "ui/widgets/PlayerButton.h"
#include "ui/widgets/ResourceIds.h"

// Makes Player A the active player.
class CPlayerAButton : public CPlayerButton
{
public:
    explicit CPlayerAButton(CMessageTarget* target)
        : CPlayerButton(
            target, PLAYER_A, IDB_PLAYER_A_UNLIT, IDB_PLAYER_A_LIT, IDB_PLAYER_A_HOVER, IDB_PLAYER_A_PRESSED)
    {
    }
};
