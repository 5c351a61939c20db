// Decoding on several threads against one thread: the same files, the same callback records in the
// same order, the same cancel and failure behaviour; and the prefetcher's budget and stop on its own.
#include <algorithm>
#include <atomic>

#include "archive/api_test_support.h"
#include "archive/extract_run.h"
#include "archive/folder_prefetch.h"

namespace qmb::sevenzip::test {
namespace {

struct RunResultOf {
  int rc = -1;
  std::string message;
  std::vector<Record> records;
  std::map<std::string, std::string> tree;
};

class ParallelExtract : public ::testing::Test {
 protected:
  void SetUp() override {
    g_recorder = &recorder_;
    SevenZipSetOwner(&g_recorder, Record_);
    // Files of mixed kinds and sizes (several over the MiB chunk), empty files and a folder.
    for (int i = 0; i < 10; ++i) {
      const size_t size = (i % 4 + 1) * 400 * 1024 + i;
      WriteFile(drive_.C("src/d" + std::to_string(i % 3) + "/f" + std::to_string(i)),
                i % 2 ? RandomBytes(size, i) : Text(size));
    }
    WriteFile(drive_.C("src/empty1"), "");
    WriteFile(drive_.C("src/d1/empty2"), "");
    fs::create_directories(drive_.C("src/folder"));
  }
  void TearDown() override {
    SevenZipSetOwner(nullptr, nullptr);
    g_recorder = nullptr;
  }

  // Extracts C:\arc\<name> into C:\out\ (emptied first) with the given thread count.
  // `names` picks entries (all when empty).
  RunResultOf Run(const std::string& name, unsigned threads, int cancel_after = -1, const std::string& names = "") {
    fs::remove_all(drive_.C("out"));
    recorder_ = {};
    recorder_.cancel_after = cancel_after;
    RunResultOf result;
    result.rc = RunCommand("x \"C:\\arc\\" + name + "\" -y -p\"secret\" \"C:\\out\\\" -mmt=" +
                               std::to_string(threads) + (names.empty() ? "" : " " + names),
                           &result.message);
    result.records = recorder_.records;
    result.tree = Tree(drive_.C("out"));
    return result;
  }

  void ExpectSameRun(const RunResultOf& a, const RunResultOf& b) {
    EXPECT_EQ(a.rc, b.rc);
    EXPECT_EQ(a.message, b.message);
    EXPECT_TRUE(a.records == b.records) << a.records.size() << " records against " << b.records.size();
    EXPECT_TRUE(a.tree == b.tree) << a.tree.size() << " files against " << b.tree.size();
  }

  // A progress report inside a file of the second half of a whole run, -1 when there is none.
  static int MidwayProgress(const RunResultOf& whole) {
    for (size_t i = whole.records.size() / 2; i < whole.records.size(); ++i)
      if (whole.records[i].state == kStateInProgress && whole.records[i].written < whole.records[i].size)
        return static_cast<int>(i);
    return -1;
  }

