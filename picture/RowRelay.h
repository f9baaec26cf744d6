#pragma once

#include "PictureDecoder.h"
#include "Prefault.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace bmp2cdata {

// Hands a decoder's rows on to another RgbaRows on a thread of its own, so
// that summing a row into a fitted picture overlaps decoding the next one.
// Rows of 8-bit samples and of the expected length travel in batches
// through a small ring of buffers, in order; any other row waits until the
// thread has caught up, and is handed on directly.
class RowRelay final : public RgbaRows {
public:
    // rowBytes is the length every sound row has.
    RowRelay(RgbaRows& target, std::size_t rowBytes);
    ~RowRelay() override;
    RowRelay(const RowRelay&) = delete;
    RowRelay& operator=(const RowRelay&) = delete;

    void AddRow(std::span<const std::uint8_t> rgba) override;
    void AddRow(std::span<const std::uint16_t> rgba) override;
    void AddPassRow(int pass, std::span<const std::uint8_t> rgba) override;
    void AddPassRow(int pass, std::span<const std::uint16_t> rgba) override;
    std::span<std::uint8_t> NextRowRoom(std::size_t length) override;

    // Returns once every row has reached the target, and its thread has
    // ended; throws what the target threw there.
    void Finish();

private:
    // Batch index's first byte, and its number of rows.
    std::uint8_t* Batch(std::size_t index) { return ring_.data() + index * rowsPerBatch_ * rowBytes_; }
    void Publish();
    void Stop();
    void WaitUntilCaughtUp();
    void HandOn();
    bool TakeBatch();
    void HandOnBatch(std::size_t index);

    RgbaRows& target_;
    std::size_t rowBytes_;
    std::size_t rowsPerBatch_;
    LargeBytes ring_;
    std::vector<std::size_t> rowsIn_;
    std::size_t filling_ = 0;
    std::size_t taking_ = 0;
    // Batches ever published and ever handed on: the thread has caught up
    // when they are equal.
    std::size_t published_ = 0;
    std::size_t handedOn_ = 0;
    bool finishing_ = false;
    std::exception_ptr failure_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

// Calls decode with rows, through a RowRelay where a second thread can be
// started and the picture is large enough to gain by it; gives decode's
// result.
bool DecodeAlongside(PictureSize size, RgbaRows& rows, const std::function<bool(RgbaRows&)>& decode);

}  // namespace bmp2cdata
