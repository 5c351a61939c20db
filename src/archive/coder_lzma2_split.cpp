// The reader's thread scans chunk headers and copies each piece's packed bytes into memory; a
// piece gets an LZMA2 decoder of its own over those bytes, run by a helper thread lent by the
// share into a buffer of the piece's size (the share is asked while the stream is scanned and
// again while the reader decodes, as threads of the run come free), or by the reader: the first
// piece straight into what it reads, a further one into its buffer while a helper holds the
// first. Anything the scan cannot vouch for (a damaged header, a piece beyond the size bound, an
// input failure, sizes that disagree with the declared size) ends the splitting: the rest of the
// stream, from the start of the piece being scanned, goes through one ordinary decoder, which
// meets the fault exactly where the one-thread run does.
#include "archive/coder_lzma2_split.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>

#include "archive/borrowed_threads.h"
#include "archive/coder_lzma.h"
#include "archive/lzma2_chunk.h"

namespace qmb::sevenzip {
namespace {

#if UINTPTR_MAX > 0xFFFFFFFFu
constexpr uint64_t kMaxPiece = 256ull << 20;
#else
constexpr uint64_t kMaxPiece = 128ull << 20;  // the blocks 7zz writes at its default level
#endif
constexpr size_t kScanBuffer = 1 << 16;
constexpr size_t kStep = 1 << 20;         // a piece's decoder looks for a stop this often
constexpr size_t kMaxAhead = 8;           // pieces scanned ahead of the one being read
constexpr uint64_t kPieceOverhead = 1 << 20;  // a decoder's probabilities and input buffer
constexpr uint64_t kMiB = 1 << 20;
constexpr uint64_t kBlockDictionaries = 4;    // 7-Zip's block size on several threads, in dictionaries

// Packed bytes held in blocks: appending never moves what is held, so a piece costs one copy of
// its bytes and touches each page once, and reading frees every block it empties.
class PackedBytes {
 public:
  void Append(const uint8_t* data, size_t size) {
    while (size > 0) {
      if (blocks_.empty() || tail_ == kBlock) {
        blocks_.emplace_back(new uint8_t[kBlock]);
        tail_ = 0;
      }
      const size_t n = std::min(size, kBlock - tail_);
      std::memcpy(blocks_.back().get() + tail_, data, n);
      tail_ += n;
      size_ += n;
      data += n;
      size -= n;
    }
  }

  // Moves up to `size` bytes from the front into `data`; returns how many.
  size_t Take(uint8_t* data, size_t size) {
    size_t got = 0;
    while (got < size && size_ > 0) {
      const size_t end = blocks_.size() == 1 ? tail_ : kBlock;
      const size_t n = std::min(size - got, end - head_);
      std::memcpy(data + got, blocks_.front().get() + head_, n);
      head_ += n;
      size_ -= n;
      got += n;
      if (head_ == kBlock) {
        blocks_.pop_front();
        head_ = 0;
      }
    }
    return got;
  }

  uint64_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  static constexpr size_t kBlock = 1 << 20;
  std::deque<std::unique_ptr<uint8_t[]>> blocks_;
  size_t head_ = 0;  // read position in the first block
  size_t tail_ = 0;  // bytes in the last block
  uint64_t size_ = 0;
};

// Bytes from memory, then the rest of the input (or, when the input already failed, its status).
class PrefixedSource final : public Source {
 public:
  PrefixedSource(PackedBytes prefix, std::unique_ptr<Source> rest, Status rest_status)
      : prefix_(std::move(prefix)), rest_(std::move(rest)), rest_status_(rest_status) {}
  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = prefix_.Take(data, size);
    if (got > 0 || size == 0) return Status::kOk;
    return rest_ ? rest_->Read(data, size, got) : rest_status_;
  }

