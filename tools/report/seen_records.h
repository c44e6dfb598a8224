// Records read before, as 64-bit hashes of their fields in an open-
// addressed table: 8 to 16 bytes a record, to count each record once however
// many logs hold it. Two different records share a hash with a chance of
// about n² / 2^65 (under one in a million for five million records).
#pragma once

#include <cstdint>
#include <vector>

namespace trezik::report {

class SeenRecords {
 public:
  // True when the hash is new (and keeps it), false when it was seen.
  bool Insert(std::uint64_t hash) {
    if (hash == 0) hash = 1;  // 0 marks an empty slot
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      if (slots_[i] == hash) return false;
      if (slots_[i] == 0) {
        slots_[i] = hash;
        ++count_;
        return true;
      }
    }
  }

  bool Contains(std::uint64_t hash) const {
    if (hash == 0) hash = 1;
    if (slots_.empty()) return false;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      if (slots_[i] == hash) return true;
      if (slots_[i] == 0) return false;
    }
  }

  void Merge(const SeenRecords& other) {
    for (std::uint64_t hash : other.slots_) {
      if (hash != 0) Insert(hash);
    }
  }

 private:
  void Grow() {
    std::vector<std::uint64_t> old(slots_.empty() ? 1024 : slots_.size() * 2, 0);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (std::uint64_t hash : old) {
      if (hash == 0) continue;
      std::size_t i = hash & mask;
      while (slots_[i] != 0) i = (i + 1) & mask;
      slots_[i] = hash;
    }
  }

  std::vector<std::uint64_t> slots_;
  std::size_t count_ = 0;
};

}  // namespace trezik::report
