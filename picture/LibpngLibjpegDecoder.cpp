// PNG through libpng and JPEG through libjpeg-turbo, both linked into the
// program. Both libraries report errors by jumping back to a setjmp; the
// functions that set one hold nothing with a destructor, and everything
// they fill belongs to their caller.

#include "PlatformPictureDecoder.h"

#include <algorithm>
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

// Chunks libpng would read whole into memory that the conversion never
// uses: text, suggested palettes, colour profiles (never applied), EXIF
// (its orientation is not applied either) and calibrations. libpng skips
// them unread, in small pieces, whatever length they claim.
constexpr png_byte kSkippedChunks[] = "tEXt\0zTXt\0iTXt\0sPLT\0iCCP\0eXIf\0pCAL\0sCAL";
constexpr int kSkippedChunkCount = sizeof kSkippedChunks / 5;
// What libpng may allocate to inflate or keep one chunk: the chunks the
// conversion reads (a palette, its transparency) take at most 768 bytes,
// and a file's own private chunks are skipped without allocating.
constexpr png_alloc_size_t kPngChunkBytesMax = 1 << 20;
// How many text, palette and unknown chunks libpng may keep: it keeps none
// of them here, since all are skipped, so a few more than none is ample.
constexpr png_uint_32 kPngChunksKeptMax = 16;

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
    // Samples of the row being read, of a whole row or a pass's.
    std::vector<std::uint8_t> narrow;
    std::vector<std::uint16_t> wide;
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
    png_read_update_info(png, info);
    return wide;
}

void LimitPngReading(png_structp png)
{
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks, kSkippedChunkCount);
    png_set_chunk_malloc_max(png, kPngChunkBytesMax);
    png_set_chunk_cache_max(png, kPngChunksKeptMax);
    // Colour profiles are not applied, so libpng need not judge them.
    png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
}

// Reads size.height rows of size.width pixels into the row held, handing
// each over as a row of pass, or of the whole picture for pass -1.
void HandOverRows(PngRead& read, PictureSize size, int pass, RgbaRows& rows)
{
    const std::size_t samples = std::size_t{size.width} * 4;
    for (std::uint32_t row = 0; row < size.height; ++row) {
        std::span<std::uint8_t> narrow = read.narrow;
        if (!narrow.empty() && pass < 0) {
            const std::span<std::uint8_t> room = rows.NextRowRoom(narrow.size());
            narrow = room.empty() ? narrow : room;
        }
        png_read_row(read.png, read.wide.empty() ? narrow.data() : reinterpret_cast<png_bytep>(read.wide.data()),
                     nullptr);
        if (!read.wide.empty() && pass < 0)
            rows.AddRow(std::span<const std::uint16_t>(read.wide).first(samples));
        else if (!read.wide.empty())
            rows.AddPassRow(pass, std::span<const std::uint16_t>(read.wide).first(samples));
        else if (pass < 0)
            rows.AddRow(std::span<const std::uint8_t>(narrow).first(samples));
        else
            rows.AddPassRow(pass, std::span<const std::uint8_t>(narrow).first(samples));
    }
}

// An interlaced file is read pass by pass, as libpng gives it when it is
// not asked to put the passes together, which would take a buffer of the
// whole picture at four or eight bytes a pixel.
void HandOverPasses(PngRead& read, PictureSize declared, RgbaRows& rows)
{
    for (int pass = 0; pass < kInterlacePassCount; ++pass) {
        const PictureSize passSize = InterlacePassSize(declared, pass);
        if (passSize.Area() > 0)
            HandOverRows(read, passSize, pass, rows);
    }
}

