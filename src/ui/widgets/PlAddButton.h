#pragma once

#include "ui/widgets/PlMenuButton.h"
#include "ui/widgets/ResourceIds.h"

// Opens the menu for adding files and folders to the playlist.
class CPlAddButton : public CPlMenuButton
{
public:
    CPlAddButton()
        : CPlMenuButton(IDR_PL_ADD_MENU, IDB_PL_ADD, IDB_PL_ADD_HOVER, IDB_PL_ADD_PRESSED)
    {
    }
};
