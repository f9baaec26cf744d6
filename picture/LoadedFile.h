#pragma once

// The one road from a file's bytes to its table, for every front end that
// takes pictures: how much of the file to read, the check and decode, the
// table, and the preview. A BMP file without picture options takes the road
// BMP files always took; anything else the road of a picture.

#include "ConvertBmpFile.h"
#include "ConvertPicture.h"
#include "PreviewContent.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bmp2cdata {

class ConverterHost;

// How many bytes of a file it is worth having read, judged from those read
// so far (head) and the file's length (nothing for a stream, whose length
// shows only at its end): more than head holds while the format, the size
// or the file's road asks for more; one byte beyond the longest file that
// converts, for a stream, so that a longer one is refused unread.
std::int64_t BytesToRead(std::span<const std::uint8_t> head, std::optional<std::int64_t> length,
                         const PictureOptions& options);

// Reads up to the given count of bytes, fewer only at the end of the
// stream; nothing when it cannot be read.
using StreamReader = std::function<std::optional<std::vector<std::uint8_t>>(std::size_t count)>;

// A file checked and decoded, ready for its table, or the one line of
// complaint a run gives for it. Move-only, since a BMP image points into the
// bytes it owns.
class LoadedFile {
public:
    // bytes are the start of a file of fileLength bytes, as far as
    // BytesToRead asked; its table is labelled label, and a label that would
    // break the source is refused before any decoding.
    LoadedFile(std::span<const std::uint8_t> bytes, std::int64_t fileLength, const std::string& label,
               PictureDecoder& decoder, const PictureOptions& options);
    // The same for a whole file read into memory, kept without a copy.
    LoadedFile(BmpFileBytes file, const std::string& label, PictureDecoder& decoder, const PictureOptions& options);
    // A file refused before it was read.
    LoadedFile(std::string complaint, const std::string& label);
    // A picture made without a file, such as the test card.
    LoadedFile(LoadedPicture picture, const std::string& label, const PictureOptions& options);

    // Why the file does not convert; empty when it does.
    const std::string& Complaint() const { return complaint_; }
    const std::string& Label() const { return label_; }
    std::int32_t Width() const;
    std::int32_t Height() const;
    // Writes the table, or the complaint, on the host.
    void Convert(ConverterHost& host) const;
    // The exact length of what Convert writes for a file that converts, as
    // RunOutputLength.
    std::size_t OutputLength(bool rgb332, std::size_t lineEndLength) const;
    // What to warn of a table that converts: one whose amount does not fit
    // 16 bits, as a BMP file's without picture options may be.
    std::optional<std::string> Warning() const;
    // What a preview shows of the file packed for rgb332 or not.
    PreviewContent Preview(bool rgb332) const;

private:
    // Checks and decodes bytes, keeping a BMP file's own bytes (owned, when
    // given, holds them and is moved from).
    void Load(std::span<const std::uint8_t> bytes, std::int64_t fileLength, PictureDecoder& decoder,
              const PictureOptions& options, BmpFileBytes* owned);

    std::string complaint_;
    std::string label_;
    std::optional<LoadedBmp> bmp_;
    Picture picture_;
    PictureOptions options_;
};

// Reads the file at path (UTF-8) as far as BytesToRead asks and loads it;
// "Could not find file PATH" when it cannot be read.
LoadedFile LoadFile(const std::string& path, const std::string& label, PictureDecoder& decoder,
                    const PictureOptions& options);

// Reads a stream as far as BytesToRead asks and loads it; complaint when it
// cannot be read.
LoadedFile LoadStream(const StreamReader& read, const std::string& complaint, const std::string& label,
                      PictureDecoder& decoder, const PictureOptions& options);

}  // namespace bmp2cdata
