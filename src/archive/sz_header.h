// The 7z header's model and its parser: pack streams, folders (coder chains with their bindings),
// substreams and the files' properties. The parser checks every count and index against what the
// header can hold, so the model it returns is consistent.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/sz_byte_reader.h"

namespace qmb::sevenzip {

// Header property ids.
enum PropertyId : uint64_t {
  kEnd = 0,
  kHeader = 1,
  kArchiveProperties = 2,
  kAdditionalStreamsInfo = 3,
  kMainStreamsInfo = 4,
  kFilesInfo = 5,
  kPackInfo = 6,
  kUnpackInfo = 7,
  kSubStreamsInfo = 8,
  kSize = 9,
  kCrc = 10,
  kFolder = 11,
  kCodersUnpackSize = 12,
  kNumUnpackStream = 13,
  kEmptyStream = 14,
  kEmptyFile = 15,
  kAnti = 16,
  kName = 17,
  kCTime = 18,
  kATime = 19,
  kMTime = 20,
  kWinAttributes = 21,
  kComment = 22,
  kEncodedHeader = 23,
  kStartPos = 24,
  kDummy = 25,
};

inline constexpr size_t kMaxCodersPerFolder = 64;
inline constexpr size_t kMaxStreamsPerCoder = 64;

struct Coder {
  uint64_t method = 0;  // the id bytes, big-endian (LZMA: 0x030101)
  uint32_t num_in = 1;  // streams the decoder reads
  uint32_t num_out = 1;
  std::vector<uint8_t> props;
};

struct Folder {
  std::vector<Coder> coders;
  std::vector<std::pair<uint32_t, uint32_t>> bind_pairs;  // (in stream, out stream feeding it)
  std::vector<uint32_t> packed_streams;                    // in streams read from pack streams
  std::vector<uint64_t> unpack_sizes;                      // per out stream
  uint32_t main_out = 0;                                   // the out stream nothing consumes
  std::optional<uint32_t> crc;
  uint64_t num_substreams = 1;
  size_t first_pack = 0;  // index of its first pack stream in StreamsInfo::pack_sizes

  uint64_t unpack_size() const { return unpack_sizes[main_out]; }
};

struct StreamsInfo {
  uint64_t pack_pos = 0;  // relative to the end of the signature header
  std::vector<uint64_t> pack_sizes;
  std::vector<Folder> folders;
  // One per substream (file data) across all folders, in order.
  std::vector<uint64_t> sub_sizes;
  std::vector<std::optional<uint32_t>> sub_crcs;
};

struct Header {
  StreamsInfo streams;
  std::vector<Entry> entries;
};

// The parsers read from just after the kEncodedHeader or kHeader id and report damage as
// kDataError (kUnsupportedMethod for coder features we do not read) with a short message.
Error ParseStreamsInfo(ByteReader& reader, StreamsInfo& info);
Error ParseHeader(ByteReader& reader, Header& header);

// True when any coder of the folder is 7zAES.
bool FolderIsEncrypted(const Folder& folder);
inline constexpr uint64_t kMethodAes = 0x06F10701;

}  // namespace qmb::sevenzip
