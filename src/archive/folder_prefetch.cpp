// Workers claim folders in reader order and queue their decoded bytes in chunks; the reader takes
// them from the queue of the folder it is on.
#include "archive/folder_prefetch.h"

#include <algorithm>
#include <cstring>

#include "archive/thread_priority.h"

namespace qmb::sevenzip {

namespace {

constexpr size_t kChunk = 1 << 20;
constexpr size_t kHeadChunks = 8;  // the folder being read runs at most this far ahead
// Chunks the reader has emptied are kept for the workers' next ones: a fresh megabyte costs a
// mapping, page faults and zeroing on every chunk where the heap hands large blocks back to the
// system at once (as under Wine).
constexpr size_t kSpareChunks = 2 * kHeadChunks;

}  // namespace

// A worker's own position in the shared archive stream: every read seeks under the lock.
class FolderPrefetcher::StreamView final : public InStream {
 public:
  StreamView(InStream& stream, std::mutex& mutex) : stream_(stream), mutex_(mutex) {}
  size_t Read(void* buffer, size_t size) override {
    const size_t n = ReadAt(pos_, buffer, size);
    pos_ += n;
    return n;
  }
  bool Seek(uint64_t offset) override {
    pos_ = offset;
    return offset <= Size();
  }
  uint64_t Size() const override {
    std::lock_guard lock(mutex_);
    return stream_.Size();
  }
  // Leaves the view's own position alone: the pack streams of one folder may be read by the
  // worker and by a helper its decoder borrowed.
  size_t ReadAt(uint64_t offset, void* buffer, size_t size) override {
    std::lock_guard lock(mutex_);
    return stream_.Seek(offset) ? stream_.Read(buffer, size) : 0;
  }

 private:
  InStream& stream_;
  std::mutex& mutex_;
  uint64_t pos_ = 0;
};

// The reader's side of one item: hands out the queued chunks, then the item's end status.
class FolderPrefetcher::Reader final : public Source {
 public:
  Reader(FolderPrefetcher& owner, size_t item) : owner_(owner), item_(item) {}
  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    if (pos_ == current_.size()) {
      std::unique_lock lock(owner_.mutex_);
      Slot& slot = owner_.slots_[item_];
      owner_.changed_.wait(lock, [&] { return !slot.chunks.empty() || slot.finished; });
      if (slot.chunks.empty()) return slot.end_status;
      if (owner_.spare_.size() < kSpareChunks && current_.size() == kChunk)
        owner_.spare_.push_back(std::move(current_));
      current_ = std::move(slot.chunks.front());
      slot.chunks.pop_front();
      owner_.taken_ -= current_.size();
      pos_ = 0;
      lock.unlock();
      owner_.changed_.notify_all();
    }
    got = std::min(size, current_.size() - pos_);
    std::memcpy(data, current_.data() + pos_, got);
    pos_ += got;
    return Status::kOk;
  }

 private:
  FolderPrefetcher& owner_;
  const size_t item_;
  std::vector<uint8_t> current_;
  size_t pos_ = 0;
};

FolderPrefetcher::FolderPrefetcher(InStream& archive, std::vector<PrefetchItem> items, unsigned threads,
                                   Opener open, uint64_t budget)
    : archive_(archive), items_(std::move(items)), open_(std::move(open)), budget_(budget),
      threads_(std::max(threads, 1u)), slots_(items_.size()) {
  const size_t count = std::min<size_t>(threads_, items_.size());
  for (size_t i = 0; i < count; ++i) workers_.emplace_back([this] { Work(); });
}

FolderPrefetcher::~FolderPrefetcher() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

std::unique_ptr<Source> FolderPrefetcher::Next(Error& error) {
  const size_t item = returned_++;
  std::unique_lock lock(mutex_);
  head_ = item;
  changed_.notify_all();
  Slot& slot = slots_[item];
  changed_.wait(lock, [&] { return slot.opened; });
  if (!slot.open_error.ok()) {
    error = slot.open_error;
    return nullptr;
  }
  return FinishFolder(slot.finish, std::make_unique<Reader>(*this, item));
}

