#pragma once

#include "core/CoreTypes.h"

#include <cstdint>

// Places a picture of the given native size inside rect, centred, keeping its
// aspect ratio. The ratio is held in single precision and the arithmetic done
// in double precision, truncating, so placements are reproducible to the pixel.
// rect must be at least 1 × 1 and the native size non-zero.
CRect FitVideoRect(const CRect& rect, int32_t nativeWidth, int32_t nativeHeight);
