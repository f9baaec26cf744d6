#pragma once

#include "ConvertPicture.h"
#include "Picture.h"
#include "PictureFormat.h"
#include "PictureOptions.h"
#include "PreviewContent.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the page asks of a conversion besides the file.
struct PageOptions {
    bool rgb332 = false;
    // The text of the size field, W × H; empty keeps a picture's size.
    std::string box;
    bmp2cdata::Sizing sizing = bmp2cdata::Sizing::Fit;
    // Quarter turns clockwise, 0 to 3.
    std::uint32_t quarterTurns = 0;
    bool mirror = false;
    bool bgr = false;
    bmp2cdata::Dither dither = bmp2cdata::Dither::None;
    bmp2cdata::RgbColour background = {};
    // The text of the label field; nothing labels the table after the file.
    std::optional<std::string> label;
};

// Everything the page shows after one conversion.
struct PageConversion {
    // The output area's text: the table and the closing lines, or the one
    // line of complaint; every line ends in "\n".
    std::string output;
    // How much of the output the clipboard gets: the table alone, byte for
    // byte what the command line prints; nothing after a complaint.
    std::optional<std::size_t> tableLength;
    // The table's label, which also names the saved file.
    std::string label;
    // How many tables the output holds: 0 after a complaint, more than one
    // for a picture split into bands of rows.
    std::uint32_t tables = 0;
    bmp2cdata::PreviewContent preview;
    // A line on where the page's table may differ from bmp2cdata's, or
    // nothing.
    std::string note;
    // Set, with nothing else, when the file is a PNG or JPEG that passed
    // every check made before decoding and the browser has not decoded it
    // yet: it must decode these bytes, the file's own with any EXIF
    // orientation hidden, and convert again.
    std::optional<bmp2cdata::PictureFormat> decode;
    std::vector<std::uint8_t> bytesToDecode;
};

// How many of a file's first bytes the page must have read before it
// converts, judged from those read so far (head): more than head holds
// while the format, the size or the file's own road asks for more.
std::int64_t PageBytesToRead(std::span<const std::uint8_t> head, std::int64_t fileLength, const PageOptions& options);

// The complaint for the text of the size field, or nothing when it is empty
// or a size that a picture can be brought to.
std::optional<std::string> BoxComplaint(std::string_view text);

// The complaint for the text of the label field when it cannot label a
// table, or nothing.
std::optional<std::string> LabelComplaint(std::string_view label);

// The warning for a label that BASIC would not take, or nothing.
std::optional<std::string> LabelWarning(std::string_view label);

// Converts the file called name (no folder), as a window's Convert button
// would: bytes are its first PageBytesToRead bytes (or all the file gave)
// of fileLength bytes in all; its table is labelled as the options say, or
// after name. A BMP file without picture options takes the road it always
// took; anything else the road of a picture, split into several tables when
// it is over one table's limit, for which a PNG or JPEG file asks for the
// browser's decode, to be handed to a PageDecoding.
PageConversion ConvertForPage(const std::string& name, std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                              const PageOptions& options);

// A conversion of a PNG or JPEG file, for which ConvertForPage asked the
// browser's decode, that takes the decode a strip of rows at a time between
// calls: the page copies each strip into one buffer, so that nothing of a
// large picture piles up in the browser's memory.
class PageDecoding {
public:
    // As ConvertForPage, with the size at which the browser decoded the
    // file, or nothing when it could not.
    PageDecoding(const std::string& name, std::span<const std::uint8_t> bytes, std::int64_t fileLength,
                 const PageOptions& options, std::optional<bmp2cdata::PictureSize> decodedSize);

    // The rows wanted next: a row count of 0 once no more are.
    struct Strip {
        std::uint32_t firstRow = 0;
        std::uint32_t rowCount = 0;
    };
    Strip NextStrip() const;
    // Takes the next strip's red, green, blue and alpha bytes, not
    // premultiplied; fewer when the browser cannot give them, which fails
    // the decode.
    void TakeStrip(std::span<const std::uint8_t> rgba);
    // Everything the page shows, once no more rows are wanted.
    PageConversion Finish();

private:
    PageOptions options_;
    bmp2cdata::PictureOptions pictureOptions_;
    std::string label_;
    bool sixteenBit_ = false;
    std::optional<bmp2cdata::PendingPicture> pending_;
    bool decoded_ = false;
    std::uint32_t nextRow_ = 0;
    std::uint32_t stripRows_ = 0;
};

// Makes the test card at the size in the options' size field, labelled
// "testcard" unless the label field says otherwise, and converts it as a
// picture.
PageConversion TestCardForPage(const PageOptions& options);

// The complaint for a file the browser could not read, as for a path that
// cannot be opened.
PageConversion UnreadableForPage(const std::string& name);
