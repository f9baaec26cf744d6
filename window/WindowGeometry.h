#pragma once

namespace bmp2cdata {

// Where the converter window and its preview picture go, in pixels: the
// same decisions for every toolkit.

// A rectangle on the screen or in a control.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const ScreenRect&) const = default;
};

// The frame the preview picture is fitted into, in pixels on either side.
inline constexpr int kPreviewSide = 160;

// Where the converter window of outer size width × height goes: where its
// form places it, where it fits into available (the screen's free area);
// otherwise moved just enough to be wholly visible, to available's top left
// where it is larger.
ScreenRect PlaceForm(int width, int height, const ScreenRect& available);

// Where a picture of width × height pixels is shown in frame: enlarged by
// the largest whole factor that fits, so that its pixels stay crisp, or
// shrunk to fit with its proportions kept; centred.
ScreenRect FitPicture(int width, int height, const ScreenRect& frame);

}  // namespace bmp2cdata
