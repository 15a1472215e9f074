#pragma once
// Empty element-set records with room for their lines, made on a second thread while the
// first is still reading and inflating a large file. Allocating a record's three strings
// (and the fresh memory under them) costs more than parsing its lines; with the room made
// beforehand, the parse only copies the lines in. The parse takes records from the front,
// the second thread makes room from the back, a block at a time, until they meet.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "orbit/tle_file.h"

namespace orvanta {

class RecordStock {
public:
    // Room for about `expected` records; none (every record made as it is taken) when no
    // thread can be had.
    explicit RecordStock(std::size_t expected);
    ~RecordStock();
    RecordStock(const RecordStock&) = delete;
    RecordStock& operator=(const RecordStock&) = delete;

    // The record with index i, taken in order from 0 by one thread only: an empty record,
    // perhaps with room in its strings.
    TleRecord& Take(std::size_t i) {
        return i < taken_ && i < records_.size() ? records_[i] : TakeMore(i);
    }
    // The first `used` records; the stock is spent.
    std::vector<TleRecord> Finish(std::size_t used);

private:
    static constexpr std::uint64_t kBlock = 64;  // records claimed at a time

    TleRecord& TakeMore(std::size_t i);
    void Run(std::size_t expected);
    void Join();

    std::vector<TleRecord> records_;  // sized by the thread before ready_
    std::atomic<bool> ready_{false}, stop_{false};
    // Front (records the parse has claimed) in the high half, back (the lowest record the
    // thread has claimed) in the low half; each side moves only its own end.
    std::atomic<std::uint64_t> bounds_{0};
    std::size_t taken_ = 0;  // the parse's claimed front
    bool met_ = false;
    std::thread worker_;
};

}  // namespace orvanta
