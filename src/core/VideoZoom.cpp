#include "core/VideoZoom.h"

namespace VideoZoom {

namespace {

// value × numerator ÷ denominator with a 64-bit intermediate, rounded to the
// nearest integer (halves away from zero).
int32_t MulDivRounded(int32_t value, int32_t numerator, int32_t denominator)
{
    const int64_t product = static_cast<int64_t>(value) * numerator;
    const int64_t half = denominator / 2;
    const int64_t rounded = product >= 0 ? (product + half) / denominator : (product - half) / denominator;
    return static_cast<int32_t>(rounded);
}

} // namespace

bool IsFixedLevel(int percent)
{
    return percent == 50 || percent == 100 || percent == 200;
}

CRect ScaledRect(int32_t width, int32_t height, int percent)
{
    CRect rect { 0, 0, width, height };
    int32_t numerator = 1;
    int32_t denominator = 1;
    if (percent == 50)
        denominator = 2;
    else if (percent == 200)
        numerator = 2;
    else
        return rect;
    rect.left = MulDivRounded(rect.left, numerator, denominator);
    rect.top = MulDivRounded(rect.top, numerator, denominator);
    rect.right = MulDivRounded(rect.right, numerator, denominator);
    rect.bottom = MulDivRounded(rect.bottom, numerator, denominator);
    return rect;
}

CRect CentredIn(const CRect& client, const CRect& rect)
{
    const int32_t cx = (client.left + client.right) / 2;
    const int32_t cy = (client.top + client.bottom) / 2;
    CRect placed;
    placed.left = cx - rect.Width() / 2;
    placed.top = cy - rect.Height() / 2;
    placed.right = placed.left + rect.Width();
    placed.bottom = placed.top + rect.Height();
    return placed;
}

bool FitsIn(const CRect& client, const CRect& rect)
{
    return client.Width() >= rect.Width() && client.Height() >= rect.Height();
}

} // namespace VideoZoom
