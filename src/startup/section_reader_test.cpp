#include "startup/section_reader.h"

#include <gtest/gtest.h>

#include "base/marked_section.h"
#include "base/package_layout.h"
#include "context/context.h"
#include "platform/host/host_platform.h"

namespace qmb {
namespace {

// Bytes that never form a marker.
std::string Filler(size_t size, char seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + i * 7 % 251);
  return s;
}

class SectionReaderTest : public ::testing::Test {
 protected:
  SectionReaderTest() : ctx(host.platform()) { host.files().CreateDirectory("C:\\pkg"); }
  void Put(const std::string& data) { ASSERT_TRUE(host.files().WriteAll(kFile, data)); }
  std::string Forward(uint64_t block, const SectionProgress& progress = nullptr) {
    return ReadSectionForward(ctx, kFile, kPayloadOpenMark, kPayloadCloseMark, progress, false,
                              block);
  }
  std::string Backward(uint64_t block) {
    return ReadSectionBackward(ctx, kFile, kSettingsCloseMark, kSettingsOpenMark, block);
  }
  std::string CopyOut(uint64_t block) {
    ReadSectionForward(ctx, kFile, kPayloadOpenMark, kPayloadCloseMark, nullptr, true, block);
    return host.files().ReadAll(ctx.startup.archive_path).value_or("<missing>");
  }