bool ReadPng(PngRead& read, const PictureSize& declared, RgbaRows& rows)
{
    if (setjmp(png_jmpbuf(read.png)))
        return false;
    png_set_read_fn(read.png, &read, ReadFromMemory);
    LimitPngReading(read.png);
    png_read_info(read.png, read.info);
    if (PictureSize{png_get_image_width(read.png, read.info), png_get_image_height(read.png, read.info)} != declared)
        return false;
    const bool wide = ExpandToRgba(read.png, read.info);
    const std::size_t rowSamples = std::size_t{declared.width} * 4;
    if (png_get_rowbytes(read.png, read.info) != rowSamples * (wide ? 2 : 1))
        return false;
    if (wide)
        read.wide.resize(rowSamples);
    else
        read.narrow.resize(rowSamples);
    if (png_get_interlace_type(read.png, read.info) != PNG_INTERLACE_NONE)
        HandOverPasses(read, declared, rows);
    else
        HandOverRows(read, declared, -1, rows);
    return true;
}

// The most scans a JPEG file may have: one for each of the 64 coefficients
// of each of four components, more than any encoder's progression writes
// (libjpeg's own writes 10). Each scan makes the decoder walk every block
// of its components again, so a file of thousands of empty scans would
// keep it busy for seconds.
constexpr int kMaxJpegScans = 256;

// What libjpeg may take, mostly for the whole picture's coefficients that a
// progressive file needs: 16 megapixels take 48 MiB in 4:2:0 colour, 10
// megapixels 60 MiB in 4:4:4. A larger need (4:4:4 or CMYK at 16
// megapixels), or one beyond what the file leaves of the budget, is refused.
constexpr std::int64_t kJpegMemoryBytes = std::int64_t{64} << 20;

// Warnings of libjpeg's about the file's metadata, which the decode does
// not depend on: an unknown JFIF version or Adobe colour transform. Every
// other warning tells of damaged or inconsistent data, which libjpeg would
// decode on past, with grey or made-up blocks.
bool IsHarmless(int warning)
{
    return warning == JWRN_JFIF_MAJOR || warning == JWRN_ADOBE_XFORM;
}

// Whether a progressive file's scans brought every coefficient of every
// component to its full precision, as the last scans of every encoder's
// progression do: a file cut between two scans and closed leaves some
// unsent, without a warning.
bool ScansAreComplete(const jpeg_decompress_struct& info)
{
    if (!info.progressive_mode)
        return true;
    for (int component = 0; component < info.num_components; ++component)
        for (int coefficient = 0; coefficient < DCTSIZE2; ++coefficient)
            if (info.coef_bits[component][coefficient] != 0)
                return false;
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
        // A file cut short or damaged would decode with grey or garbled
        // blocks where its data is missing; it is refused without decoding on.
        errors.manager.emit_message = [](j_common_ptr common, int level) {
            if (level < 0 && !IsHarmless(common->err->msg_code))
                std::longjmp(ErrorsOf(common).jump, 1);
        };
        progress.progress_monitor = [](j_common_ptr common) {
            if (reinterpret_cast<j_decompress_ptr>(common)->input_scan_number > kMaxJpegScans)
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
    jpeg_progress_mgr progress{};
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
    info.progress = &read.progress;
    info.mem->max_memory_to_use =
        static_cast<long>(std::min(kJpegMemoryBytes, kPictureMemoryBudget - static_cast<std::int64_t>(file.size())));
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    if (PictureSize{info.image_width, info.image_height} != declared)
        return false;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    if (!ScansAreComplete(info) || info.output_components != 4 || PictureSize{info.output_width, info.output_height} != declared)
        return false;
    read.row.resize(std::size_t{declared.width} * 4);
    while (info.output_scanline < info.output_height) {
        std::span<std::uint8_t> room = rows.NextRowRoom(read.row.size());
        if (room.empty())
            room = read.row;
        JSAMPROW row = room.data();
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            return false;
        if (cmyk)
            CmykToRgba(room, info.saw_Adobe_marker != 0);
        rows.AddRow(std::span<const std::uint8_t>(room));
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
            if (!PngChunksAreSound(file))
                return false;
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
