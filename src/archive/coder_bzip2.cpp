// BZip2 decoding: each block is Huffman-coded move-to-front output of a Burrows-Wheeler
// transform, over bytes whose runs of four or more were shortened. The reading thread decodes a
// block's symbols whole (at most 900 000, the bound sized from the stream header before anything
// is allocated); the inverse transform, which takes most of the time, may run on a helper lent by
// the share while the reader decodes the symbols of the blocks after it, each into a block of its
// own. The reader hands the blocks' bytes on in order, expanding the runs a piece per read.
// Streams may follow one another; every block's CRC and every stream's combined CRC are checked,
// and a fault is reported where the one-thread run meets it: after the bytes of every block
// before it.
#include "archive/coder_bzip2.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "archive/bit_reader.h"
#include "archive/borrowed_threads.h"
#include "archive/bzip2_block.h"
#include "archive/huffman_table.h"

namespace qmb::sevenzip {
namespace {

constexpr uint64_t kBlockMagic = 0x314159265359, kEndMagic = 0x177245385090;
constexpr unsigned kMinGroups = 2, kMaxGroups = 6, kGroupSize = 50, kMaxCodeBits = 20, kMaxAlphabet = 258;
constexpr unsigned kMaxSelectors = 18002;  // 900 000 / 50 rounded up, and some room
constexpr uint32_t kBlockUnit = 100000;
// Blocks held at once: the one being read out and those decoded ahead of it.
constexpr size_t kMaxBlocks = 4;

using Table = HuffmanTable<kMaxCodeBits, 10, kMaxAlphabet, false>;

class Bzip2Decoder final : public Source {
 public:
  Bzip2Decoder(std::unique_ptr<Source> input, DecodeShare* share) : bits_(std::move(input)), share_(share) {
    if (share_) helpers_ = std::make_unique<BorrowedThreads>(*share_);
  }

  ~Bzip2Decoder() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    if (helpers_) helpers_->JoinAll();
    if (share_) share_->ReturnMemory(lent_memory_);
  }

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    while (got == 0 && size > 0 && !done_) {
      const Status status = current_ ? Output(data, size, got) : NextBlock();
      if (status != Status::kOk) {
        done_ = true;
        return status;
      }
    }
    return Status::kOk;
  }

 private:
  // A block is waiting for its transform, running it, or done; free once read out.
  struct Slot {
    Bzip2Block block;
    enum class State { kFree, kWaiting, kRunning, kDone } state = State::kFree;
  };
  // What the stream holds next: a block, or (without one) its end, with the status met there.
  struct Event {
    Slot* slot;
    Status status;
  };
  enum class Scan { kStreamHeader, kBlockHeader, kBlock, kEnded };

  // Makes the next block the one read out, or ends the read where the stream ends.
  Status NextBlock() {
    if (share_ && share_->Stopping()) return Status::kCancelled;
    ScanAhead();
    StartHelpers();
    std::unique_lock lock(mutex_);
    const Event front = events_.front();  // the scan always leaves one
    if (!front.slot) {
      events_.pop_front();
      done_ = true;
      return front.status;
    }
    // Until the block is transformed, the reader transforms it, or one after it a helper left.
    while (front.slot->state != Slot::State::kDone) {
      Slot* slot = front.slot->state == Slot::State::kWaiting ? front.slot : ClaimWaiting();
      if (!slot) {
        changed_.wait(lock);
        continue;
      }
      slot->state = Slot::State::kRunning;
      lock.unlock();
      slot->block.Untransform();
      lock.lock();
      slot->state = Slot::State::kDone;
    }
    events_.pop_front();
    current_ = front.slot;
    read_ = 0;
    run_ = 0;
    repeat_ = 0;
    running_crc_ = 0xFFFFFFFFu;
    return Status::kOk;
  }

