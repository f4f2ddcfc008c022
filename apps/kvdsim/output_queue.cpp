#include "output_queue.h"

#include <algorithm>

namespace kvdsim {

void OutputQueue::Append(const uint8_t* bytes, std::size_t count) {
    bytes_.insert(bytes_.end(), bytes, bytes + count);
    appended_ += count;
}

void OutputQueue::MarkGap() {
    if (gaps_.empty() || gaps_.back() != appended_) gaps_.push_back(appended_);
}

std::size_t OutputQueue::Writable() const {
    if (gaps_.empty()) return Pending();
    return static_cast<std::size_t>(std::min<uint64_t>(Pending(), gaps_.front() - taken_));
}

void OutputQueue::Consume(std::size_t count) {
    count = std::min(count, Writable());
    head_ += count;
    taken_ += count;
    if (head_ == bytes_.size()) {
        bytes_.clear();
        head_ = 0;
    } else if (head_ > 65536 && head_ * 2 > bytes_.size()) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<long>(head_));
        head_ = 0;
    }
}

void OutputQueue::PassGap() {
    while (AtGap()) gaps_.pop_front();
}

void OutputQueue::Clear() {
    taken_ = appended_;
    bytes_.clear();
    head_ = 0;
    gaps_.clear();
}

std::vector<uint8_t> OutputQueue::TakeAll() {
    std::vector<uint8_t> all(bytes_.begin() + static_cast<long>(head_), bytes_.end());
    Clear();
    return all;
}

}  // namespace kvdsim
