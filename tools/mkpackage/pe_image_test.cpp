#include "pe_image.h"

#include "test_fixtures.h"

namespace qmb::mkpackage {
namespace {

using namespace testing;

class PeImageTest : public TempDirTest {};

TEST_F(PeImageTest, FindsTheKeyResourceOfARealImage) {
  const std::string image = Bytes(BuildRuntime(dir(), "rt",
                                               "250 KEY { 0x4142 }\n"
                                               "251 KEY { 0x4344 }\n"
                                               "7 RCDATA { \"other\" }\n"));
  std::string error;
  auto range = FindNamedTypeResource(image, "KEY", 250, error);
  ASSERT_TRUE(range) << error;
  EXPECT_EQ(range->size, 2u);
  EXPECT_EQ(image.substr(range->offset, 2), "BA");  // the word 0x4142, little-endian
  auto other = FindNamedTypeResource(image, "key", 251, error);  // type names ignore case
  ASSERT_TRUE(other) << error;
  EXPECT_EQ(image.substr(other->offset, 2), "DC");

  EXPECT_FALSE(FindNamedTypeResource(image, "KEY", 252, error));
  EXPECT_NE(error.find("KEY/252"), std::string::npos) << error;
  EXPECT_FALSE(FindNamedTypeResource(image, "KEYS", 250, error));

  auto end = ImageEnd(image, error);
  ASSERT_TRUE(end) << error;
  EXPECT_EQ(*end, image.size());
}

TEST_F(PeImageTest, ReadsTheSixtyFourBitFormAlike) {
  const std::string image32 = Bytes(BuildRuntime(dir(), "rt32", "250 KEY { 0x4142 }\n"));
  const std::string image64 =
      Bytes(BuildRuntime(dir(), "rt64", "250 KEY { 0x4142 }\n", "x86_64-w64-mingw32"));
  std::string error;
  EXPECT_EQ(ImageKind(image32, error).value_or(error), "PE32 (x86)");
  EXPECT_EQ(ImageKind(image64, error).value_or(error), "PE32+ (x86-64)");
  auto range = FindNamedTypeResource(image64, "KEY", 250, error);
  ASSERT_TRUE(range) << error;
  EXPECT_EQ(image64.substr(range->offset, 2), "BA");
  EXPECT_EQ(ImageEnd(image64, error).value_or(0), image64.size()) << error;
}

TEST_F(PeImageTest, RefusesImagesWithoutResourcesOrDamaged) {
  const std::string bare = Bytes(BuildRuntime(dir(), "bare", ""));
  std::string error;
  EXPECT_FALSE(FindNamedTypeResource(bare, "KEY", 250, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(FindNamedTypeResource("not an image at all", "KEY", 250, error));
  EXPECT_FALSE(ImageEnd("MZ", error));

  // Every cut of a real image is refused or answered from within the cut, never read past it.
  const std::string image = Bytes(BuildRuntime(dir(), "rt", "250 KEY { 0x0000 }\n"));
  for (size_t cut = 0; cut < image.size(); cut += 97) {
    const std::string part = image.substr(0, cut);
    auto range = FindNamedTypeResource(part, "KEY", 250, error);
    if (range) {
      EXPECT_LE(range->offset + range->size, part.size());
    }
  }
}

}  // namespace
}  // namespace qmb::mkpackage
