#pragma once

#include "BmpFile.h"
#include "Picture.h"
#include "PictureDecoder.h"
#include "PictureOptions.h"
#include "PicturePlan.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace bmp2cdata {

class ConverterHost;

// Whether a file goes the road of a picture: a PNG or JPEG file, or any
// file given options that change its pixels. A BMP file without them takes
// the road it always took.
bool TakesPictureRoad(std::span<const std::uint8_t> start, const PictureOptions& options);

// The longest side of a box, and of the test card: 4096, the widest
// picture that is read.
inline constexpr std::uint32_t kMaxBoxSide = 4096;

// The most pixels a split picture may have: 1024 x 768, beyond the 800 x 480
// and 1024 x 600 panels the LCD programs drive, in 13 tables.
inline constexpr std::uint64_t kMaxSplitPixels = std::uint64_t{1024} * 768;

// A box to size pictures to, read from "WxH", or why it was refused.
struct FitBox {
    enum class Problem { None, NotASize, SideTooLong };

    std::optional<PictureSize> size;
    Problem problem = Problem::None;
};

// Reads "WxH" (or "WXH"): both from 1 to kMaxBoxSide.
FitBox ParseFitBox(std::string_view text);

// The complaint for a picture that comes out at output, too large for one
// table (or, split, for all of them), with the way to get it, a size after
// remedy (by default the box's fit, fill or pad); nothing when it can be
// written.
std::optional<std::string> OutputComplaint(PictureSize output, const PictureOptions& options,
                                           std::string_view remedy = {});

// A picture ready for its table, or the one line of complaint a run gives.
struct LoadedPicture {
    // Empty when the picture converts.
    std::string complaint;
    Picture picture;

    bool Converts() const { return complaint.empty(); }
};

// A PNG or JPEG file's road cut in two, for rows that come from outside,
// between calls (the page's, from the browser): every check made before
// decoding, then the rows, then the picture or its complaint.
class PendingPicture {
public:
    // bytes and fileLength as LoadPictureBytes takes them, of a PNG or JPEG
    // file.
    PendingPicture(std::span<const std::uint8_t> bytes, std::int64_t fileLength, const PictureOptions& options);

    // The size its rows must come at, top row first; nothing when the file
    // is refused without them.
    std::optional<PictureSize> Wanted() const;
    // Where the rows go, while they are Wanted.
    RgbaRows& Rows() { return *builder_; }
    // The picture, or the complaint: the checks', else that of an
    // undecodable file when the rows did not all come or decoded is false.
    LoadedPicture Finish(bool decoded);

private:
    // The checks' complaint, or an empty text; notes the size and the plan.
    std::string Check(std::span<const std::uint8_t> bytes, std::int64_t fileLength);

    PictureFormat format_;
    PictureOptions options_;
    std::string refused_;
    PictureSize size_;
    PicturePlan plan_;
    std::optional<PictureBuilder> builder_;
};

// How many bytes of a file LoadPictureBytes needs, judged from its first
// bytes (start) and its length: all of a PNG or JPEG file, only what a BMP's
// pixels need, and no more than start when the file is refused on them.
std::int64_t PictureBytesWanted(std::span<const std::uint8_t> start, std::int64_t fileLength,
                                const PictureOptions& options);

// Decodes a picture file held in memory (bytes are the start of a file of
// fileLength bytes, as far as PictureBytesWanted asked), turns it as its
// EXIF block and the options say, lays it over the background, sizes it
// and puts its colours in the panel's order. A file that is neither PNG nor
// JPEG is judged as a BMP: by the checks of every BMP, or, to be scaled or
// split, of a picture.
LoadedPicture LoadPictureBytes(std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                               PictureDecoder& decoder, const PictureOptions& options);

// What the test card's table is labelled unless a label is given.
inline constexpr std::string_view kTestCardLabel = "testcard";

// The test card of size (each side from 1 to kMaxBoxSide) made ready for
// its table as a picture would be.
LoadedPicture LoadTestCard(PictureSize size, const PictureOptions& options);

// Writes the picture's tables on the host, labelled label (refused when it
// holds a control character), as a BMP's table is written: one table, or,
// when split and over one table's limit, one for each band of rows. The
// picture must pass OutputComplaint.
void ConvertPicture(ConverterHost& host, const std::string& label, const Picture& picture,
                    const PictureOptions& options);

// The exact length of what ConvertPicture writes, as RunOutputLength.
std::size_t PictureOutputLength(const std::string& label, const Picture& picture, const PictureOptions& options,
                                bool byteTable, std::size_t lineEndLength);

}  // namespace bmp2cdata