  // Decodes the symbols of the blocks ahead while there are blocks to put them in; leaves at least
  // one event queued.
  void ScanAhead() {
    while (scan_ != Scan::kEnded) {
      Status status = Status::kOk;
      if (scan_ == Scan::kStreamHeader) {
        status = ReadStreamHeader();
      } else if (scan_ == Scan::kBlockHeader) {
        status = ReadBlockOrEnd();
      } else {
        Slot* slot = FreeSlot();
        if (!slot) return;
        if (!slot->block.Reserve(block_max_)) {
          status = Status::kTooLarge;
        } else if ((status = ReadBlock(slot->block)) == Status::kOk) {
          Push({slot, Status::kOk});
          scan_ = Scan::kBlockHeader;
        }
      }
      if (status != Status::kOk) End(status);
    }
  }

  void Push(Event event) {
    std::lock_guard lock(mutex_);
    if (event.slot) event.slot->state = Slot::State::kWaiting;
    events_.push_back(event);
  }

  void End(Status status) {
    Push({nullptr, status});
    scan_ = Scan::kEnded;
  }

  // A block not in use: the first is the decoder's own memory; the others, held only in a run that
  // may lend helpers, are whole-size blocks taken from the share's budget.
  Slot* FreeSlot() {
    {
      std::lock_guard lock(mutex_);
      for (auto& slot : slots_)
        if (slot->state == Slot::State::kFree) return slot.get();
    }
    if (!slots_.empty() && (!share_ || slots_.size() >= max_blocks_)) return nullptr;
    auto slot = std::make_unique<Slot>();
    if (!slots_.empty()) {
      const uint64_t memory = Bzip2Block::Memory(Bzip2Block::kMaxSize);
      if (!share_->TryTakeMemory(memory)) return nullptr;
      if (!slot->block.Reserve(Bzip2Block::kMaxSize)) {
        share_->ReturnMemory(memory);
        max_blocks_ = slots_.size();  // the address space is short: do with what there is
        return nullptr;
      }
      lent_memory_ += memory;
    }
    std::lock_guard lock(mutex_);
    slots_.push_back(std::move(slot));
    return slots_.back().get();
  }

  // The first block in the stream's order that waits for its transform, marked running; under the mutex.
  Slot* ClaimWaiting() {
    for (const Event& event : events_)
      if (event.slot && event.slot->state == Slot::State::kWaiting) {
        event.slot->state = Slot::State::kRunning;
        return event.slot;
      }
    return nullptr;
  }

  // One helper for every block waiting behind the first, as long as the share lends threads.
  void StartHelpers() {
    if (!helpers_) return;
    std::lock_guard lock(mutex_);
    size_t waiting = 0;
    for (size_t i = 1; i < events_.size(); ++i)
      waiting += events_[i].slot && events_[i].slot->state == Slot::State::kWaiting;
    helpers_->Start(waiting, [this] { Help(); });
  }

  void Help() {
    for (;;) {
      const bool stopping = share_->Stopping();
      Slot* slot = nullptr;
      {
        std::lock_guard lock(mutex_);
        if (!stop_ && !stopping) slot = ClaimWaiting();
        if (!slot) {
          helpers_->Leave();
          return;
        }
      }
      slot->block.Untransform();
      {
        std::lock_guard lock(mutex_);
        slot->state = Slot::State::kDone;
      }
      changed_.notify_all();
    }
  }

  // "BZh" and the block size digit; the first stream must be there, further ones may follow.
  Status ReadStreamHeader() {
    if (streams_ > 0) {
      bits_.AlignToByte();
      if (bits_.Exhausted()) {
        End(bits_.status());
        return Status::kOk;
      }
    }
    if (bits_.Read(24) != 0x425A68) return bits_.Failure();
    const uint32_t level = bits_.Read(8) - '0';
    if (level < 1 || level > 9 || bits_.Overrun()) return bits_.Failure();
    block_max_ = level * kBlockUnit;
    combined_crc_ = 0;
    ++streams_;
    scan_ = Scan::kBlockHeader;
    return Status::kOk;
  }

