// Whole conversions through a recording host: the table text, the pixel
// order, and how the run reacts to what happens inside its event pumps.

#include "BmpDecode.h"
#include "CdataTable.h"
#include "ConvertBmpFile.h"
#include "ConverterHost.h"
#include "Label.h"
#include "PixelPacking.h"
#include "Utf8.h"
#include "support/BmpBuilder.h"
#include "support/RecordingHost.h"
#include "support/WorkedExamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace bmp2cdata;

namespace {


class Conversion : public ::testing::Test {
protected:
    void SetUp() override { StopConversion = false; }
    void TearDown() override { StopConversion = false; }

    // Converts and checks the invariants every converted file keeps.
    void Convert(const std::string& path)
    {
        EXPECT_TRUE(ConvertBmpFile(host, path));
        EXPECT_EQ(host.copies, 1);
    }

    // The values of the data lines, in order.
    std::vector<std::string> Values() const
    {
        std::vector<std::string> values;
        for (std::size_t i = 5; i < host.lines.size() && host.lines[i].starts_with("  "); ++i) {
            std::stringstream line(host.lines[i]);
            for (std::string value; std::getline(line, value, ',');) {
                value.erase(0, value.find_first_not_of(' '));
                if (value != "_")
                    values.push_back(value);
            }
        }
        return values;
    }

    ScratchFolder folder;
    RecordingHost host;
};

TEST_F(Conversion, TablesMatchTheWorkedExamples)
{
    for (const auto& [rgb332, colour, table] : {std::tuple{false, Rgb{255, 255, 255}, kWhiteLogoWordTable},
                                                std::tuple{true, Rgb{255, 0, 0}, kRedLogoByteTable}}) {
        host = RecordingHost{};
        host.rgb332 = rgb332;
        Convert(folder.Write("logo.bmp", {.width = 4, .height = 5, .colour = [shade = colour](int, int) { return shade; }}));
        EXPECT_EQ(host.Text(), table + kClosingLines);
        EXPECT_EQ(host.clipboard, table);
    }
}

// A colour whose 565 packing spells the pixel's position.
Rgb Numbered(int column, int row)
{
    return Rgb{0, static_cast<std::uint8_t>(row << 2), static_cast<std::uint8_t>(column << 3)};
}

TEST_F(Conversion, PackedImageHoldsTheValuesOfARun)
{
    // The dialog's preview draws these values; they must be the table's.
    for (bool rgb332 : {false, true}) {
        SCOPED_TRACE(rgb332);
        host = RecordingHost{};
        host.rgb332 = rgb332;
        const std::vector<std::uint8_t> file = BuildBmp({.width = 5, .height = 3, .filler = 0xFF, .colour = Numbered});
        Convert(folder.WriteBytes("padded.bmp", file));
        std::vector<std::string> packed;
        for (std::uint16_t value : PackImage(DecodeBmp(file).image, rgb332)) {
            char text[8];
            std::snprintf(text, sizeof text, rgb332 ? "$%02X" : "$%04X", value);
            packed.push_back(text);
        }
        EXPECT_EQ(packed, Values());
    }
}

TEST_F(Conversion, ByteTableSplitsCountsWithoutReducingHighParts)
{
    host.rgb332 = true;
    Convert(folder.Write("big.bmp", {.width = 256, .height = 256}));
    EXPECT_EQ(host.lines[1], "' Image data in RGB332 format. Size = 65536 Bytes");
    EXPECT_EQ(host.lines[4],
              "    Cdata as Byte 0, 256, 255, 0, 255, 0,_   ' Amount, (Width - 1) , (Height - 1)");
    EXPECT_EQ(host.lines.size(), 5u + 65536 / 16 + 2);
}

TEST_F(Conversion, CallsTheHostInItsFixedPattern)
{
    Convert(folder.Write("pattern.bmp", {.width = 3, .height = 6}));  // 18 pixels, 2 lines
    std::vector<std::string> expected;
    for (int pixel = 0; pixel < 18; ++pixel) {
        expected.push_back("PumpEvents");
        expected.push_back("Rgb332Selected");
    }
    expected.push_back("Rgb332Selected");
    expected.insert(expected.end(), 5, "AddLine");
    for (int line = 0; line < 2; ++line) {
        expected.push_back("AddLine");
        expected.push_back("PumpEvents");
    }
    expected.insert(expected.end(), {"CopyAllToClipboard", "AddLine", "AddLine", "PumpEvents"});
    EXPECT_EQ(host.calls, expected);
}

TEST_F(Conversion, StopDuringPixelsKeepsHeaderLinesAndClosing)
{
    host.onPump = [](int pump) { StopConversion = pump == 7; };
    Convert(folder.Write("stop.bmp", {.width = 10, .height = 10}));
    // Six pixels were read; the header still speaks of all hundred.
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "Rgb332Selected"), 6 + 1);
    ASSERT_EQ(host.lines.size(), 7u);
    EXPECT_EQ(host.lines[1], "' Image data in RGB565 format. Size = 200 Bytes");
    EXPECT_EQ(host.clipboard, host.Text().substr(0, host.Text().size() - kClosingLines.size()));
    EXPECT_EQ(host.lines[6], kClosingMessage);
}

