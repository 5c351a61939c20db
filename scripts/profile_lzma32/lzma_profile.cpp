// Decodes a .lzma file (5 bytes of properties, 8 of size or all ones for a stream that ends with
// its end marker, the stream) with our LZMA decoder or with the reference decoder, the way the archive reader drives a decoder: into a circular window of the
// dictionary's size, fed 64 KiB of input at a time. Prints the size and a checksum of the output,
// so that the two decoders can be run, counted and compared on the same stream.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "LzmaDec.h"
#include "archive/lzma_decoder.h"

namespace {

constexpr size_t kInput = 1 << 16;

struct Sum {
  uint64_t size = 0;
  uint32_t a = 1, b = 0;  // Adler-32, to tell the outputs apart
  void Add(const uint8_t* p, size_t n) {
    size += n;
    while (n > 0) {
      const size_t k = std::min<size_t>(n, 5552);  // no overflow before the modulo
      for (size_t i = 0; i < k; ++i) {
        a += p[i];
        b += a;
      }
      a %= 65521;
      b %= 65521;
      p += k;
      n -= k;
    }
  }
};

bool Ours(const std::vector<uint8_t>& file, uint64_t out_size, Sum& sum) {
  using namespace qmb::sevenzip;
  unsigned lc = 0, lp = 0, pb = 0;
  if (!lzma::SplitProperties(file[0], lc, lp, pb)) return false;
  const uint32_t dictionary = file[1] | file[2] << 8 | file[3] << 16 | uint32_t(file[4]) << 24;
  lzma::Decoder dec;
  if (!dec.Allocate(dictionary, lc + lp)) return false;
  dec.SetDictionarySize(dictionary);
  if (!dec.SetProperties(lc, lp, pb)) return false;
  dec.Reset(true, true);
  size_t in = 13;
  while (sum.size < out_size) {
    dec.Wrap();
    const size_t start = dec.pos();
    const size_t limit = start + std::min<uint64_t>(out_size - sum.size, dec.window_size() - start);
    size_t used = std::min(kInput, file.size() - in);
    const bool ok = dec.Decode(limit, file.data() + in, used, in + used == file.size());
    in += used;
    sum.Add(dec.window() + start, dec.pos() - start);
    if (dec.finished()) return out_size == UINT64_MAX || sum.size == out_size;
    if (!ok || (dec.pos() == start && used == 0)) return false;
  }
  return true;
}

void* Alloc(void*, size_t size) { return ::operator new(size); }
void Free(void*, void* p) { ::operator delete(p); }

bool Reference(const std::vector<uint8_t>& file, uint64_t out_size, Sum& sum) {
  ISzAlloc alloc = {Alloc, Free};
  CLzmaDec dec;
  LzmaDec_Construct(&dec);
  if (LzmaDec_Allocate(&dec, file.data(), LZMA_PROPS_SIZE, &alloc) != SZ_OK) return false;
  LzmaDec_Init(&dec);
  size_t in = 13;
  bool ok = true;
  ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
  while (ok && sum.size < out_size) {
    if (dec.dicPos == dec.dicBufSize) dec.dicPos = 0;
    const size_t start = dec.dicPos;
    const size_t limit = start + std::min<uint64_t>(out_size - sum.size, dec.dicBufSize - start);
    SizeT used = std::min(kInput, file.size() - in);
    ok = LzmaDec_DecodeToDic(&dec, limit, file.data() + in, &used, LZMA_FINISH_ANY, &status) == SZ_OK;
    in += used;
    sum.Add(dec.dic + start, dec.dicPos - start);
    if (status == LZMA_STATUS_FINISHED_WITH_MARK) break;
    if (dec.dicPos == start && used == 0) ok = false;
  }
  LzmaDec_Free(&dec, &alloc);
  return ok && (sum.size == out_size || out_size == UINT64_MAX);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "ours") != 0 && std::strcmp(argv[1], "reference") != 0)) {
    std::fprintf(stderr, "usage: lzma_profile ours|reference FILE.lzma\n");
    return 2;
  }
  std::FILE* f = std::fopen(argv[2], "rb");
  if (!f) return 2;
  std::vector<uint8_t> file;
  uint8_t buffer[1 << 16];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) file.insert(file.end(), buffer, buffer + n);
  std::fclose(f);
  if (file.size() < 13) return 2;
  uint64_t out_size = 0;
  for (int i = 12; i >= 5; --i) out_size = out_size << 8 | file[i];
  Sum sum;
  const bool ok = argv[1][0] == 'o' ? Ours(file, out_size, sum) : Reference(file, out_size, sum);
  std::printf("%s %llu bytes, adler32 %08x\n", ok ? "ok" : "FAILED", static_cast<unsigned long long>(sum.size),
              sum.b << 16 | sum.a);
  return ok ? 0 : 1;
}
