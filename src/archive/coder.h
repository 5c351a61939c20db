// The pull-stream shape every decoder and filter takes: a Source hands out decoded bytes on
// request and pulls its own input from the Sources below it, so a folder is decoded through
// bounded buffers whatever its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive_reader.h"

namespace qmb::sevenzip {

class Source {
 public:
  virtual ~Source() = default;
  // Reads up to size bytes into data; got is 0 only at the end of the stream. A non-Ok status
  // means the stream is broken and must not be read again.
  virtual Status Read(uint8_t* data, size_t size, size_t& got) = 0;
};

// Reads until size bytes arrived or the stream ended; got tells how many.
Status ReadFull(Source& source, uint8_t* data, size_t size, size_t& got);

// Buffered input for decoders that consume their input in pieces.
class InputBuffer {
 public:
  InputBuffer(std::unique_ptr<Source> source, size_t capacity);
  // Makes bytes available when none are left; false with status set when that failed.
  // After a successful call, available() == 0 means the input ended.
  bool Fill(Status& status);
  const uint8_t* data() const { return buffer_.data() + pos_; }
  size_t available() const { return end_ - pos_; }
  void Consume(size_t n) { pos_ += n; }

  // Byte-wise reading: false at the end of the input or after a read error, which status()
  // then holds.
  bool NextByte(uint8_t& byte) {
    if (pos_ == end_ && !Reload()) return false;
    byte = buffer_[pos_++];
    return true;
  }
  Status status() const { return status_; }

 private:
  bool Reload();

  std::unique_ptr<Source> source_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool ended_ = false;
  Status status_ = Status::kOk;
};

// Largest dictionary we take memory for: the 32-bit runtime cannot spare more.
#if UINTPTR_MAX > 0xFFFFFFFFu
inline constexpr uint64_t kMaxDictionary = 3ull << 29;  // 1.5 GiB
#else
inline constexpr uint64_t kMaxDictionary = 1ull << 29;  // 512 MiB
#endif

// Size of the buffer a decoder keeps for its dictionary: the whole dictionary, or less when the
// output is smaller (a large dictionary over a small file takes only what the file needs).
uint64_t DictionaryBufferSize(uint64_t dictionary, uint64_t out_size);

}  // namespace qmb::sevenzip
