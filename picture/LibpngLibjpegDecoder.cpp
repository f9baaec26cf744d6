// PNG through libpng and JPEG through libjpeg-turbo, both linked into the
// program. Both libraries report errors by jumping back to a setjmp; the
// functions that set one hold nothing with a destructor, and everything
// they fill belongs to their caller.

#include "PlatformPictureDecoder.h"

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

namespace bmp2cdata {

namespace {

constexpr std::uint8_t kOpaque = 0xFF;

struct PngRead {
    explicit PngRead(std::span<const std::uint8_t> bytes) : file(bytes)
    {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, StopOnError, IgnoreWarning);
        if (png != nullptr)
            info = png_create_info_struct(png);
    }
    ~PngRead() { png_destroy_read_struct(&png, &info, nullptr); }
    PngRead(const PngRead&) = delete;
    PngRead& operator=(const PngRead&) = delete;

    static void StopOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
    static void IgnoreWarning(png_structp, png_const_charp) {}

    std::span<const std::uint8_t> file;
    std::size_t position = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    // Samples of the row being read, or of every row of an interlaced file,
    // whose rows are complete only after its last pass.
    std::vector<std::uint8_t> narrow;
    std::vector<std::uint16_t> wide;
    std::vector<png_bytep> rows;
};

void ReadFromMemory(png_structp png, png_bytep data, png_size_t length)
{
    PngRead& read = *static_cast<PngRead*>(png_get_io_ptr(png));
    if (length > read.file.size() - read.position)
        png_error(png, "unexpected end of file");
    std::memcpy(data, read.file.data() + read.position, length);
    read.position += length;
}

// Asks libpng for RGBA, every colour type and interlacing expanded, at 8
// bits a sample, or 16 for a 16-bit file (in the machine's byte order);
// true for 16.
bool ExpandToRgba(png_structp png, png_infop info)
{
    const int colourType = png_get_color_type(png, info);
    const bool wide = png_get_bit_depth(png, info) == 16;
    // Palettes to RGB, grey below 8 bits to 8, a transparent colour to alpha.
    png_set_expand(png);
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0)
        png_set_gray_to_rgb(png);
    if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && png_get_valid(png, info, PNG_INFO_tRNS) == 0)
        png_set_add_alpha(png, wide ? 0xFFFF : kOpaque, PNG_FILLER_AFTER);
    if (wide && std::endian::native == std::endian::little)
        png_set_swap(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return wide;
}

// Hands over the row-th of the rows held.
void HandOver(const PngRead& read, std::size_t row, std::size_t rowSamples, RgbaRows& rows)
{
    if (read.wide.empty())
        rows.AddRow(std::span(read.narrow).subspan(row * rowSamples, rowSamples));
    else
        rows.AddRow(std::span(read.wide).subspan(row * rowSamples, rowSamples));
}

bool ReadPng(PngRead& read, PictureSize declared, RgbaRows& rows)
{
    if (setjmp(png_jmpbuf(read.png)))
        return false;
    png_set_read_fn(read.png, &read, ReadFromMemory);
    // Colour profiles are not applied, so libpng need not judge them.
    png_set_option(read.png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
    png_read_info(read.png, read.info);
    if (PictureSize{png_get_image_width(read.png, read.info), png_get_image_height(read.png, read.info)} != declared)
        return false;
    const bool wide = ExpandToRgba(read.png, read.info);
    const std::size_t rowSamples = std::size_t{declared.width} * 4;
    const std::size_t rowBytes = rowSamples * (wide ? 2 : 1);
    if (png_get_rowbytes(read.png, read.info) != rowBytes)
        return false;
    const bool interlaced = png_get_interlace_type(read.png, read.info) != PNG_INTERLACE_NONE;
    const std::size_t held = interlaced ? declared.height : 1;
    auto* first = wide ? reinterpret_cast<png_bytep>((read.wide.resize(held * rowSamples), read.wide.data()))
                       : (read.narrow.resize(held * rowSamples), read.narrow.data());
    if (interlaced) {
        read.rows.resize(held);
        for (std::size_t row = 0; row < held; ++row)
            read.rows[row] = first + row * rowBytes;
        png_read_image(read.png, read.rows.data());
    }
    for (std::size_t row = 0; row < declared.height; ++row) {
        if (!interlaced)
            png_read_row(read.png, first, nullptr);
        HandOver(read, interlaced ? row : 0, rowSamples, rows);
    }
    return true;
}

struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
};

struct JpegRead {
    JpegRead()
    {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = [](j_common_ptr common) { std::longjmp(ErrorsOf(common).jump, 1); };
        errors.manager.output_message = [](j_common_ptr) {};
        // A file cut short would decode with grey where its end should be;
        // it is refused like any other damage, without decoding on.
        errors.manager.emit_message = [](j_common_ptr common, int level) {
            if (level < 0 && common->err->msg_code == JWRN_JPEG_EOF)
                std::longjmp(ErrorsOf(common).jump, 1);
        };
    }
    ~JpegRead()
    {
        if (created)
            jpeg_destroy_decompress(&info);
    }
    JpegRead(const JpegRead&) = delete;
    JpegRead& operator=(const JpegRead&) = delete;

    static JpegErrors& ErrorsOf(j_common_ptr common) { return *reinterpret_cast<JpegErrors*>(common->err); }

    jpeg_decompress_struct info{};
    JpegErrors errors;
    bool created = false;
    std::vector<std::uint8_t> row;
};

// CMYK as Adobe's programs write it, inverted, or as the standard has it.
void CmykToRgba(std::span<std::uint8_t> samples, bool inverted)
{
    for (std::size_t at = 0; at < samples.size(); at += 4) {
        const unsigned key = inverted ? samples[at + 3] : kOpaque - samples[at + 3];
        for (std::size_t channel = 0; channel < 3; ++channel) {
            const unsigned ink = inverted ? samples[at + channel] : kOpaque - samples[at + channel];
            samples[at + channel] = static_cast<std::uint8_t>((ink * key + kOpaque / 2) / kOpaque);
        }
        samples[at + 3] = kOpaque;
    }
}

bool ReadJpeg(JpegRead& read, std::span<const std::uint8_t> file, PictureSize declared, RgbaRows& rows)
{
    jpeg_decompress_struct& info = read.info;
    if (setjmp(read.errors.jump))
        return false;
    jpeg_create_decompress(&info);
    read.created = true;
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    if (PictureSize{info.image_width, info.image_height} != declared)
        return false;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    if (info.output_components != 4 || PictureSize{info.output_width, info.output_height} != declared)
        return false;
    read.row.resize(std::size_t{declared.width} * 4);
    JSAMPROW row = read.row.data();
    while (info.output_scanline < info.output_height) {
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            return false;
        if (cmyk)
            CmykToRgba(read.row, info.saw_Adobe_marker != 0);
        rows.AddRow(std::span<const std::uint8_t>(read.row));
    }
    jpeg_finish_decompress(&info);
    return true;
}

class PosixPictureDecoder final : public PictureDecoder {
public:
    bool Decode(PictureFormat format, std::span<const std::uint8_t> file, PictureSize declared,
                RgbaRows& rows) override
    {
        if (format == PictureFormat::Png) {
            PngRead read(file);
            return read.info != nullptr && ReadPng(read, declared, rows);
        }
        if (format == PictureFormat::Jpeg) {
            JpegRead read;
            return ReadJpeg(read, file, declared, rows);
        }
        return false;
    }
};

}  // namespace

PictureDecoder& PlatformPictureDecoder()
{
    static PosixPictureDecoder decoder;
    return decoder;
}

}  // namespace bmp2cdata
