#include "playback/AspectFit.h"

CRect FitVideoRect(const CRect& rect, int32_t nativeWidth, int32_t nativeHeight)
{
    const auto aspect = static_cast<float>(static_cast<double>(nativeWidth) / nativeHeight);
    const double ratio = static_cast<double>(aspect);
    const int32_t width = rect.Width();
    const int32_t height = rect.Height();

    CRect fitted = rect;
    int32_t newWidth = width;
    int32_t newHeight = height;
    if (ratio > static_cast<double>(width) / height) {
        newHeight = static_cast<int32_t>(width / ratio);
        fitted.top = rect.top + (height - newHeight) / 2;
    } else {
        newWidth = static_cast<int32_t>(height * ratio);
        fitted.left = rect.left + (width - newWidth) / 2;
    }
    fitted.right = fitted.left + newWidth;
    fitted.bottom = fitted.top + newHeight;
    return fitted;
}
