#pragma once

#include <memory>

class CBasePlayer;
class CGroupClock;
class CUiServices;

// The player the program plays media with; ui shows its message boxes (may be null).
// groupClock: a synchronised wall's clock, shared by every player it makes (null: standalone).
std::unique_ptr<CBasePlayer> CreateMediaPlayer(
    CUiServices* ui, std::shared_ptr<CGroupClock> groupClock = nullptr);