  DriveRoot drive_;
  Recorder recorder_;
};

TEST_F(ParallelExtract, ManyFoldersAndLzma2ResetsGiveTheOneThreadRun) {
  const std::pair<const char*, const char*> archives[] = {
      {"each.7z", "-m0=LZMA2 -mx=1 -ms=off"},                 // one folder per file
      {"pairs.7z", "-m0=LZMA2 -mx=3 -ms=2f -mhe=on -psecret"},  // encrypted, two files a block
      {"deflate.7z", "-m0=Deflate -mx=1 -ms=3f"},              // another decoder
      {"bzip2.7z", "-m0=BZip2 -mx=1 -ms=3f"},                  // blocks transformed on helpers
      {"bcj2.7z", "-mf=BCJ2 -m0=LZMA -mx=3 -ms=on -mhe=on -psecret"},  // main stream read ahead
      {"copy.7z", "-m0=Copy"},                                 // stored: read without workers
      {"copy_delta.7z", "-mf=Delta:4 -m0=Copy -ms=3f"},        // stored behind a filter
      {"resets.7z", "-m0=LZMA2:d=1m:c=1m -mx=3"},               // one stream, dictionary resets
      // Streams cut in pieces at their resets: encrypted, behind a branch filter, and one such
      // stream in each of several folders.
      {"pieces_aes.7z", "-m0=LZMA2:d=256k:c=256k -mx=3 -mhe=on -psecret"},
      {"pieces_bcj.7z", "-mf=BCJ -m0=LZMA2:d=256k:c=256k -mx=3"},
      {"pieces_folders.7z", "-m0=LZMA2:d=256k:c=256k -mx=3 -ms=3f"},
  };
  for (auto [name, switches] : archives) {
    SCOPED_TRACE(name);
    Make7z(drive_.C(std::string("arc/") + name), drive_.C("src"), switches);
    RunResultOf one = Run(name, 1);
    ASSERT_EQ(one.rc, 0) << one.message;
    ExpectSameTree(drive_.C("out"), drive_.C("src"));
    for (unsigned threads : {2u, 4u}) ExpectSameRun(Run(name, threads), one);
  }
}

// A folder behind a branch filter or Delta: read whole, its filter runs on the reading thread while
// a worker decodes; read in part, the worker stops early and must still convert the last file's
// bytes with what follows them. Here an x86 call spans the end of a.bin and the start of b.bin.
TEST_F(ParallelExtract, FilteredFolderWholeOrInPartGivesTheOneThreadRun) {
  WriteFile(drive_.C("calls/a.bin"), RandomBytes(300000, 1) + "\xE8\x10\x20");
  WriteFile(drive_.C("calls/b.bin"), std::string("\x30\x00", 2) + RandomBytes(300000, 2));
  WriteFile(drive_.C("calls/c.bin"), RandomBytes(1500000, 3));
  for (auto [name, switches] : {std::pair{"bcj.7z", "-mf=BCJ -m0=LZMA2 -mx=3 -ms=on"},
                                std::pair{"delta.7z", "-mf=Delta:4 -m0=LZMA2 -mx=3 -ms=on -mhe=on -psecret"}}) {
    SCOPED_TRACE(name);
    Make7z(drive_.C(std::string("arc/") + name), drive_.C("calls"), switches);
    for (const char* names : {"", "a.bin", "b.bin"}) {
      SCOPED_TRACE(names);
      RunResultOf one = Run(name, 1, -1, names);
      ASSERT_EQ(one.rc, 0) << one.message;
      for (auto& [file, bytes] : one.tree) EXPECT_TRUE(bytes == ReadFile(drive_.C("calls/" + file))) << file;
      ExpectSameRun(Run(name, 2, -1, names), one);
    }
  }
}

TEST_F(ParallelExtract, CancelMidwayStopsEveryWorkerAndLeavesNoHalfFile) {
  Make7z(drive_.C("arc/each.7z"), drive_.C("src"), "-m0=LZMA2 -mx=1 -ms=off");
  RunResultOf whole = Run("each.7z", 1);
  ASSERT_EQ(whole.rc, 0);
  // A progress report inside a file of the middle folders, when later folders are decoded ahead.
  const int index = MidwayProgress(whole);
  ASSERT_GE(index, 0);
  RunResultOf one = Run("each.7z", 1, index);
  EXPECT_EQ(one.rc, static_cast<int>(RunResult::kCancelled));
  RunResultOf four = Run("each.7z", 4, index);
  ExpectSameRun(four, one);
  EXPECT_EQ(four.records.size(), static_cast<size_t>(index) + 2);  // nothing after, but the end
  // What is there is whole: every file equals its source.
  for (auto& [name, bytes] : four.tree) {
    if (bytes != "dir") {
      EXPECT_TRUE(bytes == ReadFile(drive_.C("src/" + name))) << name;
    }
  }
  EXPECT_LT(four.tree.size(), whole.tree.size());
}

TEST_F(ParallelExtract, DamagedFolderFailsCleanlyWhileOthersAreInFlight) {
  Make7z(drive_.C("arc/each.7z"), drive_.C("src"), "-m0=LZMA2 -mx=1 -ms=off");
  // Damage the packed data in the middle of the archive, inside one of the middle folders.
  std::string bytes = ReadFile(drive_.C("arc/each.7z"));
  for (size_t at = bytes.size() / 2; at < bytes.size() / 2 + 64; ++at) bytes[at] ^= 0x5A;
  WriteFile(drive_.C("arc/damaged.7z"), bytes);
  RunResultOf one = Run("damaged.7z", 1);
  ASSERT_TRUE(one.rc == static_cast<int>(RunResult::kDataError) || one.rc == static_cast<int>(RunResult::kCrcError))
      << one.rc << " " << one.message;
  for (unsigned threads : {2u, 4u}) {
    RunResultOf run = Run("damaged.7z", threads);
    EXPECT_EQ(run.rc, one.rc) << run.message;
    ASSERT_FALSE(run.records.empty());
    EXPECT_EQ(run.records.back().state, kStateRunEnd);
    // Files before the damage are whole, the damaged one and everything after it are absent.
    for (auto& [name, data] : run.tree) {
      if (data != "dir") {
        EXPECT_TRUE(data == ReadFile(drive_.C("src/" + name))) << name;
      }
    }
    EXPECT_LE(run.tree.size(), one.tree.size() + 1);
  }
}

// One stream cut in pieces at its resets, of BZip2 blocks transformed ahead, or under BCJ2 with its
// main stream read ahead, so that a cancel or a damage meets work done ahead of the reader.
TEST_F(ParallelExtract, CancelOrDamageInsideAStreamOfPiecesGivesTheOneThreadRun) {
  for (auto [name, switches] : {std::pair{"pieces.7z", "-m0=LZMA2:d=256k:c=256k -mx=3 -ms=on"},
                                std::pair{"blocks.7z", "-m0=BZip2 -mx=1 -ms=on"},
                                std::pair{"bcj2.7z", "-mf=BCJ2 -m0=LZMA -mx=3 -ms=on"}}) {
    SCOPED_TRACE(name);
    Make7z(drive_.C(std::string("arc/") + name), drive_.C("src"), switches);
    RunResultOf whole = Run(name, 1);
    ASSERT_EQ(whole.rc, 0) << whole.message;
    const int index = MidwayProgress(whole);
    ASSERT_GE(index, 0);
    RunResultOf one = Run(name, 1, index);
    EXPECT_EQ(one.rc, static_cast<int>(RunResult::kCancelled));
    for (unsigned threads : {2u, 4u}) {
      SCOPED_TRACE(threads);
      RunResultOf run = Run(name, threads, index);
      ExpectSameRun(run, one);
      for (auto& [file, bytes] : run.tree) {
        if (bytes != "dir") {
          EXPECT_TRUE(bytes == ReadFile(drive_.C("src/" + file))) << file;
        }
      }
    }

    // Damage two thirds into the packed data: the pieces before it are decoded on helpers while
    // the damaged one fails, and the run ends as the one-thread run does, record for record.
    std::string bytes = ReadFile(drive_.C(std::string("arc/") + name));
    for (size_t at = bytes.size() * 2 / 3; at < bytes.size() * 2 / 3 + 32; ++at) bytes[at] ^= 0x5A;
    WriteFile(drive_.C("arc/damaged.7z"), bytes);
    RunResultOf damaged = Run("damaged.7z", 1);
    ASSERT_TRUE(damaged.rc == static_cast<int>(RunResult::kDataError) ||
                damaged.rc == static_cast<int>(RunResult::kCrcError))
        << damaged.rc << " " << damaged.message;
    EXPECT_GT(damaged.tree.size(), 0u);
    EXPECT_LT(damaged.tree.size(), whole.tree.size());
    for (unsigned threads : {2u, 4u}) {
      SCOPED_TRACE(threads);
      ExpectSameRun(Run("damaged.7z", threads), damaged);
    }
  }
}

// A source of `size` bytes counting up from `seed`, failing with `fail` at its end when set.
class CountingSource final : public Source {
 public:
  CountingSource(uint64_t size, uint8_t seed, Status fail) : left_(size), next_(seed), fail_(fail) {}
  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = static_cast<size_t>(std::min<uint64_t>(size, left_));
    if (got == 0) return fail_;
    for (size_t i = 0; i < got; ++i) data[i] = next_++;
    left_ -= got;
    return Status::kOk;
  }