  const std::string kFile = "C:\\pkg\\setup.exe";
  const std::string open = SectionPattern(kPayloadOpenMark);
  const std::string close = SectionPattern(kPayloadCloseMark);
  HostPlatform host;
  Context ctx;
};

TEST_F(SectionReaderTest, ForwardReadsASectionSpanningBlocks) {
  const std::string content = Filler(5000, 'a');
  const std::string file = Filler(300, 'x') + open + content + close + Filler(2100, 'z');
  Put(file);
  std::vector<int> percents;
  EXPECT_EQ(Forward(1000, [&](int p) { percents.push_back(p); }), content);
  // Progress after each block until the one holding the closing marker.
  EXPECT_EQ(percents, (std::vector<int>{0, 13, 26, 40, 53}));
  EXPECT_EQ(host.dialogs().pending_message_calls(), 5);
  EXPECT_EQ(Forward(1 << 20), content);  // all in one block
}

TEST_F(SectionReaderTest, FileModeCopiesMarkerArchiveAndRestOfClosingBlock) {
  const std::string content = Filler(5000, 'a');
  const std::string file = Filler(300, 'x') + open + content + close + Filler(2100, 'z');
  Put(file);
  // The closing marker lies in the block [5000, 6000): the copy ends with that block.
  EXPECT_EQ(CopyOut(1000), file.substr(300, 6000 - 300));
  EXPECT_TRUE(ctx.startup.archive_path.starts_with("C:\\Temp\\"));
  EXPECT_TRUE(ctx.startup.archive_path.ends_with(".tmp.7zqmb"));
  const std::string first = ctx.startup.archive_path;
  // The next copy gets its own name; without a payload section the file holds one 0x00 byte.
  Put(Filler(4000, 'q'));
  EXPECT_EQ(CopyOut(1000), std::string(1, '\0'));
  EXPECT_NE(ctx.startup.archive_path, first);
}

TEST_F(SectionReaderTest, FileModeCopiesMoreThanOneRealBlock) {
  const std::string content = Filler(kSectionBlockSize + 1234567, 'r');
  const std::string file = Filler(4096, 'x') + open + content + close + Filler(99, 'z');
  Put(file);
  EXPECT_EQ(CopyOut(kSectionBlockSize), file.substr(4096));
}

TEST_F(SectionReaderTest, BackwardReadsExactlyBetweenTheLastMarkers) {
  const std::string sa = SectionPattern(kSettingsOpenMark);
  const std::string sb = SectionPattern(kSettingsCloseMark);
  const std::string content = Filler(3500, 'c');
  // An earlier pair (as in a payload) must not be taken: the last closing marker counts.
  Put(Filler(700, 'x') + sa + "old" + sb + Filler(2000, 'y') + sa + content + sb);
  EXPECT_EQ(Backward(1000), content);
  EXPECT_EQ(Backward(1 << 20), content);
}

TEST_F(SectionReaderTest, MissingOrCutMarkersGiveNothing) {
  Put(Filler(3000, 'x') + open + "abc");
  EXPECT_EQ(Forward(1000), "");
  Put(Filler(3000, 'x'));
  EXPECT_EQ(Backward(1000), "");
  // The closing marker straddles the block boundary at 1000.
  Put(Filler(100, 'x') + open + Filler(1000 - 100 - open.size() - 5, 'a') + close + "tail");
  EXPECT_EQ(Forward(1000), "");
  EXPECT_EQ(Forward(2000).size(), 1000u - 100 - open.size() - 5);
  // The settings opening marker straddles a boundary counted from the end.
  const std::string sa = SectionPattern(kSettingsOpenMark);
  const std::string sb = SectionPattern(kSettingsCloseMark);
  const std::string tail = Filler(1000 - sb.size() - 6, 'c') + sb;  // the last block
  Put(Filler(500, 'x') + sa + tail);
  EXPECT_EQ(Backward(1000), "");
  EXPECT_EQ(Backward(4000), Filler(1000 - sb.size() - 6, 'c'));
  // No file at all.
  EXPECT_EQ(ReadSectionForward(ctx, "C:\\pkg\\none.exe", kKindOpenMark, kKindCloseMark, nullptr,
                               false),
            "");
}

// The pieces a block is read in never hide a mark: one cut by any power-of-two offset from the
// block's front (forward) or end (backward) is found all the same.
TEST_F(SectionReaderTest, MarksCutByPieceBoundariesInsideABlockAreFound) {
  const std::string sa = SectionPattern(kSettingsOpenMark);
  const std::string sb = SectionPattern(kSettingsCloseMark);
  for (size_t boundary = 1 << 12; boundary < (1 << 20); boundary <<= 1) {
    for (size_t cut = 1; cut < close.size(); ++cut) {
      const std::string content = Filler(boundary - cut - 100 - open.size(), 'a');
      Put(Filler(100, 'x') + open + content + close + Filler(5000, 'z'));
      ASSERT_EQ(Forward(1 << 20), content) << "closing mark across " << boundary << " - " << cut;
    }
    for (size_t cut = 1; cut < sa.size(); ++cut) {
      const std::string content = Filler(boundary + cut - sa.size() - sb.size(), 'c');
      Put(Filler(200, 'x') + sa + content + sb);
      ASSERT_EQ(Backward(1 << 20), content) << "opening mark across end - " << boundary;
    }
  }
}

// A package's small sections lie near the front (its kind) and the end (its settings) of a
// package much larger than a block: finding them reads a small part of it.
TEST_F(SectionReaderTest, SmallSectionsAreReadWithoutTheRestOfTheirBlock) {
  const std::string sa = SectionPattern(kSettingsOpenMark);
  const std::string sb = SectionPattern(kSettingsCloseMark);
  const std::string kind = "installer";
  const std::string settings = Filler(300, 's');
  Put(Filler(1100000, 'r') + open + kind + close + Filler(kSectionBlockSize + 5000000, 'p') + sa +
      settings + sb);
  uint64_t before = host.files().bytes_read();
  EXPECT_EQ(ReadSectionForward(ctx, kFile, kPayloadOpenMark, kPayloadCloseMark, nullptr, false),
            kind);
  EXPECT_LT(host.files().bytes_read() - before, 3u << 20);
  before = host.files().bytes_read();
  EXPECT_EQ(ReadSectionBackward(ctx, kFile, kSettingsCloseMark, kSettingsOpenMark), settings);
  EXPECT_LT(host.files().bytes_read() - before, 1u << 20);
}

TEST_F(SectionReaderTest, RepairsTheSignatureOnlyWhenMissing) {
  const std::string sig("7z\xBC\xAF\x27\x1C\x00", 7);
  const std::string stored = "7\x0A" + sig.substr(2) + "rest";
  ASSERT_TRUE(host.files().WriteAll("C:\\pkg\\a.7z", stored));
  EXPECT_TRUE(RepairArchiveSignature(ctx, "C:\\pkg\\a.7z", 0));
  EXPECT_EQ(host.files().ReadAll("C:\\pkg\\a.7z"), sig + "rest");

  const std::string payload = open + "7\x0A" + sig.substr(2);
  ASSERT_TRUE(host.files().WriteAll("C:\\pkg\\p", payload));
  EXPECT_TRUE(RepairArchiveSignature(ctx, "C:\\pkg\\p", open.size()));
  EXPECT_EQ(host.files().ReadAll("C:\\pkg\\p"), open + sig);

  const std::string at_one = std::string(1, '\0') + sig + "7\x0A";
  ASSERT_TRUE(host.files().WriteAll("C:\\pkg\\b", at_one));
  EXPECT_TRUE(RepairArchiveSignature(ctx, "C:\\pkg\\b", 8));
  EXPECT_EQ(host.files().ReadAll("C:\\pkg\\b"), at_one);
  EXPECT_FALSE(RepairArchiveSignature(ctx, "C:\\pkg\\none", 0));
}

}  // namespace
}  // namespace qmb
