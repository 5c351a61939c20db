// The container around the data: headers plain, compressed and encrypted, passwords, names
// beyond GBK, empty files and folders, archives behind other bytes, volume sets and selections.
#include "archive/reader_test_support.h"

namespace qmb::sevenzip::reader_test {
namespace {

TEST(ReaderContainer, PasswordsOpenEncryptedDataAndHeaders) {
  TempDir dir;
  const Tree tree = SampleTree();
  for (const char* header : {"-mhe=on", "-mhe=off"}) {
    SCOPED_TRACE(header);
    const std::string bytes = ReadFile(Make7z(dir, tree, std::string("-p'Secret pw' ") + header));
    ExpectTree(ExtractAll(bytes, u"Secret pw"), tree);
    EXPECT_EQ(ExtractAll(bytes, u"secret pw").status(), Status::kWrongPassword);
    EXPECT_EQ(ExtractAll(bytes, u"").status(), Status::kPasswordRequired);
  }
  // Encrypted headers fail at Open, encrypted data only when extracted.
  const std::string plain_header = ReadFile(Make7z(dir, tree, "-pSecret -mhe=off"));
  Extracted wrong = ExtractAll(plain_header, u"wrong");
  EXPECT_TRUE(wrong.open_error.ok());
  EXPECT_EQ(wrong.extract_error.status, Status::kWrongPassword);
  EXPECT_EQ(wrong.entries.size(), 8u);  // 5 files, 3 folders
  EXPECT_EQ(ExtractAll(ReadFile(Make7z(dir, tree, "-pSecret -mhe=on")), u"wrong").open_error.status,
            Status::kWrongPassword);
}

TEST(ReaderContainer, StoredEncryptedDataAndChinesePasswords) {
  TempDir dir;
  const Tree tree = SampleTree();
  // Without compression only the CRC can tell a wrong key.
  const std::string stored = ReadFile(Make7z(dir, tree, "-m0=Copy -pabc"));
  ExpectTree(ExtractAll(stored, u"abc"), tree);
  EXPECT_EQ(ExtractAll(stored, u"abd").status(), Status::kWrongPassword);
  const std::string chinese = ReadFile(Make7z(dir, tree, "-mhe=on -p" + U8(u8"密码")));
  ExpectTree(ExtractAll(chinese, u"密码"), tree);
}

TEST(ReaderContainer, NamesEmptyFilesFoldersAndAttributes) {
  TempDir dir;
  Tree tree;
  tree.files[U8(u8"中文目录/说明.txt")] = Text(3000, 4);
  tree.files[U8(u8"한국어.txt")] = "korean";
  tree.files[U8(u8"emoji-😀.bin")] = RandomBytes(999, 5);
  tree.files["empty.dat"] = "";
  tree.files["sub/also-empty"] = "";
  tree.dirs = {"void", U8(u8"中文目录/空")};
  Extracted got = ExtractAll(ReadFile(Make7z(dir, tree, "")));
  ExpectTree(got, tree);
  size_t dirs = 0, empties = 0;
  for (const Entry& e : got.entries) {
    if (e.is_dir) {
      ++dirs;
      EXPECT_FALSE(e.has_stream);
      ASSERT_TRUE(e.attributes);
      EXPECT_TRUE(*e.attributes & 0x10) << ToUtf8(e.name);
    }
    if (!e.is_dir && !e.has_stream) ++empties;
    if (!e.is_dir) {
      ASSERT_TRUE(e.attributes);
      EXPECT_EQ(*e.attributes & 0xFFFF8000u, 0u) << "Unix mode leaked into the attributes";
    }
    EXPECT_TRUE(e.mtime) << ToUtf8(e.name);
  }
  EXPECT_EQ(dirs, 4u);  // 中文目录, its 空, sub and void
  EXPECT_EQ(empties, 2u);
}

TEST(ReaderContainer, EmptyEntriesGetBeginAndEndWithoutData) {
  TempDir dir;
  Tree tree;
  tree.files["a.txt"] = "a";
  tree.files["empty"] = "";
  tree.dirs = {"folder"};
  auto archive_bytes = ReadFile(Make7z(dir, tree, ""));
  Error error;
  auto archive = Archive::Open(MemoryStream(archive_bytes), u"", error);
  ASSERT_TRUE(archive) << error.message;
  CollectSink sink;
  ASSERT_TRUE(archive->Extract(std::vector<bool>(archive->entries().size(), true), sink).ok());
  EXPECT_EQ(sink.begins, 3u);
  for (size_t i = 0; i < archive->entries().size(); ++i) {
    EXPECT_EQ(sink.ends.at(i), Status::kOk);
    EXPECT_EQ(sink.chunks.count(i), archive->entries()[i].has_stream ? 1u : 0u);
  }
}

TEST(ReaderContainer, FindsTheArchiveBehindOtherBytes) {
  TempDir dir;
  const Tree tree = SampleTree();
  const std::string archive = ReadFile(Make7z(dir, tree, ""));
  // A program image with a stray signature (no valid start header) in it, then a marker.
  std::string image = RandomBytes(100 * 1024, 9);
  image.replace(5000, 6, std::string("7z\xBC\xAF\x27\x1C", 6));
  image.replace(image.size() - 40, 6, std::string("7z\xBC\xAF\x27\x1C", 6));  // across no chunk
  ExpectTree(ExtractAll(image + "QMB-mark=payload\x01\x01\x01" + archive), tree);
  // An image longer than one scan chunk, the signature straddling the chunk edge.
  std::string big = RandomBytes((1 << 20) - 3, 10);
  ExpectTree(ExtractAll(big + archive), tree);
  EXPECT_EQ(ExtractAll(image).status(), Status::kNotArchive);
  EXPECT_EQ(ExtractAll(std::string()).status(), Status::kNotArchive);
}

TEST(ReaderContainer, ReadsAVolumeSetAsOneStream) {
  TempDir dir;
  const Tree tree = SampleTree();
  Make7z(dir, tree, "-v100k -mx=1");
  std::vector<std::unique_ptr<InStream>> parts;
  for (int i = 1; i <= 9; ++i) {
    const fs::path part = dir.path() / ("a.7z.00" + std::to_string(i));
    if (!fs::exists(part)) break;
    parts.push_back(MemoryStream(ReadFile(part)));
  }
  ASSERT_EQ(parts.size(), 3u);
  ExpectTree(ExtractAll(ConcatStream(std::move(parts))), tree);
  // Without its last part the set is cut off.
  std::vector<std::unique_ptr<InStream>> two;
  two.push_back(MemoryStream(ReadFile(dir.path() / "a.7z.001")));
  two.push_back(MemoryStream(ReadFile(dir.path() / "a.7z.002")));
  EXPECT_NE(ExtractAll(ConcatStream(std::move(two))).status(), Status::kOk);
}

TEST(ReaderContainer, ExtractsOnlySelectedEntries) {
  TempDir dir;
  const Tree tree = SampleTree();
  for (const char* solid : {"-ms=on", "-ms=off"}) {
    SCOPED_TRACE(solid);
    Error error;
    auto archive = Archive::Open(MemoryStream(ReadFile(Make7z(dir, tree, solid))), u"", error);
    ASSERT_TRUE(archive) << error.message;
    const auto& entries = archive->entries();
    std::vector<bool> selected(entries.size(), false);
    size_t tool = entries.size();
    for (size_t i = 0; i < entries.size(); ++i)
      if (ToUtf8(entries[i].name) == "bin/tool.exe") tool = i;
    ASSERT_LT(tool, entries.size());
    selected[tool] = true;
    CollectSink sink;
    ASSERT_TRUE(archive->Extract(selected, sink).ok());
    EXPECT_EQ(sink.begins, 1u);
    EXPECT_TRUE(sink.data.at(tool) == tree.files.at("bin/tool.exe"));
    EXPECT_FALSE(archive->Extract(std::vector<bool>(2, true), sink).ok());
  }
}

TEST(ReaderContainer, SinkRefusalsStopTheRun) {
  TempDir dir;
  const std::string bytes = ReadFile(Make7z(dir, SampleTree(), ""));
  Error error;
  auto archive = Archive::Open(MemoryStream(bytes), u"", error);
  ASSERT_TRUE(archive);
  struct Refuse : CollectSink {
    explicit Refuse(const Archive& a) : archive(a) {}
    bool has_stream(size_t index) const { return archive.entries()[index].has_stream; }
    const Archive& archive;
    bool refuse_data = false;
    bool Data(const uint8_t* b, size_t n) override { return !refuse_data && CollectSink::Data(b, n); }
    bool End(size_t index, Status status) override {
      CollectSink::End(index, status);
      return refuse_data || !has_stream(index);  // the first file with data fails to write
    }
  };
  std::vector<bool> all(archive->entries().size(), true);
  Refuse cancel(*archive);
  cancel.refuse_data = true;
  EXPECT_EQ(archive->Extract(all, cancel).status, Status::kCancelled);
  // Every begun entry is closed, the refused one with the cancellation.
  EXPECT_EQ(cancel.ends.size(), cancel.begins);
  EXPECT_EQ(std::count_if(cancel.ends.begin(), cancel.ends.end(),
                          [](const auto& end) { return end.second == Status::kCancelled; }),
            1);
  Refuse write_error(*archive);
  EXPECT_EQ(archive->Extract(all, write_error).status, Status::kWriteError);
  EXPECT_EQ(write_error.chunks.size(), 1u);  // nothing decoded to the sink after the failure
}

}  // namespace
}  // namespace qmb::sevenzip::reader_test
