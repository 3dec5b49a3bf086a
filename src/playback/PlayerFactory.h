#pragma once

#include <memory>

class CBasePlayer;
class CUiServices;

// The player the program plays media with; ui shows its message boxes (may be null).
std::unique_ptr<CBasePlayer> CreateMediaPlayer(CUiServices* ui);
