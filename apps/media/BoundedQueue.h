#pragma once
// A short queue between two threads of the render loop: the producer waits when it is full,
// so decoding never runs more than a few frames ahead, and either side can close it.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace duovis::media {

template <typename T>
class BoundedQueue {
  public:
    explicit BoundedQueue(std::size_t capacity) : capacity_(capacity) {}

    // False when the queue was closed (the consumer gave up), the item dropped.
    bool push(T item) {
        std::unique_lock<std::mutex> lock(m_);
        notFull_.wait(lock, [&] { return closed_ || items_.size() < capacity_; });
        if (closed_) return false;
        items_.push_back(std::move(item));
        notEmpty_.notify_one();
        return true;
    }
    // Empty once the queue is closed and drained.
    std::optional<T> pop() {
        std::unique_lock<std::mutex> lock(m_);
        notEmpty_.wait(lock, [&] { return closed_ || !items_.empty(); });
        if (items_.empty()) return std::nullopt;
        T item = std::move(items_.front());
        items_.pop_front();
        notFull_.notify_one();
        return item;
    }
    void close() {
        std::lock_guard<std::mutex> lock(m_);
        closed_ = true;
        notFull_.notify_all();
        notEmpty_.notify_all();
    }

  private:
    std::size_t capacity_;
    std::mutex m_;
    std::condition_variable notFull_, notEmpty_;
    std::deque<T> items_;
    bool closed_ = false;
};

}  // namespace duovis::media
