// Every method and filter we decode, against archives 7zz makes at test time: our extraction
// must give back the source files byte for byte.
#include "archive/reader_test_support.h"

namespace qmb::sevenzip::reader_test {
namespace {

void ExpectDecodes(const Tree& tree, const std::string& switches) {
  TempDir dir;
  ExpectTree(ExtractAll(ReadFile(Make7z(dir, tree, switches))), tree);
}

class MethodTest : public ::testing::TestWithParam<const char*> {};

TEST_P(MethodTest, DecodesEveryFileOfTheSampleTree) { ExpectDecodes(SampleTree(), GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Methods, MethodTest,
    ::testing::Values("-m0=Copy", "-m0=LZMA -mx=1", "-m0=LZMA -mx=9 -mhc=off", "-m0=LZMA2 -mx=0", "-m0=LZMA2 -mx=1",
                      "-m0=LZMA2 -mx=5", "-m0=LZMA2 -mx=9", "-m0=LZMA2:d=64k -ms=off",
                      "-m0=LZMA2:c=16k -mhc=off",  // many small chunks, stored ones among them
                      "-m0=Deflate", "-mf=BCJ", "-mf=BCJ2", "-m0=BCJ2 -m1=LZMA -m2=LZMA -m3=LZMA -mb0:1 -mb0s1:2 -mb0s2:3",
                      "-mf=ARM", "-mf=ARMT", "-mf=ARM64", "-mf=PPC", "-mf=SPARC", "-mf=IA64", "-mf=Delta:4",
                      "-m0=Delta:1 -m1=LZMA", "-m0=BCJ -m1=Deflate", "-ms=on -mf=off", "-ms=off -m0=Copy"));

// Every compression level of 7zz's default method: the levels change dictionary, match finder and
// filters, so each gives the decoder a differently shaped stream.
INSTANTIATE_TEST_SUITE_P(Levels, MethodTest,
                         ::testing::Values("-mx=0", "-mx=1", "-mx=2", "-mx=3", "-mx=4", "-mx=5",
                                           "-mx=6", "-mx=7", "-mx=8", "-mx=9"));

// PPMd, BZip2, Deflate64 and the RISC-V filter over the sample tree with RISC-V code and far,
// long matches added: PPMd at several orders and model sizes (the smallest restart and compact
// their model many times; 7zz writes orders up to 32 and models from 64 KiB), BZip2 with
// several blocks per stream, solid and not.
class ExtendedMethodTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ExtendedMethodTest, DecodesEveryFileOfTheExtendedTree) { ExpectDecodes(ExtendedTree(), GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Methods, ExtendedMethodTest,
    ::testing::Values("-m0=PPMd", "-m0=PPMd -ms=off", "-m0=PPMd:o=2:mem=64k", "-m0=PPMd:o=4:mem=64k -ms=off",
                      "-m0=PPMd:o=16:mem=1m -ms=off", "-m0=PPMd:o=32:mem=256k", "-m0=PPMd:o=32:mem=4m",
                      "-m0=PPMd -mx=9", "-m0=BZip2", "-m0=BZip2:d=100k -mmt=2", "-m0=BZip2:d=300k:pass=2 -ms=off",
                      "-m0=BZip2 -mx=9 -mmt=2", "-m0=Deflate64", "-m0=Deflate64 -mx=9 -ms=off",
                      "-m0=Deflate64 -mx=1", "-mf=RISCV", "-mf=RISCV -ms=off", "-m0=RISCV -m1=Copy",
                      "-mf=RISCV -m0=PPMd", "-m0=BCJ2 -m1=BZip2 -m2=LZMA -m3=LZMA -mb0:1 -mb0s1:2 -mb0s2:3"));

TEST(ReaderMethods, UnknownMethodFailsNamingItsId) {
  TempDir dir;
  Tree tree;
  tree.files["a.txt"] = Text(5000, 7);
  const fs::path archive = Make7z(dir, tree, "-m0=Swap4 -m1=LZMA -mhc=off");
  Extracted got = ExtractAll(ReadFile(archive));
  ASSERT_TRUE(got.open_error.ok()) << got.open_error.message;
  EXPECT_EQ(got.extract_error.status, Status::kUnsupportedMethod);
  EXPECT_NE(got.extract_error.message.find("020304"), std::string::npos) << got.extract_error.message;
}

}  // namespace
}  // namespace qmb::sevenzip::reader_test