TEST_F(Conversion, StopDuringDataLinesEndsAfterAWholeLine)
{
    const int pixels = 100;
    host.onPump = [](int pump) { StopConversion = pump == pixels + 2; };  // after line 2
    Convert(folder.Write("stop.bmp", {.width = 10, .height = 10}));
    ASSERT_EQ(host.lines.size(), 5u + 2 + 2);
    EXPECT_TRUE(host.lines[6].ends_with(",_"));
    EXPECT_EQ(host.clipboard, host.Text().substr(0, host.Text().size() - kClosingLines.size()));
}

TEST_F(Conversion, OptionChangesPackingFromTheNextPixel)
{
    // Changed during the third pixel's pump: pixels 1-2 keep the first
    // layout; the final reading picks the table's. Slots hold the pixels
    // reversed.
    const struct {
        bool ticked;
        std::string header;
        std::vector<std::string> values;
    } cases[] = {
        {false, "' Image data in RGB332 format. Size = 4 Bytes", {"$E0", "$E0", "$00", "$00"}},
        {true, "' Image data in RGB565 format. Size = 8 Bytes", {"$F800", "$F800", "$00E0", "$00E0"}},
    };
    for (const auto& c : cases) {
        host = RecordingHost{};
        host.rgb332 = c.ticked;
        host.onPump = [this, &c](int pump) { host.rgb332 = (pump >= 3) != c.ticked; };
        Convert(folder.Write("toggle.bmp", {.width = 4, .height = 1, .colour = [](int, int) { return Rgb{255, 0, 0}; }}));
        EXPECT_EQ(host.lines[1], c.header);
        EXPECT_EQ(Values(), c.values);
    }
}

TEST(Label, IsTheFileNameWithoutItsLastExtension)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/home/ann/pictures/logo.bmp", "logo"},
        {"C:\\Pictures\\logo.bmp", "logo"},
        {"D:logo.bmp", "logo"},
        {"logo", "logo"},
        {"/tmp/splash.screen.bmp", "splash.screen"},
        {"/tmp/dir.d/noext", "noext"},
        {"/tmp/.hidden", ""},
        {"Ünïcode name.BMP", "Ünïcode name"},
    };
    for (const auto& [path, label] : cases)
        EXPECT_EQ(LabelFromPath(path), label) << path;
}

TEST(Label, HoldingAControlCharacterIsRefusedBeforeTheFileIsOpened)
{
    // None of these files exists: only the label's own check can speak.
    for (const std::string name : {"x\nPrint \"injected\"\n'.bmp", "tab\there.bmp", "del\x7F.bmp", "cr\r.bmp"}) {
        RecordingHost host;
        EXPECT_FALSE(ConvertBmpFile(host, "/no/such/" + name)) << name;
        EXPECT_EQ(host.lines, std::vector<std::string>{kSourceBreakingLabelComplaint}) << name;
    }
    // Outside the label, in a folder or the extension, it does no harm.
    for (const std::string path : {"/no/such\n/logo.bmp", "/no/such/logo.b\nmp"}) {
        RecordingHost host;
        ConvertBmpFile(host, path);
        EXPECT_EQ(host.lines, std::vector<std::string>{kNotFoundComplaint + path});
    }
    RecordingHost host;
    const std::vector<std::uint8_t> file = BuildBmp({});
    ConvertBmpBytes(host, "a\nb", file, static_cast<std::int64_t>(file.size()));
    EXPECT_EQ(host.lines, std::vector<std::string>{kSourceBreakingLabelComplaint});
}

