#pragma once

#include <vector>

// One item of a menu resource; command 0 is a separator.
struct CMenuItemDef
{
    int command;
    const char* text;
};

// The first popup of a menu resource (see ResourceIds.h); empty when unknown.
std::vector<CMenuItemDef> LoadMenuResource(int id);
