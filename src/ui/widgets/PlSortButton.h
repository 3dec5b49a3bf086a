#pragma once

#include "ui/widgets/PlMenuButton.h"
#include "ui/widgets/ResourceIds.h"

// Opens the sort menu of the playlist.
class CPlSortButton : public CPlMenuButton
{
public:
    CPlSortButton()
        : CPlMenuButton(IDR_PL_SORT_MENU, IDB_PL_SORT, IDB_PL_SORT_HOVER, IDB_PL_SORT_PRESSED)
    {
    }
};
