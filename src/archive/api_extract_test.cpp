// Extraction through SevenZipRun compared with 7zz's own output.
#include "archive/api_test_support.h"
#include "archive/extract_run.h"

namespace qmb::sevenzip::test {
namespace {

// A payload with text, binary, empty files, an empty folder, GBK and non-GBK names. Names on disk
// are UTF-8, spelled in escapes (plain literals turn into GBK): 数据/表格.txt, 한글/Ωmega.txt.
void MakePayload(const fs::path& dir) {
  WriteFile(dir / "a.txt", "alpha\n");
  WriteFile(dir / "text.txt", Text(300000));
  WriteFile(dir / "bin" / "random.bin", RandomBytes(200000, 7));
  WriteFile(dir / "bin" / "empty.dat", "");
  WriteFile(dir / std::string("\xE6\x95\xB0\xE6\x8D\xAE") / std::string("\xE8\xA1\xA8\xE6\xA0\xBC.txt"), "gbk name\n");
  WriteFile(dir / std::string("\xED\x95\x9C\xEA\xB8\x80") / std::string("\xCE\xA9" "mega.txt"), "not in gbk\n");
  fs::create_directories(dir / "empty_folder" / "inner");
  WriteFile(dir / "b" / "c.txt", "c\n");
  WriteFile(dir / "b" / "d.txt", "d\n");
  // Its read-only attribute is restored through the open file.
  WriteFile(dir / "b" / "read_only.txt", "kept\n");
  fs::permissions(dir / "b" / "read_only.txt", fs::perms::owner_read | fs::perms::group_read);
}

class ApiExtract : public ::testing::Test {
 protected:
  void SetUp() override { MakePayload(drive_.C("src")); }
  fs::path Archive(const std::string& name) const { return drive_.C("arc/" + name); }
  DriveRoot drive_;
};

TEST_F(ApiExtract, MethodsMatch7zzByteForByte) {
  const char* methods[] = {"-m0=Copy", "-m0=LZMA", "-m0=LZMA2 -mx=9", "-m0=Deflate",
                           "-mf=BCJ -m0=LZMA2", "-m0=Delta:4 -m1=LZMA2", "-m0=LZMA2 -ms=off"};
  int n = 0;
  for (const char* method : methods) {
    std::string name = "m" + std::to_string(n++) + ".7z";
    Make7z(Archive(name), drive_.C("src"), method);
    Extract7z(Archive(name), drive_.C("ref" + name), "");
    std::string message;
    EXPECT_EQ(RunCommand("x \"C:\\arc\\" + name + "\" -hide -y \"C:\\out\\" + name + "\\\"", &message), 0)
        << method << ": " << message;
    ExpectSameTree(drive_.C("out/" + name), drive_.C("ref" + name));
  }
}

TEST_F(ApiExtract, EncryptedHeadersVolumesAndLeadingBytes) {
  Make7z(Archive("he.7z"), drive_.C("src"), "-psecret -mhe=on");
  Extract7z(Archive("he.7z"), drive_.C("ref"), "-psecret");
  EXPECT_EQ(RunCommand(R"(x "C:\arc\he.7z" -hide -y "C:\he\" * -p"secret")"), 0);
  ExpectSameTree(drive_.C("he"), drive_.C("ref"));

  // Three volumes: 7zz names them .001, .002, .003.
  Make7z(Archive("vol.7z"), drive_.C("src"), "-m0=Copy -psecret -v200k");
  ASSERT_TRUE(fs::exists(Archive("vol.7z.003")));
  ASSERT_FALSE(fs::exists(Archive("vol.7z.004")));
  EXPECT_EQ(RunCommand(R"(x "C:\arc\vol.7z.001" -y "C:\vol\" -p"secret")"), 0);
  ExpectSameTree(drive_.C("vol"), drive_.C("ref"));

  // The archive behind 100 KiB of other bytes, as behind a program image.
  WriteFile(Archive("behind.bin"), RandomBytes(100 * 1024, 3) + ReadFile(Archive("he.7z")));
  EXPECT_EQ(RunCommand(R"(x "C:\arc\behind.bin" -y "C:\behind\" -p"secret")"), 0);
  ExpectSameTree(drive_.C("behind"), drive_.C("ref"));
}

TEST_F(ApiExtract, EngineCommandLines) {
  Make7z(Archive("p.7z"), drive_.C("src"), "-ppw");
  // Items only.
  EXPECT_EQ(RunCommand(R"(x "C:\arc\p.7z" -hide -y "C:\items\" "a.txt" "b\c.txt"  -p"pw")"), 0);
  EXPECT_EQ(Tree(drive_.C("items")),
            (std::map<std::string, std::string>{
                {"a.txt", "alpha\n"}, {"b", "dir"}, {"b/c.txt", "c\n"}}));
  // Exclusions only, in the engine's form: the items, then " * -x!" for each.
  EXPECT_EQ(RunCommand(R"(x "C:\arc\p.7z" -hide -y "C:\excl\" "a.txt" "b\c.txt"  -p"pw" * -x!"a.txt"  * -x!"b\c.txt" )"), 0);
  auto excl = Tree(drive_.C("excl"));
  EXPECT_FALSE(excl.count("a.txt"));
  EXPECT_FALSE(excl.count("b/c.txt"));
  EXPECT_EQ(excl["b/d.txt"], "d\n");
  EXPECT_EQ(excl["bin/random.bin"], RandomBytes(200000, 7));
  // Both: a folder item minus one of its files; flat into one folder.
  EXPECT_EQ(RunCommand(R"(e "C:\arc\p.7z" -hide -y "C:\flat\" "b" "数据" -p"pw" -x!"b\d.txt")"), 0);
  EXPECT_EQ(Tree(drive_.C("flat")),
            (std::map<std::string, std::string>{{"c.txt", "c\n"}, {"read_only.txt", "kept\n"}, {std::string("\xE8\xA1\xA8\xE6\xA0\xBC.txt"), "gbk name\n"}}));

  // The empty password on an archive without one; "e" with everything drops the folders.
  Make7z(Archive("plain.7z"), drive_.C("src"), "");
  EXPECT_EQ(RunCommand(R"(e "C:\arc\plain.7z" -hide -y "C:\e\" * -p"")"), 0);
  auto flat = Tree(drive_.C("e"));
  EXPECT_EQ(flat.size(), 9u);  // every file, no folder
  EXPECT_EQ(flat[std::string("\xCE\xA9" "mega.txt")], "not in gbk\n");
  EXPECT_EQ(flat["empty.dat"], "");
}

TEST_F(ApiExtract, OverwritesExistingFilesEvenReadOnly) {
  Make7z(Archive("p.7z"), drive_.C("src"), "");
  WriteFile(drive_.C("ow/a.txt"), "old contents that are longer");
  fs::permissions(drive_.C("ow/a.txt"), fs::perms::owner_read);
  EXPECT_EQ(RunCommand(R"(x "C:\arc\p.7z" "C:\ow\" a.txt)"), 0);  // no -y: a hidden run never asks
  EXPECT_EQ(ReadFile(drive_.C("ow/a.txt")), "alpha\n");
}

TEST_F(ApiExtract, FailuresReturnNonZeroAndLeaveNoPartialFile) {
  Make7z(Archive("pw.7z"), drive_.C("src"), "-psecret -m0=LZMA2");
  std::string message;
  EXPECT_NE(RunCommand(R"(x "C:\arc\pw.7z" -y "C:\wrong\" -p"guess")", &message), 0);
  EXPECT_FALSE(message.empty());
  // Empty files need no decoding and may appear; nothing holds undecrypted or partial data.
  for (auto& [name, bytes] : Tree(drive_.C("wrong")))
    EXPECT_TRUE(bytes == "dir" || bytes.empty()) << name;

  Make7z(Archive("he.7z"), drive_.C("src"), "-psecret -mhe=on");
  EXPECT_EQ(RunCommand(R"(x "C:\arc\he.7z" -y "C:\he\" -p"")"),
            static_cast<int>(RunResult::kWrongPassword));

  EXPECT_EQ(RunCommand(R"(x "C:\arc\missing.7z" -y "C:\m\")"), static_cast<int>(RunResult::kCannotOpen));
  WriteFile(Archive("junk.7z"), RandomBytes(5000, 9));
  EXPECT_EQ(RunCommand(R"(x "C:\arc\junk.7z" -y "C:\j\")"), static_cast<int>(RunResult::kNotArchive));
  EXPECT_EQ(RunCommand(R"(t "C:\arc\junk.7z" "C:\j\")", &message),
            static_cast<int>(RunResult::kBadCommandLine));
  EXPECT_EQ(message, "unknown command");

  // A method we do not decode.
  Make7z(Archive("swap.7z"), drive_.C("src"), "-m0=Swap4 -m1=LZMA");
  EXPECT_EQ(RunCommand(R"(x "C:\arc\swap.7z" -y "C:\swap\")"),
            static_cast<int>(RunResult::kUnsupportedMethod));
}

TEST_F(ApiExtract, DamagedArchivesFailCleanly) {
  Make7z(Archive("ok.7z"), drive_.C("src"), "-m0=LZMA2 -mhc=off");
  std::string bytes = ReadFile(Archive("ok.7z"));
  // Packed data flipped in the middle, header bytes flipped, and the archive cut short.
  std::string flipped = bytes;
  for (size_t i = 0; i < 64; ++i) flipped[bytes.size() / 3 + i] ^= 0x5A;
  WriteFile(Archive("flipped.7z"), flipped);
  std::string header = bytes;
  for (size_t i = 1; i <= 40; ++i) header[bytes.size() - i * 7] ^= 0xFF;
  WriteFile(Archive("header.7z"), header);
  WriteFile(Archive("cut.7z"), bytes.substr(0, bytes.size() / 2));
  for (const char* name : {"flipped.7z", "header.7z", "cut.7z"}) {
    std::string cmd = std::string("x \"C:\\arc\\") + name + "\" -y \"C:\\bad\\" + name + "\\\"";
    EXPECT_NE(RunCommand(cmd), 0) << name;
    // Whatever was written before the damage is complete: no file holds a partial copy.
    auto ref = Tree(drive_.C("src"));
    for (auto& [path, content] : Tree(drive_.C("bad/" + std::string(name))))
      EXPECT_EQ(content, ref[path]) << name << ": " << path;
  }
}

}  // namespace
}  // namespace qmb::sevenzip::test
