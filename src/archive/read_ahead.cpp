// The helper fills chunks and queues them; the reader copies out of the front chunk and hands
// emptied chunks back for reuse, so the pages of the chunks are touched once, not once per chunk.
#include "archive/read_ahead.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "archive/borrowed_threads.h"

namespace qmb::sevenzip {
namespace {

constexpr size_t kChunks = 8;  // queued ahead of the reader

class ReadAhead final : public Source {
 public:
  ReadAhead(std::unique_ptr<Source> inner, size_t read_size, DecodeShare& share)
      : inner_(std::move(inner)), read_size_(read_size), share_(share), helpers_(share) {}

  ~ReadAhead() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    helpers_.JoinAll();
    if (ahead_) share_.ReturnMemory(Memory());
  }

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    if (size == 0) return Status::kOk;
    if (!ahead_ && !StartHelper()) return inner_->Read(data, size, got);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !full_.empty() || ended_; });
    if (full_.empty()) return status_;  // the end, or how the inner source failed
    std::vector<uint8_t>& front = full_.front();
    got = std::min(size, front.size() - read_);
    std::memcpy(data, front.data() + read_, got);
    read_ += got;
    if (read_ == front.size()) {
      empty_.push_back(std::move(front));
      full_.pop_front();
      read_ = 0;
      lock.unlock();
      changed_.notify_all();
    }
    return Status::kOk;
  }

 private:
  bool StartHelper() {
    if (!share_.TryTakeMemory(Memory())) return false;
    std::lock_guard lock(mutex_);
    if (helpers_.Start(1, [this] { Fill(); }) == 0) {
      share_.ReturnMemory(Memory());
      return false;
    }
    ahead_ = true;
    return true;
  }

  void Fill() {
    for (;;) {
      std::vector<uint8_t> chunk;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || full_.size() < kChunks; });
        if (stop_) {
          helpers_.Leave();
          return;
        }
        if (!empty_.empty()) {
          chunk = std::move(empty_.back());
          empty_.pop_back();
        }
      }
      chunk.resize(read_size_);
      size_t got = 0;
      const Status status = share_.Stopping() ? Status::kCancelled : inner_->Read(chunk.data(), read_size_, got);
      chunk.resize(status == Status::kOk ? got : 0);
      const bool end = status != Status::kOk || got == 0;
      {
        std::lock_guard lock(mutex_);
        if (got > 0) full_.push_back(std::move(chunk));
        if (end) {
          ended_ = true;
          status_ = status;
          helpers_.Leave();
        }
      }
      changed_.notify_all();
      if (end) return;
    }
  }

  uint64_t Memory() const { return uint64_t(read_size_) * kChunks; }

  std::unique_ptr<Source> inner_;  // the helper's alone once it runs
  const size_t read_size_;
  DecodeShare& share_;
  bool ahead_ = false;  // a helper reads the inner source

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>> full_;  // filled chunks in order
  std::vector<std::vector<uint8_t>> empty_;  // read-out chunks to fill again
  size_t read_ = 0;  // bytes of the front chunk already read
  bool ended_ = false;
  Status status_ = Status::kOk;
  bool stop_ = false;
  BorrowedThreads helpers_;
};

}  // namespace

std::unique_ptr<Source> MakeReadAhead(std::unique_ptr<Source> inner, size_t read_size, DecodeShare& share) {
  return std::make_unique<ReadAhead>(std::move(inner), read_size, share);
}

}  // namespace qmb::sevenzip
