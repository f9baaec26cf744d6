// Compares the converter with a deliberately plain model of what it must
// write, over thousands of seeded random mutations of a BMP file's header
// fields and length. The model shares no code with the converter.

#include "ConvertBmpFile.h"
#include "ConverterHost.h"
#include "support/BmpBuilder.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <random>
#include <sstream>

using namespace bmp2cdata;

namespace model {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Field(const Bytes& file, std::size_t at, std::size_t width)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        if (at + i < file.size())
            value |= std::uint32_t(file[at + i]) << (8 * i);
    return value;
}

std::string Hex(unsigned value, int digits)
{
    std::ostringstream text;
    text << '$' << std::uppercase << std::hex << std::setw(digits) << std::setfill('0') << value;
    return text.str();
}

// What the output area holds after converting `file`, named `name`.
std::vector<std::string> Expected(const Bytes& file, const std::string& name, bool rgb332)
{
    const long long length = static_cast<long long>(file.size());
    const long long width = std::int32_t(Field(file, 18, 4));
    const long long height = std::int32_t(Field(file, 22, 4));
    if (Field(file, 30, 4) != 0)
        return {"Incorrect image compression. The BMP file must be an uncompressed, 24-bit type"};
    if (Field(file, 28, 2) != 24)
        return {"Incorrect image type. The BMP file must be a 24-bit, uncompressed type"};
    if (length - 54 > 228723)
        return {"This file is too large. Maximum supported size is :230400"};
    if (width < 0 || height < 0 || width * height > 76242)
        return {"Incorrect image size. The BMP file must be a bottom-up image of at most 76242 pixels"};
    const long long start = std::max<long long>(Field(file, 10, 4), 54);
    const long long stride = (width * 3 + 3) / 4 * 4;
    if (width * height > 0 && start + (height - 1) * stride + width * 3 > length)
        return {"This file is incomplete. It holds less pixel data than its header declares"};

    std::vector<std::string> values;
    for (long long row = 0; width > 0 && row < height; ++row) {
        for (long long column = 0; column < width; ++column) {
            const std::uint8_t* pixel = &file[std::size_t(start + row * stride + column * 3)];
            const unsigned b = pixel[0], g = pixel[1], r = pixel[2];
            values.push_back(rgb332 ? Hex(r / 32 * 32 + g / 32 * 4 + b / 64, 2)
                                    : Hex(r / 8 * 2048 + g / 4 * 32 + b / 8, 4));
        }
    }
    std::reverse(values.begin(), values.end());

    const std::uint32_t count = std::uint32_t(width * height);
    const std::uint32_t w1 = std::uint32_t(width) - 1, h1 = std::uint32_t(height) - 1;
    const auto pair = [](std::uint32_t v) { return std::to_string(v % 256) + ", " + std::to_string(v / 256); };
    std::vector<std::string> lines = {
        "'----------------------------------------------------------------------",
        rgb332 ? "' Image data in RGB332 format. Size = " + std::to_string(count) + " Bytes"
               : "' Image data in RGB565 format. Size = " + std::to_string(2 * count) + " Bytes",
        "'",
        name + ":-",
        rgb332 ? "    Cdata as Byte " + pair(count) + ", " + pair(w1) + ", " + pair(h1) +
                     ",_   ' Amount, (Width - 1) , (Height - 1)"
               : "    Cdata as Word " + std::to_string(count) + ", " + std::to_string(w1) + ", " +
                     std::to_string(h1) + ",_   ' Amount, (Width - 1) , (Height - 1)",
    };
    for (std::size_t first = 0; first < values.size(); first += 16) {
        std::string line = "          ";
        for (std::size_t i = first; i < std::min(values.size(), first + 16); ++i)
            line += values[i] + (i + 1 < values.size() ? "," : "");
        if (first + 16 < values.size())
            line += "_";
        lines.push_back(line);
    }
    lines.push_back("");
    lines.push_back("The Cdata Table is now assigned to the Clipboard for pasting into the program");
    return lines;
}

}  // namespace model

namespace {

// A random small image, then one or more of its header fields or its length
// changed to a value picked among ordinary and hostile ones.
std::vector<std::uint8_t> Mutant(std::mt19937& random)
{
    const auto pick = [&](int below) { return int(random() % unsigned(below)); };
    std::vector<std::uint8_t> file = BuildBmp({.width = pick(20), .height = pick(12),
                                               .infoSize = pick(4) == 0 ? 124u : 40u,
                                               .colour = [&](int, int) {
                                                   return Rgb{std::uint8_t(random()), std::uint8_t(random()),
                                                              std::uint8_t(random())};
                                               }});
    const std::uint32_t hostile[] = {0, 1, 2, 3, 53, 54, 55, 138, 76242, 76243, 65536, 0x7FFFFFFF,
                                     0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x10000, 0x8000};
    const auto value = [&] { return pick(2) ? hostile[pick(std::size(hostile))] : std::uint32_t(pick(300)); };
    for (int mutation = 0, count = 1 + pick(3); mutation < count; ++mutation) {
        switch (pick(7)) {
        case 0: PutLittleEndian(file, 18, value(), 4); break;  // width
        case 1: PutLittleEndian(file, 22, value(), 4); break;  // height
        case 2: PutLittleEndian(file, 28, pick(4) ? 24 : value(), 2); break;  // bit count
        case 3: PutLittleEndian(file, 30, pick(4) ? 0 : value(), 4); break;  // compression
        case 4: PutLittleEndian(file, 10, value(), 4); break;  // pixel offset
        case 5: file.resize(std::size_t(pick(int(file.size()) + 1))); break;  // cut short
        case 6:  // grown, now and then past the length limit
            file.resize(file.size() + std::size_t(pick(40) == 0 ? 228723 : pick(200)), std::uint8_t(random()));
            break;
        }
    }
    return file;
}

TEST(Differential, ConverterAgreesWithAPlainModelOnMutatedFiles)
{
    ScratchFolder folder;
    std::mt19937 random(20261208);
    int tables = 0;
    const int kMutants = 3000;
    for (int round = 0; round < kMutants; ++round) {
        const std::vector<std::uint8_t> file = Mutant(random);
        const std::string path = folder.WriteBytes("mutant.bmp", file);
        for (bool rgb332 : {false, true}) {
            StopConversion = false;
            RecordingHost host;
            host.rgb332 = rgb332;
            ConvertBmpFile(host, path);
            const std::vector<std::string> expected = model::Expected(file, "mutant", rgb332);
            ASSERT_EQ(host.lines, expected) << "round " << round << ", " << file.size() << " bytes";
            if (expected.size() > 1) {
                ++tables;
                std::string table;
                for (std::size_t i = 0; i + 2 < expected.size(); ++i)
                    table += expected[i] + "\n";
                ASSERT_EQ(host.clipboard, table) << "round " << round;
            }
        }
    }
    // The mutations must reach both outcomes often enough to mean something.
    EXPECT_GT(tables, kMutants / 4);
    EXPECT_LT(tables, 2 * kMutants - kMutants / 4);
}

}  // namespace
