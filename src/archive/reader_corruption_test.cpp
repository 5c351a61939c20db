// Damaged archives: cut short at many offsets, bits flipped in data and headers (with the header
// CRCs made to match again, so the parser itself meets the damage). Every run must end, without
// a crash, and never report success with wrong data.
#include <cstring>

#include <zlib.h>

#include "archive/reader_test_support.h"

namespace qmb::sevenzip::reader_test {
namespace {

Tree SmallTree() {
  Tree t;
  t.files["a.txt"] = Text(20000, 11);
  t.files["b/random.bin"] = RandomBytes(8000, 12);
  t.files["b/code.exe"] = CodeLike(8000, 13);
  t.files["b/code.so"] = RiscVLike(6000, 14);
  t.files["b/empty"] = "";
  t.dirs.insert("c");
  return t;
}

// True when the extraction succeeded with every file exactly as in the tree.
bool Intact(const Extracted& got, const Tree& tree) { return got.status() == Status::kOk && got.files == tree.files; }

struct Case {
  const char* switches;
  const char* password;
  int flips;
};

class CorruptionTest : public ::testing::TestWithParam<Case> {};

TEST_P(CorruptionTest, TruncatedArchivesFail) {
  TempDir dir;
  const Tree tree = SmallTree();
  const std::string bytes = ReadFile(Make7z(dir, tree, GetParam().switches));
  std::u16string password(GetParam().password, GetParam().password + std::strlen(GetParam().password));
  ASSERT_TRUE(Intact(ExtractAll(bytes, password), tree));
  const size_t step = std::max<size_t>(1, bytes.size() / (GetParam().flips / 2));
  for (size_t cut = 0; cut < bytes.size(); cut += cut + 64 >= bytes.size() ? 1 : step) {
    EXPECT_NE(ExtractAll(bytes.substr(0, cut), password).status(), Status::kOk) << "cut at " << cut;
  }
}

TEST_P(CorruptionTest, FlippedBitsNeverPassAsGoodData) {
  TempDir dir;
  const Tree tree = SmallTree();
  const std::string bytes = ReadFile(Make7z(dir, tree, GetParam().switches));
  std::u16string password(GetParam().password, GetParam().password + std::strlen(GetParam().password));
  std::mt19937 rng(1234);
  int failed = 0;
  for (int i = 0; i < GetParam().flips; ++i) {
    std::string damaged = bytes;
    const size_t pos = rng() % damaged.size();
    damaged[pos] = static_cast<char>(damaged[pos] ^ (1 << (rng() % 8)));
    Extracted got = ExtractAll(damaged, password);
    if (got.status() != Status::kOk) {
      ++failed;
      continue;
    }
    // A flip in a bit no decoder reads (the range coder's last bits, a time stamp) may pass.
    EXPECT_TRUE(got.files == tree.files) << "flip at " << pos << " passed with wrong data";
  }
  EXPECT_GT(failed, GetParam().flips * 8 / 10);
}

INSTANTIATE_TEST_SUITE_P(Archives, CorruptionTest,
                         ::testing::Values(Case{"-m0=LZMA2 -mhc=off", "", 300}, Case{"-m0=LZMA -ms=off", "", 200},
                                           Case{"-mf=BCJ2", "", 200}, Case{"-m0=Deflate", "", 200},
                                           Case{"-m0=Copy", "", 200}, Case{"-mf=Delta:2", "", 100},
                                           Case{"-mhe=on -pSecret", "Secret", 40}, Case{"-m0=PPMd", "", 200},
                                           Case{"-m0=PPMd:o=16:mem=64k -ms=off", "", 100},
                                           Case{"-m0=BZip2", "", 200}, Case{"-m0=Deflate64", "", 200},
                                           Case{"-mf=RISCV -m0=Deflate64", "", 100}));

uint32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s[at + i]);
  return v;
}
void PutLe32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}
uint32_t Crc(const std::string& s, size_t at, size_t size) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(s.data() + at), static_cast<uInt>(size)));
}

// Damage inside a plain header, behind CRCs that match again: the parser's own bounds must hold.
TEST(ReaderCorruption, DamagedHeadersWithValidChecksumsAreRefused) {
  TempDir dir;
  const Tree tree = SmallTree();
  for (const char* switches : {"-mhc=off", "-mhc=off -ms=off -mf=BCJ2"}) {
    const std::string bytes = ReadFile(Make7z(dir, tree, switches));
    const size_t header = 32 + Le32(bytes, 12), header_size = Le32(bytes, 20);
    ASSERT_EQ(header + header_size, bytes.size());
    std::mt19937 rng(99);
    int failed = 0;
    const int kRounds = 600;
    for (int i = 0; i < kRounds; ++i) {
      std::string damaged = bytes;
      // One to three changes: flipped bits or a byte set to an extreme value.
      for (int k = 0, n = 1 + rng() % 3; k < n; ++k) {
        const size_t pos = header + rng() % header_size;
        const uint32_t r = rng();
        damaged[pos] = static_cast<char>(r % 4 == 0 ? 0xFF : r % 4 == 1 ? 0x00 : damaged[pos] ^ (1 << (r >> 8) % 8));
      }
      PutLe32(damaged, 28, Crc(damaged, header, header_size));
      PutLe32(damaged, 8, Crc(damaged, 12, 20));
      Error error;
      auto archive = Archive::Open(MemoryStream(damaged), u"", error);
      CollectSink sink;
      if (!archive || !archive->Extract(std::vector<bool>(archive->entries().size(), true), sink).ok()) {
        ++failed;
        continue;
      }
      // Accepted damage (a time, an attribute, a name) must still give each entry its size.
      for (size_t k = 0; k < archive->entries().size(); ++k)
        EXPECT_EQ(sink.data.at(k).size(), archive->entries()[k].size);
    }
    EXPECT_GT(failed, kRounds / 4) << switches;
  }
}

TEST(ReaderCorruption, BogusStartHeadersAreBounded) {
  TempDir dir;
  const std::string bytes = ReadFile(Make7z(dir, SmallTree(), ""));
  auto with_next_header = [&](uint64_t offset, uint64_t size) {
    std::string damaged = bytes;
    for (int i = 0; i < 8; ++i) {
      damaged[12 + i] = static_cast<char>(offset >> (8 * i));
      damaged[20 + i] = static_cast<char>(size >> (8 * i));
    }
    PutLe32(damaged, 8, Crc(damaged, 12, 20));
    return ExtractAll(damaged).status();
  };
  EXPECT_EQ(with_next_header(0, uint64_t(1) << 40), Status::kTooLarge);
  EXPECT_EQ(with_next_header(~uint64_t(0) - 5, 100), Status::kUnexpectedEnd);
  EXPECT_EQ(with_next_header(bytes.size(), 100), Status::kUnexpectedEnd);
  EXPECT_EQ(with_next_header(0, 0), Status::kOk);  // an empty archive
}

}  // namespace
}  // namespace qmb::sevenzip::reader_test
