#pragma once

#include "Picture.h"
#include "PictureOptions.h"

#include <cstdint>
#include <span>
#include <vector>

namespace bmp2cdata {

// Packs the picture's pixels in table order, the top row first and each row
// from right to left, as a BMP's table lists them. Without dithering each
// value is packed as PackRGB565 or PackRGB332 packs it. Floyd-Steinberg
// dithering puts each channel at the nearest level the LCD shows and
// spreads the rounding error to the neighbours not yet packed (every other
// row right to left). Ordered dithering puts each channel at the level
// below or above it by an 8 x 8 Bayer matrix, as often above as it lies
// towards the upper level, so that a flat area keeps its mean. Both in
// integer arithmetic. slots holds at least the picture's area.
void PackPicture(const Picture& picture, bool rgb332, Dither dither, std::span<std::uint16_t> slots);

// The picture as the LCD shows it once packed so: 0x00RRGGBB, the top row
// first, each row left to right.
std::vector<std::uint32_t> DisplayedPicture(const Picture& picture, bool rgb332, Dither dither);

}  // namespace bmp2cdata
