// What the page's script sees of the converter: how much of a file to read,
// and one call that converts the bytes read into everything the page shows.

#include "BmpDecode.h"
#include "PageConversion.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cmath>

using emscripten::val;

namespace {

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

// A copy in a Uint8Array of its own, which outlives the module's memory.
val CopiedBytes(const std::vector<std::uint8_t>& bytes)
{
    return val(emscripten::typed_memory_view(bytes.size(), bytes.data())).call<val>("slice");
}

val ToScript(const PageConversion& conversion)
{
    val preview = val::object();
    preview.set("width", conversion.preview.width);
    preview.set("height", conversion.preview.height);
    preview.set("size", conversion.preview.size);
    preview.set("verdict", conversion.preview.verdict);
    preview.set("rgba", CopiedBytes(conversion.rgba));
    val result = val::object();
    result.set("output", conversion.output);
    result.set("table", conversion.table ? val(*conversion.table) : val::null());
    result.set("label", conversion.label);
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
