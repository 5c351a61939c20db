// Fuzzes the 7z reader: opens the input as an archive and decodes every entry. Where the input
// starts with a 7z signature the two header CRCs are made to match again, so that mutations reach
// the header parser and the decoders instead of stopping at the CRC checks.
#include <zlib.h>

#include <cstring>
#include <string>

#include "archive/archive_reader.h"

namespace {

using namespace qmb::sevenzip;

class DiscardSink : public ExtractSink {
 public:
  bool Begin(size_t) override { return true; }
  bool Data(const uint8_t*, size_t) override { return true; }
  bool End(size_t, Status) override { return true; }
};

uint64_t ReadLe(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

void WriteLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void FixHeaderCrcs(std::string& bytes) {
  auto* p = reinterpret_cast<uint8_t*>(bytes.data());
  const size_t size = bytes.size();
  if (size < 32 || std::memcmp(p, "7z\xBC\xAF\x27\x1C", 6) != 0) return;
  const uint64_t offset = ReadLe(p + 12, 8);
  const uint64_t length = ReadLe(p + 20, 8);
  if (offset < size && length <= size && 32 + offset + length <= size)
    WriteLe32(p + 28, crc32(0, p + 32 + offset, static_cast<uInt>(length)));
  WriteLe32(p + 8, crc32(0, p + 12, 20));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  FixHeaderCrcs(bytes);
  Error error;
  auto archive = Archive::Open(MemoryStream(std::move(bytes)), u"pw", error);
  if (!archive) return 0;
  DiscardSink sink;
  archive->Extract(std::vector<bool>(archive->entries().size(), true), sink);
  return 0;
}
