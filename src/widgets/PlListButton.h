#pragma once

#include "widgets/PlMenuButton.h"
#include "widgets/ResourceIds.h"

// Opens the menu for opening, saving and looping the playlist.
class CPlListButton : public CPlMenuButton
{
public:
    CPlListButton()
        : CPlMenuButton(IDR_PL_LIST_MENU, IDB_PL_LIST, IDB_PL_LIST_HOVER, IDB_PL_LIST_PRESSED)
    {
    }
};
