// A fixed ring of events that any thread may fill and any thread may empty without
// locks or allocation: the loaders hand parameter changes and out-events between the
// host's threads and the audio thread through it. Each cell carries a sequence
// number that tells producers and consumers whose turn it is, so a slot is never
// read half-written. When the ring is full, push answers false and the caller decides
// what is lost.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

template <typename T, size_t Capacity>
class EventRing {
  static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "capacity a power of two");

 public:
  EventRing() {
    for (size_t i = 0; i < Capacity; i++) cells_[i].sequence.store(i, std::memory_order_relaxed);
  }
  EventRing(const EventRing&) = delete;
  EventRing& operator=(const EventRing&) = delete;

  bool push(const T& value) {
    size_t position = tail_.load(std::memory_order_relaxed);
    for (;;) {
      Cell& cell = cells_[position & (Capacity - 1)];
      const size_t sequence = cell.sequence.load(std::memory_order_acquire);
      const intptr_t turn = static_cast<intptr_t>(sequence) - static_cast<intptr_t>(position);
      if (turn == 0) {
        if (tail_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
          cell.value = value;
          cell.sequence.store(position + 1, std::memory_order_release);
          return true;
        }
      } else if (turn < 0) {
        return false;  // full
      } else {
        position = tail_.load(std::memory_order_relaxed);
      }
    }
  }

  bool pop(T* value) {
    size_t position = head_.load(std::memory_order_relaxed);
    for (;;) {
      Cell& cell = cells_[position & (Capacity - 1)];
      const size_t sequence = cell.sequence.load(std::memory_order_acquire);
      const intptr_t turn = static_cast<intptr_t>(sequence) - static_cast<intptr_t>(position + 1);
      if (turn == 0) {
        if (head_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
          *value = cell.value;
          cell.sequence.store(position + Capacity, std::memory_order_release);
          return true;
        }
      } else if (turn < 0) {
        return false;  // empty
      } else {
        position = head_.load(std::memory_order_relaxed);
      }
    }
  }

 private:
  struct Cell {
    std::atomic<size_t> sequence;
    T value;
  };
  Cell cells_[Capacity];
  std::atomic<size_t> tail_{0};
  std::atomic<size_t> head_{0};
};
