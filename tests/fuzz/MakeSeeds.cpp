// Writes the fuzzer's seed corpus: small valid files and files broken in each
// of the ways the converter refuses; or, with --hostile, the files built to
// cost a decoder far more than their size, kept in tests/fuzz/regressions.
//   make_fuzz_seeds [--hostile] FOLDER

#include "support/BmpBuilder.h"
#include "support/ExifBuilder.h"
#include "support/HostileFiles.h"
#include "support/PngBuilder.h"

#ifdef BMP2CDATA_JPEG_SEEDS
#include "support/JpegBuilder.h"
#endif

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

std::uint16_t Sample(std::uint32_t column, std::uint32_t row, int channel)
{
    return static_cast<std::uint16_t>(column * 40 + row * 60 + static_cast<std::uint32_t>(channel) * 90);
}

void SavePictures(const std::string& folder)
{
    Save(folder, "rgb.png", BuildPng({.width = 5, .height = 3, .sample = Sample}));
    Save(folder, "rgba-interlaced.png",
         BuildPng({.width = 9, .height = 9, .colourType = kPngRgba, .interlaced = true, .sample = Sample}));
    Save(folder, "grey-2bit-keyed.png", BuildPng({.width = 6, .height = 2, .colourType = kPngGrey, .bitDepth = 2,
                                                  .transparency = {0, 1}, .sample = [](auto c, auto, int) {
                                                      return static_cast<std::uint16_t>(c % 4);
                                                  }}));
    Save(folder, "palette.png", BuildPng({.width = 4, .height = 4, .colourType = kPngPalette, .bitDepth = 4,
                                          .palette = {255, 0, 0, 0, 255, 0}, .transparency = {128},
                                          .sample = [](auto c, auto r, int) {
                                              return static_cast<std::uint16_t>((c + r) % 2);
                                          }}));
    Save(folder, "grey-alpha-16bit.png",
         BuildPng({.width = 3, .height = 3, .colourType = kPngGreyAlpha, .bitDepth = 16, .sample = Sample}));
#ifdef BMP2CDATA_JPEG_SEEDS
    Save(folder, "baseline.jpg", BuildJpeg(17, 9, Gradient, false, 50));
    Save(folder, "progressive.jpg", BuildJpeg(9, 17, Gradient, true, 50));
#endif
}

std::vector<std::uint8_t> PngWithExif(const std::vector<std::uint8_t>& tiff)
{
    return WithExifChunk(BuildPng({.width = 5, .height = 3, .sample = Sample}), tiff);
}

// Orientations and EXIF blocks that are damaged or lie, for the fuzzer to
// mutate: each must leave the picture as stored, never read past the block.
void SaveExifPictures(const std::string& folder)
{
    Save(folder, "exif-turned.png", PngWithExif(BuildExif({.value = 6})));
    Save(folder, "exif-directory-beyond.png", PngWithExif(BuildExif({.value = 6, .directory = 0xFFFFFF00})));
    Save(folder, "exif-entries-beyond.png", PngWithExif(BuildExif({.value = 8, .entries = 0xFFFF})));
    const std::vector<std::uint8_t> cut = BuildExif({.value = 5});
    Save(folder, "exif-cut.png", PngWithExif({cut.begin(), cut.begin() + 15}));
#ifdef BMP2CDATA_JPEG_SEEDS
    std::vector<std::uint8_t> jpeg = WithExifBlock(BuildJpeg(17, 9, Gradient, false, 50), BuildExif({.value = 7}));
    Save(folder, "exif-turned.jpg", jpeg);
    jpeg[5] = 0xF0;  // the block's length, far past the file
    Save(folder, "exif-lying-length.jpg", jpeg);
#endif
}

void SaveHostileFiles(const std::string& folder)
{
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT"})
        Save(folder, std::string("huge-") + type + "-chunk.png", PngClaimingAHugeChunk(type));
    Save(folder, "interlaced-giant-header.png", PngDeclaringAnInterlacedGiant());
#ifdef BMP2CDATA_JPEG_SEEDS
    Save(folder, "many-scans.jpg", JpegOfManyScans(kManyScansSide, kManyScans));
    Save(folder, "cut-and-closed.jpg", JpegCutAndClosed());
#endif
}

}  // namespace

int main(int argc, char** argv)
{
    const bool hostile = argc == 3 && std::string(argv[1]) == "--hostile";
    if (argc != 2 && !hostile) {
        std::fputs("usage: make_fuzz_seeds [--hostile] FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[argc - 1];
    if (hostile) {
        SaveHostileFiles(folder);
        return 0;
    }
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
    SavePictures(folder);
    SaveExifPictures(folder);
    return 0;
}