 private:
  PackedBytes prefix_;
  std::unique_ptr<Source> rest_;
  Status rest_status_;
};

struct Piece {
  PackedBytes packed;     // the piece's chunks and an end mark
  uint64_t position = 0;  // of its first byte in the stream's output
  uint64_t declared = 0;  // the size its decoder is held to
  uint64_t size = 0;      // the bytes it decodes to, at most
  uint64_t memory = 0;    // taken from the share while the piece is held
  enum class State { kWaiting, kRunning, kDone } state = State::kWaiting;
  bool streamed = false;  // decoded by the reader into what it reads, never held
  bool unbuffered = false;  // no memory for its bytes: only the reader, streaming, takes it
  // Written by the piece's runner; `got` and what follows under the decoder's mutex.
  std::unique_ptr<Source> decoder;
  std::unique_ptr<uint8_t[]> out;
  uint64_t got = 0;
  Status status = Status::kOk;
};

class Lzma2SplitDecoder final : public Source {
 public:
  Lzma2SplitDecoder(const std::vector<uint8_t>& props, std::unique_ptr<Source> input, uint64_t out_size,
                    uint64_t dictionary, DecodeShare& share)
      : props_(props), input_(std::move(input)), out_size_(out_size), out_left_(out_size), dictionary_(dictionary),
        share_(share),
        // 7-Zip's blocks are four dictionaries rounded up to whole MiB: a piece that grows beyond
        // that without a reset is not one of them, and holding more of it in memory gains nothing.
        max_piece_(std::min(kMaxPiece, (kBlockDictionaries * dictionary + kMiB - 1) / kMiB * kMiB)),
        buffer_(kScanBuffer) {}

