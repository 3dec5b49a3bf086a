#include "ui/widgets/MenuResource.h"

#include "ui/widgets/ResourceIds.h"

std::vector<CMenuItemDef> LoadMenuResource(int id)
{
    switch (id) {
    case IDR_PL_ADD_MENU:
        return { { 32812, "Add file(s)\tL" }, { 32813, "Add Folder\tShift+L" } };
    case IDR_PL_REM_MENU:
        return { { 32814, "Remove selected\tDelete" }, { 32815, "Crop selected\tCtrl+Delete" },
            { 32817, "Clear Playlist\tCtrl+Shift+Delete" } };
    case IDR_PL_SEL_MENU:
        return { { 32819, "Select All\tCtrl+A" }, { 32820, "Select None" },
            { 32822, "Invert Selection\tCtrl+I" } };
    case IDR_PL_SORT_MENU:
        return { { 32830, "Sort by title" }, { 32831, "Sort by filename" },
            { 32832, "Sort by path and filename" } };
    case IDR_PL_LIST_MENU:
        return { { 32833, "Open playlist\tCtrl+O" }, { 32834, "Save playlist\tCtrl+Shift+S" }, { 0, nullptr },
            { 32859, "Repeat single Track" }, { 32847, "Loop playlist" }, { 0, nullptr },
            { 32853, "Auto play next entry" } };
    default:
        return {};
    }
}
