// The 7z container: finds the archive (at offset 0 or behind leading bytes such as a program image
// or a marker), reads its headers (plain, compressed or encrypted) and decodes the entries' data
// through the folder's coder chain, checking every CRC. All sizes read from headers are bounded
// before memory is taken; damaged input ends with an error, never a crash.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/in_stream.h"

namespace qmb::sevenzip {

enum class Status {
  kOk = 0,
  kNotArchive,         // no 7z signature with a valid start header
  kUnsupportedMethod,  // message names the method id
  kDataError,          // damaged headers or data
  kCrcError,
  kWrongPassword,      // encrypted data or headers that do not decode with the password
  kPasswordRequired,
  kUnexpectedEnd,      // truncated archive
  kTooLarge,           // a size or count beyond our bounds
  kCancelled,          // the sink asked to stop
  kWriteError,         // the sink could not write
};

struct Error {
  Status status = Status::kOk;
  std::string message;  // ASCII, short; names the method for kUnsupportedMethod
  bool ok() const { return status == Status::kOk; }
};

struct Entry {
  std::u16string name;  // path as stored, with "/" between folders
  bool is_dir = false;
  bool is_anti = false;
  bool has_stream = false;  // false for folders and empty files
  uint64_t size = 0;
  std::optional<uint32_t> crc;
  std::optional<uint32_t> attributes;  // Windows attributes (low 16 bits)
  std::optional<uint64_t> mtime;       // FILETIME
  std::optional<uint64_t> ctime;
  std::optional<uint64_t> atime;
};

// Receives the data of the selected entries, in archive order. Returning false from any call stops
// the run: Begin/Data answer false to cancel (kCancelled), End's false means a write failed.
// Every Begin that answered true is followed by an End, also when the run stops inside the entry
// (then with the failure's status), so a sink can always close or remove what it began.
class ExtractSink {
 public:
  virtual ~ExtractSink() = default;
  virtual bool Begin(size_t index) = 0;
  virtual bool Data(const uint8_t* data, size_t size) = 0;
  // status is kOk when the entry's data was complete and its CRC matched.
  virtual bool End(size_t index, Status status) = 0;
};

class Archive {
 public:
  // password is UTF-16 (converted from GBK by the caller); it opens encrypted headers too.
  static std::unique_ptr<Archive> Open(std::unique_ptr<InStream> stream,
                                       const std::u16string& password, Error& error);
  virtual ~Archive() = default;
  virtual const std::vector<Entry>& entries() const = 0;
  // Decodes the selected entries (selected.size() == entries().size()). Entries without a stream
  // get Begin and End without Data. Stops at the first failure and returns it. With threads > 1
  // folders are decoded on that many workers ahead of the sink; the sink is still called on the
  // caller's thread, in archive order, with the same calls as with one thread.
  virtual Error Extract(const std::vector<bool>& selected, ExtractSink& sink, unsigned threads = 1) = 0;
};

}  // namespace qmb::sevenzip
