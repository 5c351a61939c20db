// The progress line on a terminal and in a log, the summary, and 7zz's percentages reaching it.
#include "progress_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "sevenzip_tool.h"
#include "test_fixtures.h"

namespace qmb::mkpackage {
namespace {

std::string Written(bool in_place, const std::vector<int>& percents) {
  std::FILE* f = std::tmpfile();
  ProgressLine line(f, in_place, "packing");
  for (int p : percents) line.Update(p);
  line.Finish();
  std::string text(static_cast<size_t>(std::ftell(f)), '\0');
  std::rewind(f);
  text.resize(std::fread(text.data(), 1, text.size(), f));
  std::fclose(f);
  return text;
}

TEST(ProgressLineTest, RewritesInPlaceOnATerminalAndPrintsTenthsElsewhere) {
  EXPECT_EQ(Written(true, {0, 5, 5, 100}), "\rpacking   0%\rpacking   5%\rpacking 100%\n");
  EXPECT_EQ(Written(false, {0, 5, 12, 19, 35, 100}),
            "packing 0%\npacking 10%\npacking 30%\npacking 100%\n");
  EXPECT_EQ(Written(true, {}), "");
}

TEST(ProgressLineTest, SummaryGivesSizesRatioAndTime) {
  EXPECT_EQ(FormatSummary({3 * 1024 * 1024, 10 * 1024 * 1024, 1024 * 1024 + 512 * 1024}, 2.25),
            "package 3.0 MiB, payload 10.0 MiB packed to 1.5 MiB (15.0 %), 2.2 s");
  EXPECT_EQ(FormatSummary({2000, 0, 100}, 0.04), "package 2.0 KiB, payload 0 bytes packed to 100 bytes, 0.0 s");
}

class SevenZipProgressTest : public testing::TempDirTest {};

TEST_F(SevenZipProgressTest, PercentagesRiseWhileAPayloadIsCompressed) {
  std::string data(8 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 2654435761u) >> 13);
  testing::WriteBytes(dir() / "in" / "big.bin", data);
  std::vector<int> seen;
  std::string error;
  ASSERT_TRUE(RunSevenZip({"a", "-t7z", "-mx=9", "--", (dir() / "out.7z").string(), "*"}, dir() / "in",
                          error, [&seen](int p) { seen.push_back(p); }))
      << error;
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_LE(seen.back(), 100);
  EXPECT_TRUE(std::filesystem::exists(dir() / "out.7z"));
}

}  // namespace
}  // namespace qmb::mkpackage
