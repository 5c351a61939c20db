// Helpers of the decoder tests: a Source over bytes that hands them out in small pieces, and
// reading a Source to its end in small pieces too, so every decoder's resumption is exercised; a
// share that lends threads and memory and counts them back.
#pragma once

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>

#include <gtest/gtest.h>

#include "archive/coder.h"
#include "archive/decode_share.h"

namespace qmb::sevenzip {

class BytesSource final : public Source {
 public:
  explicit BytesSource(std::string bytes, size_t piece = 3) : bytes_(std::move(bytes)), piece_(piece) {}
  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = std::min({size, piece_, bytes_.size() - pos_});
    std::copy_n(bytes_.data() + pos_, got, data);
    pos_ += got;
    return Status::kOk;
  }

 private:
  std::string bytes_;
  size_t piece_;
  size_t pos_ = 0;
};

inline std::unique_ptr<Source> Bytes(std::string bytes, size_t piece = 3) {
  return std::make_unique<BytesSource>(std::move(bytes), piece);
}

inline std::string ReadAll(Source& source, Status& status, size_t piece = 7) {
  std::string out;
  std::string buffer(piece, '\0');
  size_t got = 0;
  while ((status = source.Read(reinterpret_cast<uint8_t*>(buffer.data()), piece, got)) == Status::kOk && got > 0)
    out.append(buffer.data(), got);
  return out;
}

// Lends up to `threads` threads and `budget` bytes, and keeps account of them.
class CountingShare final : public DecodeShare {
 public:
  CountingShare(unsigned threads, uint64_t budget) : threads_(threads), budget_(budget) {}
  bool TryTakeThread() override {
    std::lock_guard lock(mutex_);
    if (stopping_ || closed || lent_threads_ >= threads_) return false;
    ++lent_threads_;
    ++threads_taken;
    return true;
  }
  void ReturnThread() override {
    std::lock_guard lock(mutex_);
    --lent_threads_;
  }
  bool TryTakeMemory(uint64_t size) override {
    std::lock_guard lock(mutex_);
    if (memory_ + size > budget_) return false;
    memory_ += size;
    return true;
  }
  void TakeMemory(uint64_t size) override {
    std::lock_guard lock(mutex_);
    memory_ += size;
    ++pieces;
  }
  void ReturnMemory(uint64_t size) override {
    std::lock_guard lock(mutex_);
    memory_ -= size;
  }
  bool Stopping() override { return stopping_; }

  void Stop() { stopping_ = true; }
  unsigned lent_threads() {
    std::lock_guard lock(mutex_);
    return lent_threads_;
  }
  uint64_t memory() {
    std::lock_guard lock(mutex_);
    return memory_;
  }
  std::atomic<bool> closed = false;  // no thread to lend for now
  std::atomic<unsigned> threads_taken = 0;
  std::atomic<unsigned> pieces = 0;  // pieces the decoder held in memory

 private:
  std::mutex mutex_;
  const unsigned threads_;
  const uint64_t budget_;
  unsigned lent_threads_ = 0;
  uint64_t memory_ = 0;
  std::atomic<bool> stopping_ = false;
};

}  // namespace qmb::sevenzip
