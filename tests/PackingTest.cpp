#include "PixelPacking.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace bmp2cdata;

namespace {

struct PackCase {
    std::uint8_t red, green, blue;
    std::uint16_t rgb565;
    std::uint8_t rgb332;
};

TEST(Packing, DropsLowBitsIntoEachLayout)
{
    const std::vector<PackCase> cases = {
        {255, 255, 255, 0xFFFF, 0xFF}, {255, 0, 0, 0xF800, 0xE0},   {0, 255, 0, 0x07E0, 0x1C},
        {0, 0, 255, 0x001F, 0x03},     {8, 4, 8, 0x0821, 0x00},     {31, 31, 63, 0x18E7, 0x00},
        {7, 3, 7, 0x0000, 0x00},       {32, 32, 64, 0x2108, 0x25},  {0, 0, 0, 0x0000, 0x00},
    };
    for (const PackCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << int(c.red) << "," << int(c.green) << "," << int(c.blue));
        EXPECT_EQ(PackRGB565(c.red, c.green, c.blue), c.rgb565);
        EXPECT_EQ(PackRGB332(c.red, c.green, c.blue), c.rgb332);
    }
}

}  // namespace
