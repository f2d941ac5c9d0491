// Hands items from one thread to another, first in, first out.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

// A ring of at most `capacity` items. Close() wakes every waiter: from then
// on Push refuses and Pop hands out what is left, then nothing. Pushing
// waits while the ring is full; callers that circulate a fixed set of items
// never wait there.
template <typename T>
class BlockQueue {
  public:
    explicit BlockQueue(size_t capacity) : ring_(capacity) {}

    // False when the queue is closed; the item is dropped.
    bool Push(T item) {
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [&] { return closed_ || size_ < ring_.size(); });
        if (closed_) return false;
        ring_[(front_ + size_++) % ring_.size()] = std::move(item);
        notEmpty_.notify_one();
        return true;
    }

    // Nothing once the queue is closed and empty.
    std::optional<T> Pop() {
        std::unique_lock lock(mutex_);
        notEmpty_.wait(lock, [&] { return closed_ || size_ > 0; });
        if (size_ == 0) return std::nullopt;
        std::optional<T> item(std::move(ring_[front_]));
        front_ = (front_ + 1) % ring_.size();
        --size_;
        notFull_.notify_one();
        return item;
    }

    void Close() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        notFull_.notify_all();
        notEmpty_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable notFull_, notEmpty_;
    std::vector<T> ring_;
    size_t front_ = 0;
    size_t size_ = 0;
    bool closed_ = false;
};
