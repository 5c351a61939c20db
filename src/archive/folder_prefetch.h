// Decodes the folders (solid blocks) of one extraction on worker threads ahead of the reader.
// Folders are independent, so each worker decodes a whole folder; its bytes wait in memory, in
// order, until the extraction loop reads them, and files are still checked, written and reported
// one after the other in archive order on the caller's thread, which also runs a folder's closing
// filter (a branch converter or Delta) so that the worker only decodes. Memory taken ahead (the
// working memory of folders decoded early and the bytes they hold) stays within a budget that fits
// a 32-bit process; the folder being read always proceeds, so the run never waits on the budget
// forever.
// The same thread limit and budget are lent to the folders' decoders (DecodeShare): a stream that
// splits into independent pieces decodes them on threads no folder worker uses.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/coder.h"
#include "archive/decode_share.h"
#include "archive/folder_decoder.h"

namespace qmb::sevenzip {

// One folder to decode, in the order the reader takes them.
struct PrefetchItem {
  size_t folder = 0;
  uint64_t bytes = 0;   // decoded bytes the reader needs (up to its last selected entry)
  uint64_t memory = 0;  // working memory of the folder's decoders
};

// Memory a run may take ahead of the reader, working memory and decoded bytes together.
#if UINTPTR_MAX > 0xFFFFFFFFu
inline constexpr uint64_t kPrefetchBudget = 1ull << 30;
#else
inline constexpr uint64_t kPrefetchBudget = 384ull << 20;
#endif

class FolderPrefetcher final : public DecodeShare {
 public:
  // Opens a folder's decoder chain reading the archive through `stream` (one per worker); its
  // decoders may take threads and memory from `share`. A worker reads the decoding stage, all of
  // it when there is a filter stage (the filter may need bytes past the last one read), and the
  // reader's thread runs the filter.
  using Opener =
      std::function<FolderStages(size_t folder, InStream& stream, DecodeShare& share, Error& error)>;

  // Starts `threads` workers (at least one) over the items; the archive stream is shared by them.
  FolderPrefetcher(InStream& archive, std::vector<PrefetchItem> items, unsigned threads, Opener open,
                   uint64_t budget = kPrefetchBudget);
  // Stops every worker (a cancelled or failed run ends here) and waits for them.
  ~FolderPrefetcher() override;
  FolderPrefetcher(const FolderPrefetcher&) = delete;
  FolderPrefetcher& operator=(const FolderPrefetcher&) = delete;

  // The next item's decoded bytes, in item order; null with error set when its decoders could not
  // be opened. A decoding failure arrives as the Source's status where it happened.
  std::unique_ptr<Source> Next(Error& error);

  bool TryTakeThread() override;
  void ReturnThread() override;
  bool TryTakeMemory(uint64_t size) override;
  void TakeMemory(uint64_t size) override;
  void ReturnMemory(uint64_t size) override;
  bool Stopping() override;

 private:
  class Reader;
  class StreamView;
  struct Slot {
    std::deque<std::vector<uint8_t>> chunks;
    bool opened = false;
    Error open_error;
    FolderStages finish;  // the filter stage, left to the reader
    bool finished = false;  // no chunk follows those queued
    Status end_status = Status::kOk;
  };

  void Work();
  void Decode(size_t item);
  // A chunk of `size` bytes for a worker to fill, an emptied one where there is one.
  std::vector<uint8_t> TakeChunk(size_t size);
  // Waits until the worker of `item` may queue `size` more bytes; false when the run stops.
  bool WaitForRoom(std::unique_lock<std::mutex>& lock, size_t item, uint64_t size);

  InStream& archive_;
  std::mutex archive_mutex_;  // one reader of the archive stream at a time
  const std::vector<PrefetchItem> items_;
  const Opener open_;
  const uint64_t budget_;
  const unsigned threads_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;
  std::vector<std::vector<uint8_t>> spare_;  // emptied full-size chunks
  size_t head_ = 0;      // the item the reader is on
  size_t claimed_ = 0;   // items handed to workers so far
  size_t returned_ = 0;  // items handed to the reader so far
  uint64_t taken_ = 0;   // working memory of running items, queued bytes and memory lent out
  unsigned busy_ = 0;    // workers decoding plus threads lent out
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace qmb::sevenzip
