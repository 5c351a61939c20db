#include "platform/host/host_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/host/host_platform.h"

namespace qmb {
namespace {

std::string ReadHost(const std::string& host_path) {
  std::ifstream in(host_path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Test literals are GBK at run time; names on disk are UTF-8, so they are written as u8 literals.
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

TEST(HostFilesTest, MapsDrivesSeparatorsAndGbkNames) {
  HostPlatform host;
  HostFiles& files = host.files();
  const std::string& root = host.root();
  EXPECT_EQ(files.HostPath("C:\\x\\y.txt"), root + "/C/x/y.txt");
  EXPECT_EQ(files.HostPath("c:/x/y.txt"), root + "/C/x/y.txt");
  EXPECT_EQ(files.HostPath("C:\\a\\.\\b\\..\\c\\"), root + "/C/a/c");
  // ".." never climbs above the drive.
  EXPECT_EQ(files.HostPath("C:\\..\\..\\etc"), root + "/C/etc");
  EXPECT_EQ(files.HostPath("\\\\srv\\share\\f"), root + "/UNC/srv/share/f");
  EXPECT_EQ(files.HostPath(""), "");

  // "测试" in GBK is C2 B2 CA D4; its UTF-8 name appears on disk.
  const std::string gbk_name = "C:\\\xB2\xE2\xCA\xD4\\\xCE\xC4.txt";
  ASSERT_TRUE(files.CreateDirectory("C:\\\xB2\xE2\xCA\xD4"));
  ASSERT_TRUE(files.WriteAll(gbk_name, "data"));
  EXPECT_EQ(ReadHost(root + Utf8(u8"/C/测试/文.txt")), "data");
  // A trail byte 0x5C ("\") must not split a name: "癨" is B0 5C in GBK.
  EXPECT_TRUE(files.WriteAll("C:\\\xB0\x5C.txt", "x"));
  EXPECT_TRUE(std::filesystem::exists(root + Utf8(u8"/C/癨.txt")));
  std::vector<DirEntry> listing = files.List("C:\\\xB2\xE2\xCA\xD4");
  ASSERT_EQ(listing.size(), 1u);
  EXPECT_EQ(listing[0].name, "\xCE\xC4.txt");
}

TEST(HostFilesTest, RelativePathsAndCaseInsensitiveNames) {
  HostPlatform host;
  HostFiles& files = host.files();
  ASSERT_TRUE(files.CreateDirectory("C:\\Work"));
  ASSERT_TRUE(files.WriteAll("C:\\Work\\ReadMe.TXT", "hello"));
  EXPECT_EQ(files.ReadAll("c:\\WORK\\readme.txt"), "hello");

  files.SetCurrentFolder("C:\\work");
  EXPECT_EQ(files.ReadAll("readme.txt"), "hello");
  EXPECT_EQ(files.ReadAll(".\\sub\\..\\readme.txt"), "hello");
  EXPECT_EQ(files.HostPath("\\top"), host.root() + "/C/top");
  EXPECT_EQ(files.HostPath("C:name"), host.root() + "/C/Work/name");

  // Another drive exists only once it is added.
  EXPECT_FALSE(files.WriteAll("D:\\f", "x"));
  EXPECT_FALSE(files.FreeSpace("D:\\").has_value());
  files.AddDrive('d');
  EXPECT_TRUE(files.WriteAll("d:\\f", "x"));
  files.SetFreeSpace('D', 1234);
  EXPECT_EQ(files.FreeSpace("D:\\any\\folder"), 1234u);
  EXPECT_GT(*files.FreeSpace("C:\\"), 1ull << 30);
  files.SetFreeSpace('c', std::nullopt);
  EXPECT_FALSE(files.FreeSpace("C:\\").has_value());
}

TEST(HostFilesTest, StreamsRangesAndAppend) {
  HostPlatform host;
  HostFiles& files = host.files();
  ASSERT_TRUE(files.WriteAll("C:\\f.bin", "0123456789"));
  auto in = files.OpenRead("C:\\f.bin");
  ASSERT_TRUE(in);
  EXPECT_EQ(in->Size(), 10u);
  ASSERT_TRUE(in->Seek(7));
  char buffer[8] = {};
  EXPECT_EQ(in->Read(buffer, sizeof buffer), 3u);
  EXPECT_EQ(std::string(buffer, 3), "789");
  EXPECT_EQ(in->Read(buffer, sizeof buffer), 0u);
  in.reset();

  auto out = files.OpenWrite("C:\\f.bin", false);  // keeps the content
  ASSERT_TRUE(out);
  ASSERT_TRUE(out->Seek(2));
  ASSERT_TRUE(out->Write("ab", 2));
  out.reset();
  EXPECT_EQ(files.ReadAll("C:\\f.bin"), "01ab456789");
  EXPECT_FALSE(files.OpenWrite("C:\\missing.bin", false));
  out = files.OpenWrite("C:\\f.bin", true);  // starts empty
  ASSERT_TRUE(out);
  EXPECT_EQ(out->Size(), 0u);
  out.reset();

  EXPECT_TRUE(files.Append("C:\\log.txt", "a\r\n"));
  EXPECT_TRUE(files.Append("C:\\log.txt", "b\r\n"));
  EXPECT_EQ(files.ReadAll("C:\\log.txt"), "a\r\nb\r\n");
  EXPECT_EQ(files.Size("C:\\log.txt"), 6u);
  EXPECT_FALSE(files.Size("C:\\").has_value());
  EXPECT_FALSE(files.ReadAll("C:\\").has_value());
  EXPECT_FALSE(files.OpenRead("C:\\"));
  EXPECT_FALSE(files.WriteAll("C:\\no\\such\\folder\\f", "x"));
  ASSERT_TRUE(files.WriteAll("C:\\empty.txt", ""));
  EXPECT_EQ(files.ReadAll("C:\\empty.txt"), "");
}

TEST(HostFilesTest, AttributesAndRemoval) {
  HostPlatform host;
  HostFiles& files = host.files();
  ASSERT_TRUE(files.CreateDirectory("C:\\app"));
  EXPECT_FALSE(files.CreateDirectory("C:\\app\\a\\b"));  // parent missing
  ASSERT_TRUE(files.CreateDirectory("C:\\app\\sub"));
  ASSERT_TRUE(files.WriteAll("C:\\app\\sub\\ro.txt", "r"));
  ASSERT_TRUE(files.WriteAll("C:\\app\\top.txt", "t"));

  EXPECT_EQ(files.GetAttributes("C:\\app"), uint32_t{kAttrDirectory});
  EXPECT_EQ(files.GetAttributes("C:\\app\\top.txt"), uint32_t{kAttrArchive});
  EXPECT_FALSE(files.GetAttributes("C:\\app\\none").has_value());
  ASSERT_TRUE(files.SetAttributes("C:\\app\\sub\\ro.txt", kAttrReadOnly | kAttrHidden));
  EXPECT_EQ(files.GetAttributes("C:\\APP\\SUB\\RO.TXT"), uint32_t{kAttrReadOnly | kAttrHidden});

  // Read-only files refuse writes and deletion until the flag is cleared.
  EXPECT_FALSE(files.WriteAll("C:\\app\\sub\\ro.txt", "w"));
  EXPECT_FALSE(files.RemoveFile("C:\\app\\sub\\ro.txt"));
  EXPECT_FALSE(files.CopyFile("C:\\app\\top.txt", "C:\\app\\sub\\ro.txt"));
  EXPECT_TRUE(files.CopyFile("C:\\app\\sub\\ro.txt", "C:\\app\\copy.txt"));
  EXPECT_EQ(files.GetAttributes("C:\\app\\copy.txt"), uint32_t{kAttrReadOnly | kAttrHidden});
  ASSERT_TRUE(files.SetAttributes("C:\\app\\copy.txt", kAttrNormal));
  EXPECT_EQ(files.GetAttributes("C:\\app\\copy.txt"), uint32_t{kAttrNormal});
  EXPECT_TRUE(files.RemoveFile("C:\\app\\copy.txt"));
  EXPECT_FALSE(files.RemoveFile("C:\\app\\sub"));  // not a file

  std::vector<DirEntry> listing = files.List("C:\\app");
  ASSERT_EQ(listing.size(), 2u);
  EXPECT_EQ(listing[0].name, "sub");
  EXPECT_TRUE(listing[0].is_dir);
  EXPECT_EQ(listing[1].name, "top.txt");
  EXPECT_FALSE(listing[1].is_dir);
  EXPECT_TRUE(files.List("C:\\app\\top.txt").empty());

  EXPECT_FALSE(files.RemoveTree("C:\\app\\top.txt"));
  EXPECT_TRUE(files.RemoveTree("C:\\app"));
  EXPECT_FALSE(files.Exists("C:\\app"));
  EXPECT_TRUE(files.RemoveTree("C:\\app"));  // nothing left to remove
  // A new file at the old path starts without the old flags.
  ASSERT_TRUE(files.CreateDirectory("C:\\app"));
  ASSERT_TRUE(files.CreateDirectory("C:\\app\\sub"));
  ASSERT_TRUE(files.WriteAll("C:\\app\\sub\\ro.txt", "again"));
  EXPECT_EQ(files.GetAttributes("C:\\app\\sub\\ro.txt"), uint32_t{kAttrArchive});
}

}  // namespace
}  // namespace qmb
