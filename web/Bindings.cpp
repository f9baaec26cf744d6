// What the page's script sees of the converter: how much of a file to read,
// and one call that converts the bytes read into everything the page shows.

#include "BmpDecode.h"
#include "PageConversion.h"

#include <emscripten/bind.h>
#include <emscripten/emscripten.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cmath>

using emscripten::val;

// The browser's own decoder, on UTF-8 text in the module's memory: on a large
// table many times faster than embind's conversion of a std::string, which
// walks it byte by byte in script.
EM_JS(emscripten::EM_VAL, DecodeUtf8, (const char* text, std::size_t length), {
    return Emval.toHandle(new TextDecoder().decode(HEAPU8.subarray(text, text + length)));
});

namespace {

val TextOf(std::string_view text)
{
    return val::take_ownership(DecodeUtf8(text.data(), text.size()));
}

// A file's length as JavaScript gives it (File.size, a double), as a count.
std::int64_t LengthFromScript(double length)
{
    constexpr double kLargestExact = 9007199254740992.0;  // 2^53
    if (!(length > 0))
        return 0;
    return static_cast<std::int64_t>(std::min(std::floor(length), kLargestExact));
}

double BytesToRead(double fileLength)
{
    return static_cast<double>(BytesWorthReading(LengthFromScript(fileLength)));
}

// A copy in a Uint8Array of its own, which stays valid whatever the module
// does with its memory afterwards.
val CopiedBytes(const std::vector<std::uint8_t>& bytes)
{
    return val(emscripten::typed_memory_view(bytes.size(), bytes.data())).call<val>("slice");
}

val ToScript(const PageConversion& conversion)
{
    val preview = val::object();
    preview.set("width", conversion.preview.width);
    preview.set("height", conversion.preview.height);
    preview.set("size", TextOf(conversion.preview.size));
    preview.set("verdict", TextOf(conversion.preview.verdict));
    preview.set("rgba", CopiedBytes(conversion.rgba));
    // The table is the start of the output: each byte is decoded once.
    const std::string_view output = conversion.output;
    const std::size_t tableLength = conversion.tableLength.value_or(0);
    const val table = TextOf(output.substr(0, tableLength));
    val result = val::object();
    result.set("output", table.call<val>("concat", TextOf(output.substr(tableLength))));
    result.set("table", conversion.tableLength ? table : val::null());
    result.set("label", TextOf(conversion.label));
    result.set("preview", preview);
    return result;
}

// convert(name, bytes, fileLength, options): bytes is a Uint8Array holding
// the first bytesToRead(fileLength) bytes of the file (fewer if the file
// gave fewer); options is {rgb332: boolean}.
val Convert(const std::string& name, const val& bytes, double fileLength, const val& options)
{
    const std::vector<std::uint8_t> head = emscripten::convertJSArrayToNumberVector<std::uint8_t>(bytes);
    PageOptions pageOptions;
    pageOptions.rgb332 = options["rgb332"].isTrue();
    return ToScript(ConvertForPage(name, head, LengthFromScript(fileLength), pageOptions));
}

val Unreadable(const std::string& name)
{
    return ToScript(UnreadableForPage(name));
}

}  // namespace

EMSCRIPTEN_BINDINGS(bmp2cdata)
{
    emscripten::function("bytesToRead", &BytesToRead);
    emscripten::function("convert", &Convert);
    emscripten::function("unreadable", &Unreadable);
}
