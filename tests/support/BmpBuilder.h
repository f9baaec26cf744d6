#pragma once

// Builds BMP files byte by byte, so each test states exactly what it feeds in.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Rgb&) const = default;
};

struct BmpFileLayout {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t infoSize = 40;
    // Pixel data offset written in the header; 0 means right after the
    // info header.
    std::uint32_t pixelOffset = 0;
    std::uint16_t signature = 0x4D42;  // "BM"
    bool padRows = true;
    // Value of every byte the header and pixels do not set, padding included.
    std::uint8_t filler = 0;
    // Colour of the pixel at (column, row), row 0 being the bottom row as
    // stored first in the file.
    std::function<Rgb(int column, int row)> colour = [](int, int) { return Rgb{}; };
};

inline void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value,
                            int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::vector<std::uint8_t> BuildBmp(const BmpFileLayout& layout)
{
    const std::uint32_t headerEnd = 14 + layout.infoSize;
    const std::uint32_t offset = layout.pixelOffset != 0 ? layout.pixelOffset : headerEnd;
    const std::size_t rowBytes = static_cast<std::size_t>(layout.width) * 3;
    const std::size_t stride = layout.padRows ? (rowBytes + 3) / 4 * 4 : rowBytes;
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(offset, 54) +
                                    stride * static_cast<std::size_t>(layout.height),
                                    layout.filler);
    PutLittleEndian(bytes, 0, layout.signature, 2);
    PutLittleEndian(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    PutLittleEndian(bytes, 10, offset, 4);
    PutLittleEndian(bytes, 14, layout.infoSize, 4);
    PutLittleEndian(bytes, 18, static_cast<std::uint32_t>(layout.width), 4);
    PutLittleEndian(bytes, 22, static_cast<std::uint32_t>(layout.height), 4);
    PutLittleEndian(bytes, 26, 1, 2);
    PutLittleEndian(bytes, 28, layout.bitCount, 2);
    PutLittleEndian(bytes, 30, layout.compression, 4);
    for (int row = 0; row < layout.height; ++row) {
        for (int column = 0; column < layout.width; ++column) {
            const Rgb colour = layout.colour(column, row);
            std::size_t at = std::max<std::size_t>(offset, 54) +
                             static_cast<std::size_t>(row) * stride +
                             static_cast<std::size_t>(column) * 3;
            bytes[at++] = colour.blue;
            bytes[at++] = colour.green;
            bytes[at] = colour.red;
        }
    }
    return bytes;
}

// A folder of its own for each test, removed afterwards.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::filesystem::path& base = std::filesystem::temp_directory_path())
    {
        std::random_device random;
        do
            path_ = base / ("bmp2cdata-test-" + std::to_string(random()));
        while (!std::filesystem::create_directory(path_));
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    std::string WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        const std::filesystem::path file = path_ / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }

    std::string Write(const std::string& name, const BmpFileLayout& layout) const
    {
        return WriteBytes(name, BuildBmp(layout));
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadText(const std::filesystem::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}
