// What the page's script sees of the converter: how much of a file to read,
// one call that converts the bytes read into everything the page shows (or
// asks the browser to decode a picture first), the test card, and the check
// of the fields.

#include "PageConversion.h"

#include <emscripten/bind.h>
#include <emscripten/emscripten.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

using namespace bmp2cdata;

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

// Copies a Uint8Array into bytes, reusing their room.
void CopyInto(const val& array, std::vector<std::uint8_t>& bytes)
{
    bytes.resize(array["length"].as<std::size_t>());
    val(emscripten::typed_memory_view(bytes.size(), bytes.data())).call<void>("set", array);
}

std::vector<std::uint8_t> BytesFromScript(const val& array)
{
    std::vector<std::uint8_t> bytes;
    CopyInto(array, bytes);
    return bytes;
}

// The choice a select gives as text, or the first of the choices when it
// is none of them.
template <typename Choice, std::size_t Count>
Choice ChoiceOf(const val& value, const std::pair<std::string_view, Choice> (&choices)[Count])
{
    const std::string text = value.isString() ? value.as<std::string>() : std::string();
    for (const auto& [name, choice] : choices)
        if (name == text)
            return choice;
    return choices[0].second;
}

constexpr std::pair<std::string_view, Sizing> kSizings[] = {
    {"fit", Sizing::Fit}, {"fill", Sizing::Fill}, {"pad", Sizing::Pad}};
constexpr std::pair<std::string_view, Dither> kDithers[] = {
    {"none", Dither::None}, {"fs", Dither::FloydSteinberg}, {"ordered", Dither::Ordered}};
constexpr std::pair<std::string_view, std::uint32_t> kTurns[] = {
    {"0", 0}, {"90", 1}, {"180", 2}, {"270", 3}};

// options is {rgb332, box, sizing, rotate, mirror, bgr, dither, background,
// label}: the text of the size field; "fit", "fill" or "pad"; the degrees
// clockwise as text ("0", "90", "180" or "270"); "none", "fs" or
// "ordered"; the colour as a number, 0xRRGGBB; the text of the label
// field, or null to label the table after the file; the rest booleans.
PageOptions OptionsFromScript(const val& options)
{
    PageOptions pageOptions;
    pageOptions.rgb332 = options["rgb332"].isTrue();
    const val box = options["box"];
    pageOptions.box = box.isString() ? box.as<std::string>() : std::string();
    pageOptions.sizing = ChoiceOf(options["sizing"], kSizings);
    pageOptions.quarterTurns = ChoiceOf(options["rotate"], kTurns);
    pageOptions.mirror = options["mirror"].isTrue();
    pageOptions.bgr = options["bgr"].isTrue();
    pageOptions.dither = ChoiceOf(options["dither"], kDithers);
    const val background = options["background"];
    const auto colour = background.isNumber() ? background.as<std::uint32_t>() : 0;
    pageOptions.background = {static_cast<std::uint8_t>(colour >> 16), static_cast<std::uint8_t>(colour >> 8),
                              static_cast<std::uint8_t>(colour)};
    const val label = options["label"];
    if (label.isString())
        pageOptions.label = label.as<std::string>();
    return pageOptions;
}

// bytesToRead(head, fileLength, options): how many of the file's first
// bytes to read, given the Uint8Array head read so far.
double BytesToRead(const val& head, double fileLength, const val& options)
{
    return static_cast<double>(PageBytesToRead(BytesFromScript(head), LengthFromScript(fileLength),
                                               OptionsFromScript(options)));
}

// A copy in a Uint8Array of its own, which stays valid whatever the module
// does with its memory afterwards.
val CopiedBytes(const std::vector<std::uint8_t>& bytes)
{
    return val(emscripten::typed_memory_view(bytes.size(), bytes.data())).call<val>("slice");
}

// The preview's pixels as red, green, blue and opaque alpha bytes, the order
// a canvas takes.
std::vector<std::uint8_t> RgbaOf(const std::vector<std::uint32_t>& pixels)
{
    constexpr std::uint8_t kOpaque = 0xFF;
    std::vector<std::uint8_t> rgba;
    rgba.reserve(pixels.size() * 4);
    for (const std::uint32_t pixel : pixels) {
        rgba.push_back(static_cast<std::uint8_t>(pixel >> 16));
        rgba.push_back(static_cast<std::uint8_t>(pixel >> 8));
        rgba.push_back(static_cast<std::uint8_t>(pixel));
        rgba.push_back(kOpaque);
    }
    return rgba;
}