void FolderPrefetcher::Work() {
  for (;;) {
    size_t item = 0;
    {
      std::unique_lock lock(mutex_);
      if (stop_ || claimed_ == items_.size()) return;
      item = claimed_++;
      // Items are claimed in order, so the one being read is always claimed by a worker that
      // does not wait here: the budget and threads lent to decoders can delay decoding ahead,
      // never the reader.
      changed_.wait(lock, [&] {
        return stop_ || item == head_ || (busy_ < threads_ && taken_ + items_[item].memory <= budget_);
      });
      if (stop_) return;
      taken_ += items_[item].memory;
      ++busy_;
    }
    Decode(item);
    {
      std::lock_guard lock(mutex_);
      taken_ -= items_[item].memory;
      --busy_;
    }
    changed_.notify_all();
  }
}

bool FolderPrefetcher::WaitForRoom(std::unique_lock<std::mutex>& lock, size_t item, uint64_t size) {
  changed_.wait(lock, [&] {
    return stop_ || (item == head_ ? slots_[item].chunks.size() < kHeadChunks : taken_ + size <= budget_);
  });
  return !stop_;
}

void FolderPrefetcher::Decode(size_t item) {
  Slot& slot = slots_[item];
  StreamView view(archive_, archive_mutex_);
  Error error;
  FolderStages stages = open_(items_[item].folder, view, *this, error);
  std::unique_ptr<Source> source = std::move(stages.decode);
  uint64_t left = stages.filter ? stages.decode_size : items_[item].bytes;
  bool ahead = false;
  {
    std::lock_guard lock(mutex_);
    ahead = item != head_;
    slot.opened = true;
    slot.finish = std::move(stages);  // the reader's from here on
    if (!source) {
      slot.open_error = error.ok() ? Error{Status::kDataError, "coder set-up failed"} : error;
      slot.finished = true;
    }
  }
  changed_.notify_all();
  if (!source) return;
  // A folder ahead of the reader is decoded behind the folder being read and the writing of its
  // files, which is what the run waits for.
  bool behind = false, stopped = false;
  if (ahead) RunBehind(behind = true);
  Status status = Status::kOk;
  while (left > 0 && status == Status::kOk) {
    std::vector<uint8_t> chunk = TakeChunk(static_cast<size_t>(std::min<uint64_t>(kChunk, left)));
    size_t got = 0;
    status = ReadFull(*source, chunk.data(), chunk.size(), got);
    if (status == Status::kOk && got < chunk.size()) status = Status::kDataError;  // ended early
    chunk.resize(got);
    left -= got;
    std::unique_lock lock(mutex_);
    if (!WaitForRoom(lock, item, got)) {
      stopped = true;
      break;
    }
    taken_ += got;
    if (got) slot.chunks.push_back(std::move(chunk));
    slot.end_status = status;
    ahead = item != head_;
    lock.unlock();
    changed_.notify_all();
    if (ahead != behind) RunBehind(behind = ahead);
  }
  if (behind) RunBehind(false);
  if (stopped) return;
  {
    std::lock_guard lock(mutex_);
    slot.finished = true;
  }
  changed_.notify_all();
}

bool FolderPrefetcher::TryTakeThread() {
  std::lock_guard lock(mutex_);
  if (stop_ || busy_ >= threads_) return false;
  ++busy_;
  return true;
}

void FolderPrefetcher::ReturnThread() {
  {
    std::lock_guard lock(mutex_);
    --busy_;
  }
  changed_.notify_all();
}

bool FolderPrefetcher::TryTakeMemory(uint64_t size) {
  std::lock_guard lock(mutex_);
  if (taken_ + size > budget_) return false;
  taken_ += size;
  return true;
}

void FolderPrefetcher::TakeMemory(uint64_t size) {
  std::lock_guard lock(mutex_);
  taken_ += size;
}

void FolderPrefetcher::ReturnMemory(uint64_t size) {
  {
    std::lock_guard lock(mutex_);
    taken_ -= size;
  }
  changed_.notify_all();
}

bool FolderPrefetcher::Stopping() {
  std::lock_guard lock(mutex_);
  return stop_;
}

std::vector<uint8_t> FolderPrefetcher::TakeChunk(size_t size) {
  std::vector<uint8_t> chunk;
  {
    std::lock_guard lock(mutex_);
    if (!spare_.empty()) {
      chunk = std::move(spare_.back());
      spare_.pop_back();
    }
  }
  chunk.resize(size);  // a spare one has its full size already: nothing is zeroed again
  return chunk;
}

}  // namespace qmb::sevenzip