  Status ReadBlockOrEnd() {
    const uint64_t high = bits_.Read(24);
    const uint64_t magic = high << 24 | bits_.Read(24);
    const uint32_t crc = bits_.Read(32);
    if (bits_.Overrun()) return bits_.Failure();
    if (magic == kEndMagic) {
      // The blocks' stored CRCs: each is checked against its bytes before this end is reached.
      if (crc != combined_crc_) return Status::kDataError;
      scan_ = Scan::kStreamHeader;
      return Status::kOk;
    }
    if (magic != kBlockMagic) return Status::kDataError;
    block_crc_ = crc;
    combined_crc_ = (combined_crc_ << 1 | combined_crc_ >> 31) ^ crc;
    scan_ = Scan::kBlock;
    return Status::kOk;
  }

  // The block's tables and symbols, up to the inverse transform.
  Status ReadBlock(Bzip2Block& block) {
    // Randomised blocks came only from bzip2 0.9.0 and earlier; no 7z writer makes them.
    if (bits_.Read(1) != 0) return Status::kUnsupportedMethod;
    const uint32_t orig_ptr = bits_.Read(24);
    uint8_t seq_to_byte[256];
    unsigned in_use = 0;
    const uint32_t used16 = bits_.Read(16);
    for (unsigned i = 0; i < 16; ++i) {
      if (!(used16 & (0x8000u >> i))) continue;
      const uint32_t used = bits_.Read(16);
      for (unsigned j = 0; j < 16; ++j)
        if (used & (0x8000u >> j)) seq_to_byte[in_use++] = static_cast<uint8_t>(i * 16 + j);
    }
    if (in_use == 0) return Status::kDataError;
    const unsigned alphabet = in_use + 2;

    const unsigned groups = bits_.Read(3);
    const unsigned selector_count = bits_.Read(15);
    if (groups < kMinGroups || groups > kMaxGroups || selector_count == 0) return Status::kDataError;
    uint8_t group_mtf[kMaxGroups] = {0, 1, 2, 3, 4, 5};
    const unsigned stored = std::min(selector_count, kMaxSelectors);  // the rest can never be used
    for (unsigned i = 0; i < selector_count; ++i) {
      unsigned j = 0;
      while (bits_.Read(1)) {
        if (++j >= groups || bits_.Overrun()) return Status::kDataError;
      }
      const uint8_t g = group_mtf[j];
      std::memmove(group_mtf + 1, group_mtf, j);
      group_mtf[0] = g;
      if (i < stored) selectors_[i] = g;
    }

    for (unsigned t = 0; t < groups; ++t) {
      uint8_t lengths[kMaxAlphabet];
      unsigned len = bits_.Read(5);
      for (unsigned i = 0; i < alphabet; ++i) {
        for (;;) {
          if (len < 1 || len > kMaxCodeBits || bits_.Overrun()) return Status::kDataError;
          if (!bits_.Read(1)) break;
          len = bits_.Read(1) ? len - 1 : len + 1;
        }
        lengths[i] = static_cast<uint8_t>(len);
      }
      if (!tables_[t].Build(lengths, alphabet)) return Status::kDataError;
    }
    if (Status s = DecodeSymbols(block, seq_to_byte, in_use, stored); s != Status::kOk) return s;
    if (orig_ptr >= block.size) return Status::kDataError;
    if (bits_.Overrun()) return bits_.Failure();
    block.orig_ptr = orig_ptr;
    block.crc = block_crc_;
    return Status::kOk;
  }

