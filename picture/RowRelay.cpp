#include "RowRelay.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <system_error>

namespace bmp2cdata {

namespace {

// Three batches: one filling, one being handed on, one ready between them.
constexpr std::size_t kBatches = 3;
// Small enough for the ring to stay in the second-level cache of most
// processors, large enough that the threads rarely have to wake each other.
constexpr std::size_t kBatchBytes = std::size_t{256} << 10;
// Below this, starting a thread costs about what it saves.
constexpr std::uint64_t kSmallestRelayedPixels = std::uint64_t{1} << 18;
// Rows longer than a batch would make the ring as large as the rows.
constexpr std::size_t kLongestRelayedRow = kBatchBytes;

#ifndef __EMSCRIPTEN__
// Whether decoding a picture of size gains more from a second thread than
// starting it costs, with rows short enough to keep the ring small.
bool WorthRelaying(PictureSize size)
{
    return size.Area() >= kSmallestRelayedPixels && std::uint64_t{size.width} * 4 <= kLongestRelayedRow &&
           std::thread::hardware_concurrency() != 1;
}
#endif

}  // namespace

RowRelay::RowRelay(RgbaRows& target, std::size_t rowBytes)
    : target_(target),
      rowBytes_(rowBytes),
      rowsPerBatch_(std::max<std::size_t>(1, kBatchBytes / std::max<std::size_t>(1, rowBytes))),
      ring_(kBatches * rowsPerBatch_ * rowBytes_), rowsIn_(kBatches)
{
    thread_ = std::thread(&RowRelay::HandOn, this);
}

RowRelay::~RowRelay()
{
    Stop();
}

void RowRelay::Stop()
{
    if (!thread_.joinable())
        return;
    {
        const std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void RowRelay::AddRow(std::span<const std::uint8_t> rgba)
{
    if (rgba.size() != rowBytes_) {
        WaitUntilCaughtUp();
        target_.AddRow(rgba);
        return;
    }
    std::uint8_t* room = Batch(filling_) + rowsIn_[filling_] * rowBytes_;
    if (rgba.data() != room)
        std::memcpy(room, rgba.data(), rowBytes_);
    if (++rowsIn_[filling_] == rowsPerBatch_)
        Publish();
}

std::span<std::uint8_t> RowRelay::NextRowRoom(std::size_t length)
{
    if (length != rowBytes_)
        return {};
    return {Batch(filling_) + rowsIn_[filling_] * rowBytes_, rowBytes_};
}

void RowRelay::AddRow(std::span<const std::uint16_t> rgba)
{
    WaitUntilCaughtUp();
    target_.AddRow(rgba);
}

void RowRelay::AddPassRow(int pass, std::span<const std::uint8_t> rgba)
{
    WaitUntilCaughtUp();
    target_.AddPassRow(pass, rgba);
}

void RowRelay::AddPassRow(int pass, std::span<const std::uint16_t> rgba)
{
    WaitUntilCaughtUp();
    target_.AddPassRow(pass, rgba);
}

// The batch being filled goes to the thread; the next one is filled once
// the thread has handed it on.
void RowRelay::Publish()
{
    std::unique_lock lock(mutex_);
    ++published_;
    changed_.notify_all();
    filling_ = (filling_ + 1) % kBatches;
    changed_.wait(lock, [this] { return published_ - handedOn_ < kBatches; });
}

void RowRelay::WaitUntilCaughtUp()
{
    if (rowsIn_[filling_] > 0)
        Publish();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return handedOn_ == published_; });
}

void RowRelay::Finish()
{
    WaitUntilCaughtUp();
    Stop();
    if (failure_)
        std::rethrow_exception(failure_);
}

// The thread: each published batch, in order, until told to finish.
void RowRelay::HandOn()
{
    while (TakeBatch()) {
        if (!failure_) {
            try {
                HandOnBatch(taking_);
            } catch (...) {
                failure_ = std::current_exception();
            }
        }
        rowsIn_[taking_] = 0;
        taking_ = (taking_ + 1) % kBatches;
        {
            const std::lock_guard lock(mutex_);
            ++handedOn_;
        }
        changed_.notify_all();
    }
}

// Waits for a batch to hand on; false once told to finish with none left.
bool RowRelay::TakeBatch()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return published_ > handedOn_ || finishing_; });
    return published_ > handedOn_;
}

void RowRelay::HandOnBatch(std::size_t index)
{
    for (std::size_t row = 0; row < rowsIn_[index]; ++row)
        target_.AddRow(std::span<const std::uint8_t>(Batch(index) + row * rowBytes_, rowBytes_));
}

bool DecodeAlongside(PictureSize size, RgbaRows& rows, const std::function<bool(RgbaRows&)>& decode)
{
#ifndef __EMSCRIPTEN__  // the page's module runs on one thread
    std::optional<RowRelay> relay;
    try {
        if (WorthRelaying(size))
            relay.emplace(rows, std::size_t{size.width} * 4);
    } catch (const std::system_error&) {
        // Without a second thread, the rows are fitted as they come.
    }
    if (relay) {
        const bool decoded = decode(*relay);
        relay->Finish();
        return decoded;
    }
#else
    (void)size;
#endif
    return decode(rows);
}

}  // namespace bmp2cdata
