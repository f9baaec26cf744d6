#include "WindowGeometry.h"

#include <algorithm>

namespace bmp2cdata {

namespace {

// Where the form puts the window's top left corner, frame included, on the
// desktop.
constexpr int kFormLeft = 530;
constexpr int kFormTop = 304;

// A position along one axis that keeps size within [start, end), preferring
// wanted; at start when it cannot fit.
int Fit(int wanted, int size, int start, int end)
{
    return std::max(start, std::min(wanted, end - size));
}

}  // namespace

ScreenRect PlaceForm(int width, int height, const ScreenRect& available)
{
    return {Fit(kFormLeft, width, available.left, available.left + available.width),
            Fit(kFormTop, height, available.top, available.top + available.height), width, height};
}

ScreenRect FitPicture(int width, int height, const ScreenRect& frame)
{
    if (width <= 0 || height <= 0)
        return {frame.left + frame.width / 2, frame.top + frame.height / 2, 0, 0};
    const int factor = std::min(frame.width / width, frame.height / height);
    int shownWidth = width * factor;
    int shownHeight = height * factor;
    if (factor < 1) {
        const double scale = std::min(double(frame.width) / width, double(frame.height) / height);
        shownWidth = std::max(1, static_cast<int>(width * scale));
        shownHeight = std::max(1, static_cast<int>(height * scale));
    }
    return {frame.left + (frame.width - shownWidth) / 2, frame.top + (frame.height - shownHeight) / 2, shownWidth,
            shownHeight};
}

}  // namespace bmp2cdata
