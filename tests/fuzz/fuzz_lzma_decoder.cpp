// Fuzzes our LZMA decoder against lzma-dev's: the input is a properties byte, two bytes of
// declared output size, a byte that picks the piece sizes, then the range-coded data. Both
// decoders must agree on success and on every byte either produced, and ours must stay in bounds
// however the input and output are cut.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "LzmaDec.h"
#include "archive/lzma_decoder.h"

namespace {

void* AllocFn(void*, size_t size) { return std::malloc(size); }
void FreeFn(void*, void* address) { std::free(address); }
ISzAlloc g_alloc = {AllocFn, FreeFn};

constexpr uint32_t kDictionary = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  using qmb::sevenzip::lzma::Decoder;
  unsigned lc = 0, lp = 0, pb = 0;
  if (!qmb::sevenzip::lzma::SplitProperties(data[0], lc, lp, pb)) return 0;
  const size_t out_size = (size_t(data[1]) << 8 | data[2]) + 1;
  const size_t in_piece = 1 + (data[3] & 0x0F) * 7, out_piece = 1 + (data[3] >> 4) * 300;
  const uint8_t* in = data + 4;
  const size_t in_size = size - 4;

  std::string ref(out_size, '\0');
  const uint8_t props[5] = {data[0], uint8_t(kDictionary), uint8_t(kDictionary >> 8), uint8_t(kDictionary >> 16), 0};
  SizeT ref_out = out_size, ref_in = in_size;
  ELzmaStatus status;
  const SRes res = LzmaDecode(reinterpret_cast<Byte*>(ref.data()), &ref_out, in, &ref_in, props, 5, LZMA_FINISH_ANY,
                              &status, &g_alloc);
  const bool ref_ok = res == SZ_OK && ref_out == out_size;

  Decoder dec;
  if (!dec.Allocate(out_size, lc + lp)) abort();
  dec.SetDictionarySize(kDictionary);
  dec.SetProperties(lc, lp, pb);
  dec.Reset(true, true);
  std::string ours;
  size_t in_pos = 0;
  bool ok = true;
  while (ours.size() < out_size) {
    dec.Wrap();
    const size_t start = dec.pos();
    const size_t limit = start + std::min({out_piece, out_size - ours.size(), dec.window_size() - start});
    size_t used = std::min(in_piece, in_size - in_pos);
    ok = dec.Decode(limit, in + in_pos, used, in_pos + used == in_size);
    in_pos += used;
    ours.append(reinterpret_cast<const char*>(dec.window()) + start, dec.pos() - start);
    if (!ok || (dec.pos() == start && used == 0)) break;
  }
  ok = ok && ours.size() == out_size;
  if (ok != ref_ok) abort();
  const size_t common = std::min<size_t>(ours.size(), ref_out);
  if (ours.compare(0, common, ref, 0, common) != 0) abort();
  return 0;
}
