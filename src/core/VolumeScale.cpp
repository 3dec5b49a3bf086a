#include "core/VolumeScale.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace VolumeScale {

namespace {

// Wild values from the network saturate, so that the view refuses them rather
// than meeting a wrapped, plausible volume.
int32_t Saturate(int64_t value)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

int32_t VolumeFromSlider(int64_t position, int32_t range)
{
    return Saturate(position - range);
}

int32_t SliderFromPercent(int32_t percent, int32_t range)
{
    return Saturate(int64_t { percent } * range / 100);
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
