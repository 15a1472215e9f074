#include "orbit/record_stock.h"

#include <algorithm>
#include <new>
#include <system_error>

namespace orvanta {

namespace {

constexpr std::size_t kLineRoom = 69;  // element lines are cut at column 69
constexpr std::size_t kNameRoom = 24;  // the name column of the usual three-line files
constexpr std::uint64_t kLow = 0xffffffffu;

}  // namespace

RecordStock::RecordStock(std::size_t expected) {
    expected = std::min<std::size_t>(expected, kLow);
    bounds_.store(expected);
    try {
        worker_ = std::thread([this, expected] { Run(expected); });
    } catch (const std::system_error&) {
        bounds_.store(0);  // no thread: every record is made as it is taken
        ready_.store(true);
    }
}

RecordStock::~RecordStock() {
    stop_.store(true);
    Join();
}

void RecordStock::Join() {
    if (worker_.joinable()) worker_.join();
}

void RecordStock::Run(std::size_t expected) {
    try {
        records_.reserve(expected + expected / 4);  // address space only, for shorter sets
        records_.resize(expected);
    } catch (const std::bad_alloc&) {
        bounds_.store(0);
    }
    ready_.store(true);
    ready_.notify_one();
    while (!stop_.load(std::memory_order_relaxed)) {
        std::uint64_t b = bounds_.load();
        const std::uint64_t front = b >> 32, back = b & kLow;
        if (back <= front) return;
        const std::uint64_t low = back - std::min(kBlock, back - front);
        if (!bounds_.compare_exchange_weak(b, front << 32 | low)) continue;
        try {
            for (std::uint64_t j = low; j < back; ++j) {
                TleRecord& r = records_[j];
                r.name.reserve(kNameRoom);
                r.line1.reserve(kLineRoom);
                r.line2.reserve(kLineRoom);
            }
        } catch (const std::bad_alloc&) {
            return;  // the records without room are made as they are filled
        }
    }
}

TleRecord& RecordStock::TakeMore(std::size_t i) {
    if (!met_) {
        ready_.wait(false);
        std::uint64_t b = bounds_.load();
        for (;;) {
            const std::uint64_t back = b & kLow;
            if (back <= i) break;
            const std::uint64_t front = std::min<std::uint64_t>(i + kBlock, back);
            if (bounds_.compare_exchange_weak(b, front << 32 | back)) {
                taken_ = front;
                return records_[i];
            }
        }
        // The rest are the thread's, every one ready once it has stopped.
        met_ = true;
        Join();
        taken_ = records_.size();
        if (i < taken_) return records_[i];
    }
    records_.emplace_back();  // more sets than expected
    taken_ = records_.size();
    return records_.back();
}

std::vector<TleRecord> RecordStock::Finish(std::size_t used) {
    stop_.store(true);
    Join();
    met_ = true;
    taken_ = 0;
    records_.resize(std::min(used, records_.size()));
    return std::move(records_);
}

}  // namespace orvanta
