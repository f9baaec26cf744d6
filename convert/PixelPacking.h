#pragma once

#include "BmpDecode.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace bmp2cdata {

class ConverterHost;

// One run's packed pixels; slot k holds the k-th value of the table. Byte
// values are stored zero-extended.
using ImageData = std::array<std::uint16_t, kImageCapacity>;

// Packs a colour as RRRRRGGGGGGBBBBB, dropping the low bits.
std::uint16_t PackRGB565(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Packs a colour as RRRGGGBB, dropping the low bits.
std::uint8_t PackRGB332(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// The 8-bit value an LCD shows for a channel of bits bits: the bits
// repeated from the top down, so that 0 stays 0 and the highest level is 255.
std::uint8_t WidenChannel(std::uint32_t level, int bits);

// The colour the LCD shows for a packed value, as 0x00RRGGBB: each channel
// widened back to 8 bits by WidenChannel, so that white stays white.
std::uint32_t DisplayedColour(std::uint16_t packed, bool rgb332);

// The colours the LCD shows for a table of width x height values in table
// order (the top row first, each row from right to left): 0x00RRGGBB, the
// top row first, each row left to right.
std::vector<std::uint32_t> DisplayedTable(std::span<const std::uint16_t> slots, std::uint32_t width,
                                          std::uint32_t height, bool rgb332);

// Packs the pixels of an accepted image into slots pixelCount - 1 down to 0,
// pumping events and reading the option before every pixel; leaves early when
// StopConversion is set.
void FillImageData(ConverterHost& host, const BmpImage& image, ImageData& data);

// The image's values in table order, every pixel packed in one layout: what
// a run whose option never changes puts into its slots.
std::vector<std::uint16_t> PackImage(const BmpImage& image, bool rgb332);

}  // namespace bmp2cdata
