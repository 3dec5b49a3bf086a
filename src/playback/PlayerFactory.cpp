#include "playback/PlayerFactory.h"

#include "playback/MPlayer.h"

std::unique_ptr<CBasePlayer> CreateMediaPlayer(CUiServices* ui)
{
    return std::make_unique<CMPlayer>(ui);
}
