#include "playback/PlayerFactory.h"

#include "playback/MPlayer.h"

std::unique_ptr<CBasePlayer> CreateMediaPlayer(CUiServices* ui, std::shared_ptr<CGroupClock> groupClock)
{
    return std::make_unique<CMPlayer>(ui, std::move(groupClock));
}
