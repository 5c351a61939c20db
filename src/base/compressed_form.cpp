// The compressed settings form: magic, declared length, zlib stream. The declared length is checked
// against a bound before any memory is taken, and must match what the stream inflates to.
#include "base/compressed_form.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>

namespace qmb {

namespace {

constexpr unsigned char kMagic[4] = {0x0D, 0x0F, 0x3E, 0x03};
constexpr size_t kHeaderSize = 8;
// Settings files are small; anything claiming more is damaged or hostile.
constexpr uint32_t kMaxLength = 256u << 20;

}  // namespace

std::optional<std::string> DecompressForm(std::string_view data) {
  if (data.size() < kHeaderSize) return std::nullopt;
  for (size_t i = 0; i < 4; ++i)
    if (static_cast<unsigned char>(data[i]) != kMagic[i]) return std::nullopt;
  uint32_t length = 0;
  for (size_t i = 0; i < 4; ++i) length |= uint32_t{static_cast<unsigned char>(data[4 + i])} << (8 * i);
  if (length > kMaxLength) return std::nullopt;

  // One spare byte: a stream that inflates to more than the declared length shows up as a
  // longer result (or a full buffer) instead of being cut silently.
  std::string out(size_t{length} + 1, '\0');
  uLongf out_len = static_cast<uLongf>(out.size());
  uLong in_len = static_cast<uLong>(data.size() - kHeaderSize);
  int rc = uncompress2(reinterpret_cast<Bytef*>(out.data()), &out_len,
                       reinterpret_cast<const Bytef*>(data.data() + kHeaderSize), &in_len);
  if (rc != Z_OK || out_len != length) return std::nullopt;
  out.resize(length);
  return out;
}

std::string CompressForm(std::string_view data) {
  uLongf bound = compressBound(static_cast<uLong>(data.size()));
  std::string out(kHeaderSize + bound, '\0');
  for (size_t i = 0; i < 4; ++i) out[i] = static_cast<char>(kMagic[i]);
  uint32_t length = static_cast<uint32_t>(data.size());
  for (size_t i = 0; i < 4; ++i) out[4 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
  uLongf packed = bound;
  int rc = compress2(reinterpret_cast<Bytef*>(out.data() + kHeaderSize), &packed,
                     reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                     Z_BEST_COMPRESSION);
  // Only running out of memory fails here; an empty result is never a valid form.
  if (rc != Z_OK) return {};
  out.resize(kHeaderSize + packed);
  return out;
}

std::optional<std::string> DecompressGzip(std::string_view data, size_t max_size) {
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return std::nullopt;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  std::string out;
  int rc = Z_OK;
  while (rc == Z_OK) {
    const size_t used = out.size();
    if (used >= max_size) break;
    const size_t step = std::min<size_t>(std::max<size_t>(used, 1u << 16), max_size - used);
    out.resize(used + step);
    stream.next_out = reinterpret_cast<Bytef*>(out.data() + used);
    stream.avail_out = static_cast<uInt>(step);
    rc = inflate(&stream, Z_NO_FLUSH);
    out.resize(used + step - stream.avail_out);
  }
  inflateEnd(&stream);
  if (rc != Z_STREAM_END) return std::nullopt;
  return out;
}

std::string CompressGzip(std::string_view data) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    return {};
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&stream, Z_FINISH);
  out.resize(out.size() - stream.avail_out);
  deflateEnd(&stream);
  return rc == Z_STREAM_END ? out : std::string();
}

bool IsGzip(std::string_view data) {
  return data.size() >= 2 && static_cast<unsigned char>(data[0]) == 0x1F && static_cast<unsigned char>(data[1]) == 0x8B;
}

std::optional<std::string> InflateIfGzip(std::string_view data, size_t max_size) {
  if (IsGzip(data)) return DecompressGzip(data, max_size);
  return std::string(data);
}

}  // namespace qmb
