#pragma once

#include "Picture.h"

#include <cstdint>
#include <optional>

namespace bmp2cdata {

// How a picture is brought to the size of its box.
enum class Sizing {
    // Shrunk, never enlarged, to fit inside the box, keeping its shape.
    Fit,
    // Scaled up or down to cover the box, then cut to it about the middle.
    Fill,
    // Fitted, then centred on a canvas of the box's size in the background.
    Pad,
};

enum class Dither {
    None,
    // Each pixel's rounding error spread to its neighbours.
    FloydSteinberg,
    // An 8 x 8 Bayer matrix: nothing travels between pixels.
    Ordered,
};

// How a picture is made ready for its table; the command line fills it
// from its arguments, the page from its fields. The steps run in this
// order: the file's own orientation, the turn and mirror, the background,
// the size, the colour order, dithering and packing, the split.
struct PictureOptions {
    // The box to size the picture to; nothing keeps its size.
    std::optional<PictureSize> box = std::nullopt;
    Sizing sizing = Sizing::Fit;
    Dither dither = Dither::None;
    // What transparent pixels are laid over: black, an LCD cleared to zero.
    RgbColour background = {};
    // Quarter turns clockwise after the file's own orientation, 0 to 3.
    std::uint32_t quarterTurns = 0;
    // Left and right swapped, after the turn.
    bool mirror = false;
    // Blue packed where red goes and red where blue goes, for a panel set
    // up as BGR.
    bool bgr = false;
    // A picture over one table's 65535 pixels is written as several tables
    // of whole rows instead of being refused.
    bool split = false;

    // Whether a BMP file's pixels change: such a file takes the road of a
    // picture.
    bool ChangePixels() const
    {
        return box || dither != Dither::None || quarterTurns % 4 != 0 || mirror || bgr || split;
    }
    // Whether a BMP file of any size may be read, since it is scaled or
    // split rather than written as one table.
    bool ReadAnySize() const { return box || split; }
};

}  // namespace bmp2cdata
