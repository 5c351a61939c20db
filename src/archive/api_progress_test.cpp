// The callback records of a run: states, sizes, GBK destination names, and cancelling.
#include "archive/api_test_support.h"
#include "archive/extract_run.h"

namespace qmb::sevenzip::test {
namespace {

class ApiProgress : public ::testing::Test {
 protected:
  void SetUp() override {
    g_recorder = &recorder_;
    SevenZipSetOwner(&g_recorder, Record_);
    WriteFile(drive_.C("src/a.txt"), "abc");
    WriteFile(drive_.C("src/big.bin"), RandomBytes(3 * 1024 * 1024 + 5, 1));
    WriteFile(drive_.C("src/empty.txt"), "");
    // UTF-8 on disk: sub/数据.txt and sub/한.txt (한 has no GBK form).
    WriteFile(drive_.C(std::string("src/sub/\xE6\x95\xB0\xE6\x8D\xAE.txt")), "x");
    WriteFile(drive_.C(std::string("src/sub/\xED\x95\x9C.txt")), "y");
    fs::create_directories(drive_.C("src/folder"));
    Make7z(drive_.C("arc/p.7z"), drive_.C("src"), "-m0=LZMA2 -ms=off");
  }
  void TearDown() override {
    SevenZipSetOwner(nullptr, nullptr);
    g_recorder = nullptr;
  }
  // The records of one destination, in order.
  std::vector<Record> Of(const std::string& dest) const {
    std::vector<Record> out;
    for (const Record& r : recorder_.records)
      if (r.dest == dest && r.state != kStateRunEnd) out.push_back(r);
    return out;
  }
  DriveRoot drive_;
  Recorder recorder_;
};

TEST_F(ApiProgress, RecordsPerFileAndOneEnd) {
  ASSERT_EQ(RunCommand(R"(x "C:\arc\p.7z" -hide -y "C:\Out Dir\" -p"")"), 0);
  auto& all = recorder_.records;
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.back().state, kStateRunEnd);
  EXPECT_EQ(std::count_if(all.begin(), all.end(), [](auto& r) { return r.state == kStateRunEnd; }), 1);

  auto big = Of("C:\\Out Dir\\big.bin");
  ASSERT_GE(big.size(), 5u);  // begin, three MiB marks, end
  EXPECT_EQ(big.front().state, kStateFileBegin);
  EXPECT_EQ(big.front().written, 0u);
  EXPECT_EQ(big.back().state, kStateInProgress);
  EXPECT_EQ(big.back().written, 3u * 1024 * 1024 + 5);
  for (size_t i = 1; i < big.size(); ++i) {
    EXPECT_EQ(big[i].size, 3u * 1024 * 1024 + 5);
    EXPECT_GE(big[i].written, big[i - 1].written);
    EXPECT_LE(big[i].written - big[i - 1].written, 1u << 22);  // a write block at most
  }
  auto empty = Of("C:\\Out Dir\\empty.txt");
  ASSERT_EQ(empty.size(), 2u);
  EXPECT_EQ(empty[0].state, kStateFileBegin);
  EXPECT_EQ(empty[1].state, kStateInProgress);
  EXPECT_EQ(empty[1].size, 0u);
  // GBK names as they are; a name GBK cannot hold is reported with "?" but still written.
  EXPECT_EQ(Of("C:\\Out Dir\\sub\\数据.txt").back().written, 1u);
  EXPECT_EQ(Of("C:\\Out Dir\\sub\\?.txt").back().written, 1u);
  EXPECT_EQ(ReadFile(drive_.C(std::string("Out Dir/sub/\xED\x95\x9C.txt"))), "y");
  // Folders are not reported.
  for (const Record& r : all) EXPECT_EQ(r.dest.find("folder"), std::string::npos);

  recorder_.records.clear();
  ASSERT_EQ(RunCommand(R"(e "C:\arc\p.7z" -y "C:/flat/" "sub")"), 0);
  EXPECT_EQ(recorder_.records.size(), 5u);  // two files, two records each, one end
  EXPECT_EQ(Of("C:\\flat\\数据.txt").size(), 2u);
}

TEST_F(ApiProgress, FalseCancelsAndDropsTheHalfWrittenFile) {
  ASSERT_EQ(RunCommand(R"(x "C:\arc\p.7z" -y "C:\all\")"), 0);
  int index = -1;
  for (size_t i = 0; i < recorder_.records.size(); ++i)
    if (recorder_.records[i].state == kStateInProgress && recorder_.records[i].size > 1000000 &&
        recorder_.records[i].written == 1u << 20)
      index = static_cast<int>(i);
  ASSERT_GE(index, 0) << "a report at the first MiB of big.bin";

  recorder_.records.clear();
  recorder_.cancel_after = index;
  std::string message;
  EXPECT_EQ(RunCommand(R"(x "C:\arc\p.7z" -y "C:\cancel\")", &message),
            static_cast<int>(RunResult::kCancelled));
  EXPECT_EQ(message, "cancelled");
  EXPECT_FALSE(fs::exists(drive_.C("cancel/big.bin")));
  EXPECT_EQ(recorder_.records.size(), static_cast<size_t>(index) + 2);  // nothing after, but the end
  EXPECT_EQ(recorder_.records.back().state, kStateRunEnd);

  // Cancelling at the start of a file.
  recorder_.records.clear();
  recorder_.cancel_after = 0;
  EXPECT_EQ(RunCommand(R"(x "C:\arc\p.7z" -y "C:\cancel0\")"), static_cast<int>(RunResult::kCancelled));
  for (auto& [name, bytes] : Tree(drive_.C("cancel0"))) EXPECT_EQ(bytes, "dir") << name;
}

TEST(ReportedSizes, FilesOfFourGibibytesReportThousandths) {
  ExtractingInfo info{};
  SetReportedSizes(info, 0xFFFFFFFEull, 0xFFFFFFFEull);
  EXPECT_EQ(info.dwFileSize, 0xFFFFFFFEu);
  EXPECT_EQ(info.dwWriteSize, 0xFFFFFFFEu);
  // 0xFFFFFFFF itself would read as the marker, so it counts as large.
  SetReportedSizes(info, 0xFFFFFFFFull, 0xFFFFFFFFull / 2);
  EXPECT_EQ(info.dwFileSize, 0xFFFFFFFFu);
  EXPECT_EQ(info.dwWriteSize, 499u);
  SetReportedSizes(info, 10ull << 30, 10ull << 30);
  EXPECT_EQ(info.dwWriteSize, 1000u);
  SetReportedSizes(info, 10ull << 30, 1ull << 30);
  EXPECT_EQ(info.dwWriteSize, 100u);
  SetReportedSizes(info, 0, 0);
  EXPECT_EQ(info.dwFileSize, 0u);
}

}  // namespace
}  // namespace qmb::sevenzip::test
