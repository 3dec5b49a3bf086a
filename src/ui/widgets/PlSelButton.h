#pragma once

#include "ui/widgets/PlMenuButton.h"
#include "ui/widgets/ResourceIds.h"

// Opens the selection menu of the playlist.
class CPlSelButton : public CPlMenuButton
{
public:
    CPlSelButton()
        : CPlMenuButton(IDR_PL_SEL_MENU, IDB_PL_SEL, IDB_PL_SEL_HOVER, IDB_PL_SEL_PRESSED)
    {
    }
};
