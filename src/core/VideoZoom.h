#pragma once

#include "core/CoreTypes.h"

#include <cstdint>

// Placement arithmetic of the video view's zoom levels, kept free of windows so
// that the rounding can be checked exactly.
namespace VideoZoom {

// The zoom levels that place a picture at a fixed scale; every other level fits.
bool IsFixedLevel(int percent);

// (0, 0, width, height) scaled by percent (50: ×1/2, 200: ×2, 100: unchanged),
// each coordinate rounded to the nearest integer, halves away from zero.
CRect ScaledRect(int32_t width, int32_t height, int percent);

// rect moved so that its centre lies on the centre of client, with integer
// division as the view has always placed it.
CRect CentredIn(const CRect& client, const CRect& rect);

// Whether rect fits into client: neither wider nor higher.
bool FitsIn(const CRect& client, const CRect& rect);

} // namespace VideoZoom