val ToScript(const PageConversion& conversion)
{
    val preview = val::object();
    preview.set("width", conversion.preview.width);
    preview.set("height", conversion.preview.height);
    preview.set("size", TextOf(conversion.preview.size));
    preview.set("verdict", TextOf(conversion.preview.verdict));
    preview.set("rgba", CopiedBytes(RgbaOf(conversion.preview.pixels)));
    // The table is the start of the output: each byte is decoded once.
    const std::string_view output = conversion.output;
    const std::size_t tableLength = conversion.tableLength.value_or(0);
    const val table = TextOf(output.substr(0, tableLength));
    val result = val::object();
    result.set("output", table.call<val>("concat", TextOf(output.substr(tableLength))));
    result.set("table", conversion.tableLength ? table : val::null());
    result.set("label", TextOf(conversion.label));
    result.set("tables", conversion.tables);
    result.set("note", TextOf(conversion.note));
    result.set("preview", preview);
    val decode = val::null();
    if (conversion.decode) {
        decode = val::object();
        decode.set("type", conversion.decode == PictureFormat::Png ? "image/png" : "image/jpeg");
        decode.set("bytes", CopiedBytes(conversion.bytesToDecode));
    }
    result.set("decode", decode);
    return result;
}

// convert(name, bytes, fileLength, options): bytes is a Uint8Array holding
// the first bytesToRead bytes of the file (fewer if the file gave fewer).
// When result.decode is set, the browser decodes result.decode.bytes and a
// Decoding takes its rows.
val Convert(const std::string& name, const val& bytes, double fileLength, const val& options)
{
    return ToScript(ConvertForPage(name, BytesFromScript(bytes), LengthFromScript(fileLength), OptionsFromScript(options)));
}

// new Decoding(name, bytes, fileLength, options, size): the conversion
// again, taking the browser's decode, size {width, height} (null when the
// browser could not decode the file), a strip at a time: nextStrip() gives
// {firstRow, rowCount}, a count of 0 once no more rows are wanted;
// takeStrip(rgba) takes a Uint8Array of those rows' samples; finish() gives
// the result, as convert does. Deleted with delete().
class ScriptDecoding {
public:
    ScriptDecoding(const std::string& name, const val& bytes, double fileLength, const val& options, const val& size)
        : decoding_(name, BytesFromScript(bytes), LengthFromScript(fileLength), OptionsFromScript(options),
                    SizeFromScript(size))
    {
    }

    val NextStrip() const
    {
        const PageDecoding::Strip strip = decoding_.NextStrip();
        val next = val::object();
        next.set("firstRow", strip.firstRow);
        next.set("rowCount", strip.rowCount);
        return next;
    }

    void TakeStrip(const val& rgba)
    {
        CopyInto(rgba, strip_);
        decoding_.TakeStrip(strip_);
    }

    val Finish() { return ToScript(decoding_.Finish()); }

private:
    static std::optional<PictureSize> SizeFromScript(const val& size)
    {
        if (size.isNull() || size.isUndefined())
            return std::nullopt;
        return PictureSize{size["width"].as<std::uint32_t>(), size["height"].as<std::uint32_t>()};
    }

    PageDecoding decoding_;
    // Reused from strip to strip.
    std::vector<std::uint8_t> strip_;
};

// testCard(options): the test card at the size in options.box, as convert
// gives a file's conversion.
val TestCardOf(const val& options)
{
    return ToScript(TestCardForPage(OptionsFromScript(options)));
}

// checkFields(box, label): what the fields' texts get beside them, each an
// empty text when there is nothing to say: {box, label, labelWarning}.
val CheckFields(const std::string& box, const std::string& label)
{
    val checked = val::object();
    checked.set("box", TextOf(BoxComplaint(box).value_or(std::string())));
    checked.set("label", TextOf(LabelComplaint(label).value_or(std::string())));
    checked.set("labelWarning", TextOf(LabelWarning(label).value_or(std::string())));
    return checked;
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
    emscripten::class_<ScriptDecoding>("Decoding")
        .constructor<const std::string&, const val&, double, const val&, const val&>()
        .function("nextStrip", &ScriptDecoding::NextStrip)
        .function("takeStrip", &ScriptDecoding::TakeStrip)
        .function("finish", &ScriptDecoding::Finish);
    emscripten::function("testCard", &TestCardOf);
    emscripten::function("unreadable", &Unreadable);
    emscripten::function("checkFields", &CheckFields);
}
