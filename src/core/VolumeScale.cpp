#include "core/VolumeScale.h"

#include <cstdlib>

namespace VolumeScale {

int32_t VolumeFromSlider(int32_t position, int32_t range)
{
    return position - range;
}

int32_t SliderFromPercent(int32_t percent, int32_t range)
{
    return static_cast<int32_t>(static_cast<int64_t>(percent) * range / 100);
}

int32_t VolumeFromPercent(int32_t percent, int32_t range)
{
    return VolumeFromSlider(SliderFromPercent(percent, range), range);
}

int32_t PercentFromVolume(int32_t volume, int32_t range, bool muted)
{
    if (muted || range == 0)
        return 0;
    const int64_t r = range;
    const int64_t span = std::llabs(r) - std::llabs(static_cast<int64_t>(volume));
    return static_cast<int32_t>(std::llabs(span * 100 / r));
}

} // namespace VolumeScale