  ~Lzma2SplitDecoder() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    helpers_.JoinAll();
    for (auto& piece : pieces_) share_.ReturnMemory(piece->memory);
  }

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    while (size > 0) {
      if (!scan_done_)
        if (Status status = ReadAhead(); status != Status::kOk) return status;
      std::unique_lock lock(mutex_);
      if (pieces_.empty()) {
        lock.unlock();
        return rest_ ? rest_->Read(data, size, got) : Status::kOk;
      }
      Piece& front = *pieces_.front();
      if (front.state == Piece::State::kWaiting) {
        // Nobody took it: the reader decodes it straight into what it is asked for.
        front.state = Piece::State::kRunning;
        front.streamed = true;
        lock.unlock();
        share_.ReturnMemory(front.size);
        front.memory -= front.size;
        if (Status status = Open(front); status != Status::kOk) return status;
        lock.lock();
      }
      if (front.streamed) {
        lock.unlock();
        if (read_pos_ < front.size) {
          StartHelpers();  // a thread busy when the pieces were scanned may be free by now
          return ReadStreamed(front, data, size, got);
        }
        if (Status status = Finish(front); status != Status::kOk) return status;
        Pop();
        continue;
      }
      if (front.got > read_pos_) {
        got = static_cast<size_t>(std::min<uint64_t>(size, front.got - read_pos_));
        lock.unlock();
        std::memcpy(data, front.out.get() + read_pos_, got);  // written before `got` moved past it
        read_pos_ += got;
        return Status::kOk;
      }
      if (front.state == Piece::State::kDone) {
        if (front.status != Status::kOk) return front.status;
        lock.unlock();
        Pop();
        continue;
      }
      // A helper decodes the first piece: meanwhile the reader decodes one further on.
      Piece* claimed = owned_ ? nullptr : ClaimBuffered();
      if (owned_ || claimed) {
        lock.unlock();
        if (claimed && Buffer(*claimed)) owned_ = claimed;
        if (owned_ && Step(*owned_)) owned_ = nullptr;
        continue;
      }
      changed_.wait(lock, [&] {
        return front.got > read_pos_ || front.state != Piece::State::kRunning;  // done, or handed back
      });
    }
    return Status::kOk;
  }

 private:
  // Scans pieces while memory and the look-ahead bound allow; the piece the reader needs next is
  // always scanned, so the stream progresses whatever the budget.
  Status ReadAhead() {
    for (;;) {
      {
        std::lock_guard lock(mutex_);
        if (scan_done_ || pieces_.size() >= kMaxAhead) return Status::kOk;
        if (!pieces_.empty()) {
          if (!share_.TryTakeMemory(last_memory_)) return Status::kOk;
          share_.ReturnMemory(last_memory_);
        }
      }
      auto piece = std::make_unique<Piece>();
      if (Status status = Scan(*piece); status != Status::kOk || (scan_done_ && piece->packed.empty()))
        return status;
      piece->memory = piece->packed.size() + piece->size + DictionaryBufferSize(dictionary_, piece->size) + kPieceOverhead;
      share_.TakeMemory(piece->memory);
      last_memory_ = piece->memory;
      {
        std::lock_guard lock(mutex_);
        pieces_.push_back(std::move(piece));
      }
      StartHelpers();
    }
  }

  // Reads the next piece's chunks into `piece`. At the end mark the piece is the last; where the
  // stream cannot be split further, the rest goes to an ordinary decoder and `piece` stays empty.
  Status Scan(Piece& piece) {
    uint64_t size = 0;
    for (;;) {
      if (!Ensure(1)) return Fallback(piece);
      const size_t length = Lzma2HeaderSize(buffer_[pos_]);
      if (length == 0 || !Ensure(length)) return Fallback(piece);
      const Lzma2Chunk chunk = ParseLzma2Header(buffer_.data() + pos_);
      if (piece.packed.empty() && !chunk.reset_dictionary) return Fallback(piece);
      if (chunk.end || (chunk.reset_dictionary && !piece.packed.empty())) {
        if (chunk.end) ++pos_;
        // The last piece is held to what is left, like the one decoder would be; a middle piece
        // must fit in it.
        if (!chunk.end && size > out_left_) return Fallback(piece);
        piece.position = out_size_ - out_left_;
        piece.declared = chunk.end ? out_left_ : size;
        piece.size = std::min(size, out_left_);
        const uint8_t end_mark = 0;
        piece.packed.Append(&end_mark, 1);
        out_left_ -= piece.size;
        scan_done_ = chunk.end;
        return Status::kOk;
      }
      size += chunk.unpack_size;
      if (size > max_piece_) return Fallback(piece);
      piece.packed.Append(buffer_.data() + pos_, length);
      pos_ += length;
      if (!CopyPacked(piece.packed, chunk.pack_size)) return Fallback(piece);
    }
  }

  // The rest of the stream, from the start of `piece`, through one decoder.
  Status Fallback(Piece& piece) {
    PackedBytes prefix = std::move(piece.packed);
    piece.packed = PackedBytes();
    prefix.Append(buffer_.data() + pos_, end_ - pos_);
    pos_ = end_;
    scan_done_ = true;
    Status status = Status::kOk;
    rest_ = MakeLzma2Decoder(props_, std::make_unique<PrefixedSource>(std::move(prefix), std::move(input_), input_status_),
                             out_left_, status, out_size_ - out_left_);
    return status;
  }

  // At least n unread bytes in the scan buffer (n at most its size); false at the input's end or
  // failure (input_status_ then tells which).
  bool Ensure(size_t n) {
    if (end_ - pos_ >= n) return true;
    if (input_status_ != Status::kOk || !input_) return false;
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    while (end_ < n) {
      size_t got = 0;
      input_status_ = input_->Read(buffer_.data() + end_, buffer_.size() - end_, got);
      if (input_status_ != Status::kOk || got == 0) return false;
      end_ += got;
    }
    return true;
  }

  bool CopyPacked(PackedBytes& packed, uint64_t n) {
    while (n > 0) {
      if (!Ensure(1)) return false;
      const size_t take = static_cast<size_t>(std::min<uint64_t>(n, end_ - pos_));
      packed.Append(buffer_.data() + pos_, take);
      pos_ += take;
      n -= take;
    }
    return true;
  }

  // One helper for every piece waiting behind the first, as long as the share lends threads.
  void StartHelpers() {
    std::lock_guard lock(mutex_);
    size_t waiting = 0;
    for (size_t i = 1; i < pieces_.size(); ++i)
      waiting += pieces_[i]->state == Piece::State::kWaiting && !pieces_[i]->unbuffered;
    helpers_.Start(waiting, [this] { Help(); });
  }

  void Help() {
    for (;;) {
      Piece* piece = nullptr;
      {
        std::lock_guard lock(mutex_);
        if (!stop_) piece = ClaimBuffered();
        if (!piece) {
          helpers_.Leave();
          return;
        }
      }
      if (!Buffer(*piece)) continue;
      while (!Step(*piece)) {
      }
    }
  }

  // The first waiting piece that may be decoded into memory, marked running; under the mutex.
  Piece* ClaimBuffered() {
    for (auto& piece : pieces_)
      if (piece->state == Piece::State::kWaiting && !piece->unbuffered) {
        piece->state = Piece::State::kRunning;
        return piece.get();
      }
    return nullptr;
  }

  // Memory for a claimed piece's bytes; without it (a fragmented 32-bit address space) the piece
  // goes back to wait for the reader, which decodes it without holding its bytes.
  bool Buffer(Piece& piece) {
    piece.out.reset(new (std::nothrow) uint8_t[std::max<uint64_t>(piece.size, 1)]);
    if (piece.out) return true;
    {
      std::lock_guard lock(mutex_);
      piece.state = Piece::State::kWaiting;
      piece.unbuffered = true;
    }
    changed_.notify_all();
    return false;
  }

  Status Open(Piece& piece) {
    Status status = Status::kOk;
    auto packed = std::make_unique<PrefixedSource>(std::move(piece.packed), nullptr, Status::kOk);
    piece.decoder = MakeLzma2Decoder(props_, std::move(packed), piece.declared, status, piece.position);
    return status;
  }

  // After a piece's last byte: the last piece's chunks may end short of what it was held to, and
  // its decoder then says how.
  static Status Finish(Piece& piece) {
    if (piece.declared == piece.size) return Status::kOk;
    uint8_t extra = 0;
    size_t more = 0;
    Status status = piece.decoder->Read(&extra, 1, more);
    return status == Status::kOk ? Status::kDataError : status;
  }

  Status ReadStreamed(Piece& piece, uint8_t* data, size_t size, size_t& got) {
    if (stop_ || share_.Stopping()) return Status::kCancelled;
    Status status = piece.decoder->Read(data, static_cast<size_t>(std::min<uint64_t>(size, piece.size - read_pos_)), got);
    if (status == Status::kOk && got == 0) status = Status::kDataError;  // ended early
    if (status == Status::kOk) read_pos_ += got;
    return status;
  }

  // Drops the first piece, read to its end.
  void Pop() {
    uint64_t memory = 0;
    {
      std::lock_guard lock(mutex_);
      memory = pieces_.front()->memory;
      pieces_.pop_front();
    }
    read_pos_ = 0;
    share_.ReturnMemory(memory);
  }

  // Decodes the next bytes of a piece; true once it is done. Only the piece's runner calls it.
  bool Step(Piece& piece) {
    Status status = Status::kOk;
    size_t got = 0;
    if (stop_ || share_.Stopping()) {
      status = Status::kCancelled;
    } else if (!piece.decoder) {
      status = Open(piece);
    }
    if (status == Status::kOk) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(kStep, piece.size - piece.got));
      status = ReadFull(*piece.decoder, piece.out.get() + piece.got, want, got);
      if (status == Status::kOk && got < want) status = Status::kDataError;
      if (status == Status::kOk && piece.got + got == piece.size) status = Finish(piece);
    }
    bool done = false;
    std::unique_ptr<Source> finished;  // freed outside the lock; the piece may be gone by then
    {
      std::lock_guard lock(mutex_);
      piece.got += got;
      piece.status = status;
      done = status != Status::kOk || piece.got == piece.size;
      if (done) {
        piece.state = Piece::State::kDone;
        finished = std::move(piece.decoder);
      }
    }
    changed_.notify_all();
    return done;
  }

  const std::vector<uint8_t> props_;
  std::unique_ptr<Source> input_;
  Status input_status_ = Status::kOk;
  const uint64_t out_size_;
  uint64_t out_left_;  // declared bytes not yet given to a piece
  const uint64_t dictionary_;
  DecodeShare& share_;
  const uint64_t max_piece_;  // unpacked bytes

  // Scanning, on the reader's thread.
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0, end_ = 0;
  bool scan_done_ = false;
  uint64_t last_memory_ = 0;
  std::unique_ptr<Source> rest_;
  uint64_t read_pos_ = 0;  // in the first piece
  Piece* owned_ = nullptr;  // a piece further on the reader decodes while a helper has the first

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Piece>> pieces_;
  BorrowedThreads helpers_{share_};
  std::atomic<bool> stop_ = false;
};

}  // namespace

std::unique_ptr<Source> MakeLzma2SplitDecoder(const std::vector<uint8_t>& props, std::unique_ptr<Source> input,
                                              uint64_t out_size, DecodeShare& share, Status& status) {
  uint64_t dictionary = 0;
  if (props.size() != 1 || !Lzma2Dictionary(props[0], dictionary)) {
    status = Status::kUnsupportedMethod;
    return nullptr;
  }
  if (DictionaryBufferSize(dictionary, out_size) > kMaxDictionary) {
    status = Status::kTooLarge;
    return nullptr;
  }
  // When 7-Zip compresses on several threads it resets the dictionary about every four
  // dictionaries of output; a stream no longer than that is one block, and scanning it ahead would
  // only cost the copy of all its packed bytes before the first byte comes out.
  if (out_size <= kBlockDictionaries * dictionary) return MakeLzma2Decoder(props, std::move(input), out_size, status);
  status = Status::kOk;
  return std::make_unique<Lzma2SplitDecoder>(props, std::move(input), out_size, dictionary, share);
}

}  // namespace qmb::sevenzip