 private:
  uint64_t left_;
  uint8_t next_;
  Status fail_;
};

FolderStages Unfiltered(std::unique_ptr<Source> decode) {
  FolderStages stages;
  stages.decode = std::move(decode);
  return stages;
}

std::string ReadAll(Source& source, Status& status) {
  std::string out;
  uint8_t buffer[100000];
  size_t got = 0;
  while ((status = source.Read(buffer, sizeof buffer, got)) == Status::kOk && got) out.append(buffer, buffer + got);
  return out;
}

TEST(FolderPrefetcher, ItemsArriveInOrderWhateverTheBudgetAndFailuresStayInTheirItem) {
  auto archive = MemoryStream("");
  std::vector<PrefetchItem> items;
  for (size_t i = 0; i < 6; ++i) items.push_back({i, (i + 1) * 1500000, 64 << 20});
  std::atomic<int> opened = 0;
  auto open = [&](size_t folder, InStream&, DecodeShare&, Error& error) -> FolderStages {
    ++opened;
    if (folder == 4) {
      error = {Status::kUnsupportedMethod, "unsupported method 99"};
      return {};
    }
    // Item 2 breaks half a megabyte before its end.
    const uint64_t size = (folder + 1) * 1500000 - (folder == 2 ? 500000 : 0);
    return Unfiltered(std::make_unique<CountingSource>(size, static_cast<uint8_t>(folder), Status::kCrcError));
  };
  // A budget of nothing: only the item being read may decode; a large one: all run ahead.
  for (uint64_t budget : {uint64_t(0), uint64_t(1) << 30}) {
    FolderPrefetcher prefetcher(*archive, items, 3, open, budget);
    for (size_t i = 0; i < 6; ++i) {
      Error error;
      std::unique_ptr<Source> source = prefetcher.Next(error);
      if (i == 4) {
        EXPECT_FALSE(source);
        EXPECT_EQ(error.message, "unsupported method 99");
        continue;
      }
      ASSERT_TRUE(source);
      Status status = Status::kOk;
      std::string bytes = ReadAll(*source, status);
      // Item 2: its bytes up to the damage, then the damage.
      EXPECT_EQ(bytes.size(), (i + 1) * 1500000 - (i == 2 ? 500000 : 0));
      EXPECT_EQ(status, i == 2 ? Status::kCrcError : Status::kOk);
      EXPECT_EQ(static_cast<uint8_t>(bytes[1000]), static_cast<uint8_t>(i + 1000));
    }
  }
  EXPECT_EQ(opened, 12);
}

TEST(FolderPrefetcher, StopsWorkersWaitingOnTheBudgetWhenTheReaderLeaves) {
  auto archive = MemoryStream("");
  std::vector<PrefetchItem> items;
  for (size_t i = 0; i < 8; ++i) items.push_back({i, 8 << 20, 1 << 20});
  auto open = [](size_t, InStream&, DecodeShare&, Error&) -> FolderStages {
    return Unfiltered(std::make_unique<CountingSource>(8 << 20, 0, Status::kOk));
  };
  FolderPrefetcher prefetcher(*archive, items, 4, open, 4 << 20);
  Error error;
  std::unique_ptr<Source> first = prefetcher.Next(error);
  ASSERT_TRUE(first);
  uint8_t buffer[4096];
  size_t got = 0;
  EXPECT_EQ(first->Read(buffer, sizeof buffer, got), Status::kOk);
  EXPECT_EQ(got, sizeof buffer);
  // Leaving here destroys the prefetcher with workers blocked on the budget and on the queue of
  // the item being read; the test ends only if every one of them stops.
}

// A decoder splitting its folder's stream gets only the threads and memory no worker uses.
TEST(FolderPrefetcher, LendsDecodersWhatTheWorkersLeave) {
  auto archive = MemoryStream("");
  std::vector<PrefetchItem> items = {{0, 1000, 1 << 20}};
  bool lent[4] = {}, over_budget = true, within_budget = false;
  auto open = [&](size_t, InStream&, DecodeShare& share, Error&) -> FolderStages {
    // Three threads, one of them this folder's worker: two to lend, then none.
    for (bool& taken : lent) taken = share.TryTakeThread();
    for (bool taken : lent)
      if (taken) share.ReturnThread();
    // 4 MiB budget, 1 MiB of it the folder's own.
    within_budget = share.TryTakeMemory(3 << 20);
    over_budget = share.TryTakeMemory(1);
    share.ReturnMemory(3 << 20);
    return Unfiltered(std::make_unique<CountingSource>(1000, 0, Status::kOk));
  };
  FolderPrefetcher prefetcher(*archive, items, 3, open, 4 << 20);
  Error error;
  std::unique_ptr<Source> source = prefetcher.Next(error);
  ASSERT_TRUE(source);
  Status status = Status::kOk;
  EXPECT_EQ(ReadAll(*source, status).size(), 1000u);
  EXPECT_TRUE(lent[0] && lent[1]);
  EXPECT_FALSE(lent[2] || lent[3]);
  EXPECT_TRUE(within_budget);
  EXPECT_FALSE(over_budget);
}

}  // namespace
}  // namespace qmb::sevenzip::test