  // The Huffman symbols through move-to-front and the zero-run code into the T vector's low
  // eight bits, and the counts.
  Status DecodeSymbols(Bzip2Block& block, const uint8_t* seq_to_byte, unsigned in_use, unsigned selectors) {
    uint8_t mtf[256];
    for (unsigned i = 0; i < 256; ++i) mtf[i] = static_cast<uint8_t>(i);
    uint32_t* counts = block.counts;
    std::memset(counts, 0, sizeof block.counts);
    uint32_t* tt = block.Tt();
    const uint32_t limit = block_max_;
    const unsigned end_of_block = in_use + 1;
    uint32_t n = 0, run = 0, run_weight = 1;
    unsigned group_left = 0, group = 0;
    const Table* table = nullptr;
    for (;;) {
      if (group_left == 0) {
        if (group >= selectors || bits_.Overrun()) return Status::kDataError;
        table = &tables_[selectors_[group++]];
        group_left = kGroupSize;
      }
      --group_left;
      if (bits_.available() < kMaxCodeBits) bits_.Refill();
      unsigned length = 0;
      const unsigned symbol = table->Decode(bits_.Peek(kMaxCodeBits), length);
      if (length == 0) return Status::kDataError;
      bits_.Skip(length);
      if (symbol <= 1) {  // RUNA, RUNB: a bijective base-2 digit of a run of the front byte
        run += (symbol + 1) * run_weight;
        run_weight <<= 1;
        if (run > limit) return Status::kDataError;
        continue;
      }
      if (run > 0) {
        if (run > limit - n) return Status::kDataError;
        const uint8_t byte = seq_to_byte[mtf[0]];
        std::fill(tt + n, tt + n + run, byte);
        counts[byte] += run;
        n += run;
        run = 0;
        run_weight = 1;
      }
      if (symbol == end_of_block) break;
      if (n >= limit) return Status::kDataError;
      const unsigned k = symbol - 1;
      const uint8_t v = mtf[k];
      std::memmove(mtf + 1, mtf, k);
      mtf[0] = v;
      const uint8_t byte = seq_to_byte[v];
      tt[n++] = byte;
      ++counts[byte];
    }
    block.size = n;
    return Status::kOk;
  }

  // Bytes of the current block, with each run of four followed by a count of further repeats.
  Status Output(uint8_t* data, size_t size, size_t& got) {
    const Bzip2Block& current = current_->block;
    const uint8_t* block = current.Bytes();
    uint8_t* out = data;
    uint8_t* const end = data + size;
    uint32_t read = read_;
    const uint32_t n = current.size;
    unsigned run = run_, last = last_;
    while (out < end) {
      if (repeat_ > 0) {
        const size_t k = std::min<size_t>(repeat_, end - out);
        std::memset(out, static_cast<int>(last), k);
        out += k;
        repeat_ -= static_cast<unsigned>(k);
        continue;
      }
      if (read == n) break;
      const unsigned byte = block[read++];
      if (run == 4) {
        repeat_ = byte;
        run = 0;
        continue;
      }
      run = byte == last ? run + 1 : 1;
      last = byte;
      *out++ = static_cast<uint8_t>(byte);
    }
    read_ = read;
    run_ = run;
    last_ = last;
    got = static_cast<size_t>(out - data);
    running_crc_ = Bzip2Crc(running_crc_, data, got);
    if (read == n && repeat_ == 0) {
      if (~running_crc_ != current.crc) return Status::kCrcError;
      std::lock_guard lock(mutex_);
      current_->state = Slot::State::kFree;
      current_ = nullptr;
    }
    return Status::kOk;
  }

  // Scanning, on the reader's thread.
  BitReader<true> bits_;
  Scan scan_ = Scan::kStreamHeader;
  unsigned streams_ = 0;
  uint32_t block_max_ = 0;  // of the current stream
  uint32_t combined_crc_ = 0, block_crc_ = 0;
  Table tables_[kMaxGroups];
  uint8_t selectors_[kMaxSelectors];

  // Reading out, on the reader's thread.
  bool done_ = false;
  Slot* current_ = nullptr;
  uint32_t read_ = 0;  // next byte of the current block
  unsigned run_ = 0, last_ = 0, repeat_ = 0;
  uint32_t running_crc_ = 0;

  DecodeShare* const share_;
  size_t max_blocks_ = kMaxBlocks;
  uint64_t lent_memory_ = 0;  // taken from the share for the blocks beyond the first

  // Slot states and the events under the mutex.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::unique_ptr<Slot>> slots_;
  std::deque<Event> events_;
  std::unique_ptr<BorrowedThreads> helpers_;  // with a share only
  bool stop_ = false;
};

}  // namespace

std::unique_ptr<Source> MakeBzip2Decoder(std::unique_ptr<Source> input, DecodeShare* share) {
  return std::make_unique<Bzip2Decoder>(std::move(input), share);
}

}  // namespace qmb::sevenzip
