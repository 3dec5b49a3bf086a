#include "playback/BasePlayer.h"

bool CBasePlayer::Init(CMessageTarget* /*owner*/)
{
    return true;
}

int32_t CBasePlayer::GetEvent(int32_t& code, int32_t& param1, int32_t& param2)
{
    code = param1 = param2 = 0;
    return -1;
}