TEST(Label, BreaksSourceTextWithAnyControlSeparatorOrBidirectionalControlOrInvalidUtf8)
{
    const char* const refused[] = {
        "a\x1F", "a\x7F",                                            // C0 and DEL
        "\xC2\x80", "a\xC2\x85" "b", "\xC2\x9F",                     // C1: U+0080, U+0085, U+009F
        "\xE2\x80\xA8", "\xE2\x80\xA9",                              // line and paragraph separators
        "\xD8\x9C", "\xE2\x80\x8E", "\xE2\x80\x8F", "\xE2\x80\xAA",  // U+061C, U+200E, U+200F, U+202A
        "x\xE2\x80\xAEgnp.exe", "\xE2\x81\xA6", "\xE2\x81\xA9",      // U+202E, U+2066, U+2069
        "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF",  // overlong forms
        "\xED\xA0\x80", "\xED\xBF\xBF",                              // surrogates
        "a\xE6\x97", "\xE6\x97" "a", "\xF0\x9F\x98", "\x80",         // cut sequences, a lone continuation
        "\xC3\xC3", "\xE6\xE6\x97",                                 // a lead byte where a continuation goes
        "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xF8", "\xFF",      // beyond U+10FFFF, no lead
    };
    for (const std::string label : refused)
        EXPECT_TRUE(BreaksSourceText(label)) << ::testing::PrintToString(label);
    // Each refused range's neighbours, and names in other scripts.
    const char* const accepted[] = {
        "logo", "caf\xC3\xA9", "\xE6\x97\xA5\xE6\x9C\xAC", "\xF0\x9F\x98\x80", "\xC2\xA0", "\xD8\x9B",
        "\xE2\x80\x8D", "\xE2\x80\xA7", "\xE2\x80\xAF", "\xE2\x81\xA5", "\xE2\x81\xAA", "\xED\x9F\xBF",
        "\xEE\x80\x80", "\xF4\x8F\xBF\xBF",
    };
    for (const std::string label : accepted)
        EXPECT_FALSE(BreaksSourceText(label)) << ::testing::PrintToString(label);
}

TEST(Label, AnUnpairedSurrogateOfAWindowsFileNameIsRefusedNotReplaced)
{
    constexpr char16_t kHigh = 0xD83D, kLow = 0xDE00;
    EXPECT_EQ(Utf8FromUtf16(std::u16string{u'a', kHigh, kLow, u'\u00E9'}), "a\xF0\x9F\x98\x80\xC3\xA9");
    const std::u16string unpaired[] = {{u'a', kHigh}, {kLow, u'b'}, {kLow, kHigh}, {kHigh, kHigh, kLow}};
    for (const std::u16string& name : unpaired)
        EXPECT_TRUE(BreaksSourceText(Utf8FromUtf16(name))) << ::testing::PrintToString(Utf8FromUtf16(name));
    EXPECT_EQ(Utf8FromUtf16(std::u16string{u'a', kHigh}), "a\xED\xA0\xBD");
}

TEST(Label, IsABasicNameOnlyWithAsciiLettersDigitsAndUnderscoreStartingWithALetter)
{
    for (const char* name : {"logo", "Logo_2", "x", "A1_b2"})
        EXPECT_TRUE(IsBasicName(name)) << name;
    for (const char* name : {"", "2nd", "_x", "my logo", "2nd-pic", "Z\xC3\xBCrich", "a.b", "x$"})
        EXPECT_FALSE(IsBasicName(name)) << name;
}

}  // namespace
