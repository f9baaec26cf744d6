#include "RowRelay.h"

#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

using namespace bmp2cdata;

namespace {

// Writes down each row it is handed, with what kind of row it was.
class RowLog : public RgbaRows {
public:
    void AddRow(std::span<const std::uint8_t> rgba) override { Note("8", rgba); }
    void AddRow(std::span<const std::uint16_t> rgba) override { Note("16", rgba); }
    void AddPassRow(int pass, std::span<const std::uint8_t> rgba) override { Note("pass" + std::to_string(pass), rgba); }
    void AddPassRow(int pass, std::span<const std::uint16_t> rgba) override { Note("pass" + std::to_string(pass), rgba); }

    std::vector<std::string> rows;
    std::size_t throwAt = SIZE_MAX;

private:
    template <typename Sample>
    void Note(const std::string& kind, std::span<const Sample> rgba)
    {
        if (rows.size() == throwAt)
            throw std::runtime_error("the target failed");
        rows.push_back(kind + ":" + std::to_string(rgba.size()) + ":" + std::to_string(rgba.empty() ? 0 : rgba[0]));
    }
};

}  // namespace

TEST(RowRelay, HandsOnEveryRowInOrderWhateverItsKind)
{
    // A row of 100 KiB: a batch holds two, so rows cross many batches.
    constexpr std::size_t kRowBytes = 100 << 10;
    RowLog log;
    std::vector<std::string> expected;
    RowRelay relay(log, kRowBytes);
    std::vector<std::uint8_t> row(kRowBytes);
    for (int index = 0; index < 13; ++index) {
        // Every third row is decoded where the relay offers room for it.
        const std::span<std::uint8_t> room = relay.NextRowRoom(index % 3 == 0 ? kRowBytes : 0);
        const std::span<std::uint8_t> decoded = room.empty() ? std::span<std::uint8_t>(row) : room;
        decoded[0] = static_cast<std::uint8_t>(index);
        relay.AddRow(std::span<const std::uint8_t>(decoded));
        expected.push_back("8:102400:" + std::to_string(index));
    }
    const std::vector<std::uint8_t> shortRow(8, 99);
    const std::vector<std::uint16_t> wideRow(4, 7);
    relay.AddRow(std::span<const std::uint8_t>(shortRow));
    relay.AddRow(std::span<const std::uint16_t>(wideRow));
    relay.AddPassRow(3, std::span<const std::uint8_t>(shortRow));
    row[0] = 42;
    relay.AddRow(std::span<const std::uint8_t>(row));
    expected.insert(expected.end(), {"8:8:99", "16:4:7", "pass3:8:99", "8:102400:42"});
    relay.Finish();
    EXPECT_EQ(log.rows, expected);
}

TEST(RowRelay, FinishThrowsWhatTheTargetThrewOnItsThread)
{
    RowLog log;
    log.throwAt = 5;
    RowRelay relay(log, 4);
    const std::vector<std::uint8_t> row(4);
    for (int index = 0; index < 100000; ++index)
        relay.AddRow(std::span<const std::uint8_t>(row));
    EXPECT_THROW(relay.Finish(), std::runtime_error);
    EXPECT_EQ(log.rows.size(), 5u);
}
