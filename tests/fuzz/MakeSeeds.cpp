// Writes the fuzzer's seed corpus: small valid files and files broken in each
// of the ways the converter refuses.
//   make_fuzz_seeds FOLDER

#include "support/BmpBuilder.h"

#include <cstdio>
#include <fstream>

namespace {

void Save(const std::string& folder, const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(folder + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Rgb Gradient(int column, int row)
{
    return {static_cast<std::uint8_t>(column * 40), static_cast<std::uint8_t>(row * 60), 0x5A};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: make_fuzz_seeds FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    Save(folder, "1x1", BuildBmp({.width = 1, .height = 1, .colour = Gradient}));
    Save(folder, "4x5", BuildBmp({.width = 4, .height = 5, .colour = Gradient}));
    Save(folder, "3x3-padded", BuildBmp({.width = 3, .height = 3, .filler = 0xEE, .colour = Gradient}));
    Save(folder, "17x1", BuildBmp({.width = 17, .height = 1, .colour = Gradient}));
    Save(folder, "0x4", BuildBmp({.width = 0, .height = 4}));
    Save(folder, "v5-header", BuildBmp({.width = 5, .height = 2, .infoSize = 124, .colour = Gradient}));
    Save(folder, "gap-offset", BuildBmp({.width = 2, .height = 2, .pixelOffset = 90, .colour = Gradient}));
    Save(folder, "rle8", BuildBmp({.width = 2, .height = 2, .bitCount = 8, .compression = 1}));
    Save(folder, "32-bit", BuildBmp({.width = 2, .height = 2, .bitCount = 32}));
    std::vector<std::uint8_t> negative = BuildBmp({.width = 2, .height = 2});
    PutLittleEndian(negative, 22, static_cast<std::uint32_t>(-2), 4);
    Save(folder, "top-down", negative);
    std::vector<std::uint8_t> truncated = BuildBmp({.width = 6, .height = 6, .colour = Gradient});
    truncated.resize(truncated.size() - 7);
    Save(folder, "truncated", truncated);
    std::vector<std::uint8_t> header = BuildBmp({.width = 1, .height = 1});
    header.resize(40);
    Save(folder, "short-header", header);
    return 0;
}
