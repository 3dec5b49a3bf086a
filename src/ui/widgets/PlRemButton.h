#pragma once

#include "ui/widgets/PlMenuButton.h"
#include "ui/widgets/ResourceIds.h"

// Opens the menu for removing entries from the playlist.
class CPlRemButton : public CPlMenuButton
{
public:
    CPlRemButton()
        : CPlMenuButton(IDR_PL_REM_MENU, IDB_PL_REM, IDB_PL_REM_HOVER, IDB_PL_REM_PRESSED)
    {
    }
};
