#pragma once

#include "ui/widgets/PlMenuButton.h"
#include "ui/widgets/ResourceIds.h"

// Opens the menu for opening, saving and looping the playlist.
class CPlListButton : public CPlMenuButton
{
public:
    CPlListButton()
        : CPlMenuButton(IDR_PL_LIST_MENU, IDB_PL_LIST, IDB_PL_LIST_HOVER, IDB_PL_LIST_PRESSED)
    {
    }
};
