// Entries whose names would leave the output folder are refused before anything is written.
#include <zlib.h>

#include "archive/api_test_support.h"
#include "archive/extract_run.h"

namespace qmb::sevenzip::test {
namespace {

void PutLe32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

uint64_t GetLe64(const std::string& bytes, size_t at) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

uint32_t Crc(const std::string& bytes, size_t at, size_t size) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + at), static_cast<uInt>(size)));
}

// Renames the entry placeholder to name (same length) in an archive with plain headers, and
// recomputes the next-header CRC and the start-header CRC.
std::string Rename(std::string archive, const std::u16string& placeholder, const std::u16string& name) {
  auto utf16le = [](const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
      out.push_back(static_cast<char>(c & 0xFF));
      out.push_back(static_cast<char>(c >> 8));
    }
    return out;
  };
  std::string from = utf16le(placeholder), to = utf16le(name);
  size_t at = archive.find(from);
  EXPECT_NE(at, std::string::npos);
  EXPECT_EQ(archive.find(from, at + 1), std::string::npos);
  if (at == std::string::npos) return archive;
  archive.replace(at, from.size(), to);
  uint64_t offset = GetLe64(archive, 12), size = GetLe64(archive, 20);
  PutLe32(archive, 28, Crc(archive, 32 + offset, size));
  PutLe32(archive, 8, Crc(archive, 12, 20));
  return archive;
}

TEST(ApiSafety, RefusesClimbingAbsoluteAndDriveNames) {
  DriveRoot drive;
  WriteFile(drive.C("src/first.txt"), "first\n");
  WriteFile(drive.C("src/aaaaaevil.txt"), "evil\n");
  WriteFile(drive.C("src/zlast.txt"), "last\n");
  Make7z(drive.C("arc/ok.7z"), drive.C("src"), "-mhc=off -m0=Copy");
  std::string ok = ReadFile(drive.C("arc/ok.7z"));
  struct Case {
    std::u16string name;  // as long as the placeholder
    fs::path escape;      // where the file would land if it were written
  } cases[] = {
      {u"../../evi.txt", drive.C("../evi.txt")},
      {u"a/../../e.txt", drive.C("e.txt")},
      {u"..\\..\\evi.txt", drive.C("../evi.txt")},
      {u"/tmp/evil.txt", "/tmp/evil.txt"},
      {u"C:/a/evil.txt", drive.C("a/evil.txt")},
  };
  const std::u16string placeholder = u"aaaaaevil.txt";
  int n = 0;
  for (const Case& c : cases) {
    const std::u16string& name = c.name;
    ASSERT_EQ(name.size(), placeholder.size());
    std::string file = "bad" + std::to_string(n++) + ".7z";
    WriteFile(drive.C("arc/" + file), Rename(ok, placeholder, name));
    std::string message;
    EXPECT_EQ(RunCommand("x \"C:\\arc\\" + file + "\" -y \"C:\\out\\\"", &message),
              static_cast<int>(RunResult::kRefusedEntry))
        << std::string(name.begin(), name.end());
    EXPECT_NE(message.find("unsafe"), std::string::npos) << message;
    EXPECT_TRUE(Tree(drive.C("out")).empty()) << "nothing is written, not even the safe entries";
    EXPECT_FALSE(fs::exists(c.escape));
    // Leaving the bad entry out makes the rest extract.
    EXPECT_EQ(RunCommand("x \"C:\\arc\\" + file + "\" -y \"C:\\rest" + std::to_string(n) + "\\\" *.txt -x!\"" +
                  std::string(name.begin(), name.end()) + "\""),
              0);
  }
}

}  // namespace
}  // namespace qmb::sevenzip::test
