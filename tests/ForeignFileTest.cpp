// Files written by another program convert to the values an independent
// decoder reads from them. Needs ImageMagick's convert.

#include "support/BmpBuilder.h"
#include "support/Process.h"
#include "support/RecordingHost.h"

#include "ConvertBmpFile.h"
#include "ConverterHost.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace bmp2cdata;

namespace {

bool HaveImageMagick()
{
    return std::system("convert -version >/dev/null 2>&1") == 0;
}

// The values the table must list: top row first, each row right to left.
std::vector<std::string> ExpectedValues(const std::string& rgb, int width, int height, bool rgb332)
{
    std::vector<std::string> values;
    for (int row = 0; row < height; ++row) {
        for (int column = width - 1; column >= 0; --column) {
            const auto* pixel = reinterpret_cast<const unsigned char*>(rgb.data()) + 3 * (row * width + column);
            const unsigned r = pixel[0], g = pixel[1], b = pixel[2];
            char text[16];
            if (rgb332)
                std::snprintf(text, sizeof text, "$%02X", (r / 32) * 32 + (g / 32) * 4 + b / 64);
            else
                std::snprintf(text, sizeof text, "$%04X", (r / 8) * 2048 + (g / 4) * 32 + b / 8);
            values.push_back(text);
        }
    }
    return values;
}

std::vector<std::string> TableValues(const std::vector<std::string>& lines)
{
    std::vector<std::string> values;
    for (std::size_t i = 5; i + 2 < lines.size(); ++i)
        for (std::size_t at = lines[i].find('$'); at != std::string::npos; at = lines[i].find('$', at + 1))
            values.push_back(lines[i].substr(at, lines[i].find(',', at) - at));  // npos: to the end
    return values;
}

TEST(ForeignFile, ImageMagickBitmapsConvertToTheirDecodedPixels)
{
    if (!HaveImageMagick())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    ScratchFolder folder;
    const struct {
        const char* format;
        int width, height;
    } cases[] = {{"BMP3", 7, 5}, {"BMP3", 13, 3}, {"BMP", 7, 5}, {"BMP", 5, 9}, {"BMP", 1, 1}};
    for (const auto& c : cases) {
        for (bool rgb332 : {false, true}) {
            SCOPED_TRACE(::testing::Message() << c.format << " " << c.width << "x" << c.height << " rgb332=" << rgb332);
            const std::string image = (folder.Path() / "foreign.bmp").string();
            const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
            ASSERT_EQ(RunProcess(folder, "convert -size " + size +
                                             " gradient:'#F0A010'-'#0A50FF' -fill '#33CC77' -draw 'point 0,0'"
                                             " -type TrueColor " + c.format + ":" + ShellQuote(image)).status, 0);
            const ProcessResult decoded =
                RunProcess(folder, "convert " + ShellQuote(image) + " -depth 8 rgb:-");
            ASSERT_EQ(decoded.out.size(), static_cast<std::size_t>(3 * c.width * c.height));

            StopConversion = false;
            RecordingHost host;
            host.rgb332 = rgb332;
            ConvertBmpFile(host, image);
            ASSERT_EQ(host.copies, 1) << host.Text();
            EXPECT_EQ(TableValues(host.lines), ExpectedValues(decoded.out, c.width, c.height, rgb332));
        }
    }
}

}  // namespace
