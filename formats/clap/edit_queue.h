// Editor edits on their way to the host: a fixed ring that the user-interface thread
// fills and the thread that runs process (or flush) empties, without locks.
#pragma once

#include <atomic>
#include <cstdint>

namespace zarnith {

struct EditEvent {
  enum Kind : uint8_t { kBegin, kValue, kEnd };
  Kind kind;
  uint32_t id;
  double value;
};

class EditQueue {
 public:
  static const uint32_t kCapacity = 1024;  // a power of two

  // Producer side. Answers false when the ring is full and the edit is dropped.
  bool push(const EditEvent& event) {
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) >= kCapacity) return false;
    ring_[tail & (kCapacity - 1)] = event;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }

  // Consumer side: the oldest edit, if any.
  bool peek(EditEvent* event) const {
    const uint32_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return false;
    *event = ring_[head & (kCapacity - 1)];
    return true;
  }
  void pop() { head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

 private:
  EditEvent ring_[kCapacity];
  std::atomic<uint32_t> head_{0};
  std::atomic<uint32_t> tail_{0};
};

}  // namespace zarnith
