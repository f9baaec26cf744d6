#pragma once

#include "Picture.h"

#include <cstdint>
#include <span>
#include <vector>

namespace bmp2cdata {

// Packs the picture's pixels in table order, the top row first and each row
// from right to left, as a BMP's table lists them. Without dithering each
// value is packed as PackRGB565 or PackRGB332 packs it; with dithering each
// channel goes to the nearest level the LCD shows and the rounding error is
// spread to the neighbours not yet packed (Floyd-Steinberg, every other row
// right to left), in integer arithmetic. slots holds at least the
// picture's area.
void PackPicture(const Picture& picture, bool rgb332, bool dither, std::span<std::uint16_t> slots);

// The picture as the LCD shows it once packed so: 0x00RRGGBB, the top row
// first, each row left to right.
std::vector<std::uint32_t> DisplayedPicture(const Picture& picture, bool rgb332, bool dither);

}  // namespace bmp2cdata
