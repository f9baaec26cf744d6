#pragma once

// Which way up a picture is shown: the EXIF orientation a camera records,
// the turns and mirror a user asks for, and the two put together.

#include "Picture.h"

#include <cstdint>
#include <span>

namespace bmp2cdata {

// One of the eight ways a rectangle maps onto itself, as the map from a
// pixel shown at (x, y) to the pixel stored: the two coordinates swapped
// when transposed, then each counted from the far side when flipped.
struct Orientation {
    bool transpose = false;
    bool flipColumns = false;
    bool flipRows = false;

    bool operator==(const Orientation&) const = default;
};

// The orientation EXIF's value 1 to 8 names; any other value shows the
// picture as stored.
Orientation ExifOrientation(std::uint32_t value);

// A turn clockwise by quarterTurns quarters (0 to 3).
Orientation ClockwiseTurn(std::uint32_t quarterTurns);

// Left and right swapped.
inline constexpr Orientation kMirror = {false, true, false};

// first, then second applied to what first shows.
Orientation Then(Orientation first, Orientation second);

// The size a picture of size is shown at.
PictureSize OrientedSize(PictureSize size, Orientation orientation);

// The picture as shown.
Picture Oriented(const Picture& picture, Orientation orientation);

// The orientation value of a TIFF structure as EXIF blocks hold it, read
// from its first directory; 1, the picture as stored, when the value is
// missing, out of range, or anything on the way lies outside the block.
std::uint32_t ExifOrientationValue(std::span<const std::uint8_t> tiff);

}  // namespace bmp2cdata
