// Random-access input for the 7z reader: a file, a memory block, or a volume set read as one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qmb::sevenzip {

class InStream {
 public:
  virtual ~InStream() = default;
  // Reads up to size bytes at the current position; returns the count (0 at the end or on error).
  virtual size_t Read(void* buffer, size_t size) = 0;
  virtual bool Seek(uint64_t offset) = 0;
  virtual uint64_t Size() const = 0;
  // Reads up to size bytes at `offset`: Seek, then Read. A stream that threads share makes the two
  // one step, so that sources reading at their own offsets may run on different threads.
  virtual size_t ReadAt(uint64_t offset, void* buffer, size_t size) { return Seek(offset) ? Read(buffer, size) : 0; }
};

// A stream over bytes held in memory (tests, small archives).
std::unique_ptr<InStream> MemoryStream(std::string bytes);
// The parts read one after the other as one stream (a volume set .001, .002, ...).
std::unique_ptr<InStream> ConcatStream(std::vector<std::unique_ptr<InStream>> parts);

}  // namespace qmb::sevenzip
