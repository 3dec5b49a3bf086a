#pragma once

#include <cstdint>

// The common volume is hundredths of a decibel, 0 = unattenuated, −10000 =
// silent. User-facing controls work on a range R (the preference m_VolumeMin,
// 3000 = 30 dB by default): slider position s in 0 … R is volume s − R.
namespace VolumeScale {

constexpr int32_t kVolumeMin = -10000;
constexpr int32_t kVolumeMax = 0;

inline bool IsValidVolume(int32_t volume)
{
    return volume >= kVolumeMin && volume <= kVolumeMax;
}

int32_t VolumeFromSlider(int64_t position, int32_t range);
int32_t SliderFromPercent(int32_t percent, int32_t range);
int32_t VolumeFromPercent(int32_t percent, int32_t range);

// |(|R| − |v|) × 100 ÷ R|, 0 while muted; 0 for a range of 0 rather than a
// division by zero.
int32_t PercentFromVolume(int32_t volume, int32_t range, bool muted);

} // namespace VolumeScale
