#include "package_writer.h"

#include <algorithm>
#include <fstream>

#include "base/compressed_form.h"
#include "base/data_cipher.h"
#include "base/ini.h"
#include "base/package_layout.h"
#include "base/registry_store.h"
#include "base/value_store.h"
#include "package_inspector.h"
#include "pe_image.h"
#include "test_fixtures.h"

namespace qmb::mkpackage {
namespace {

using namespace testing;

uint64_t U64(const std::string& data, size_t at) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(data[at + i]);
  return v;
}

// The length of the 7z archive at offset at, from its own start header.
uint64_t ArchiveLength(const std::string& data, size_t at) {
  return 32 + U64(data, at + 12) + U64(data, at + 20);
}

class PackageWriterTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    runtime_ = BuildRuntime(dir() / "rt", "setup", "250 KEY { 0x0000 }\n");
    project_ = MakeProject(dir() / "project");
  }
  PackageRequest Request(const std::string& out = "out.exe") {
    return {runtime_, project_, dir() / "out" / out, std::string("\x12\x34", 2), {}};
  }
  // A project that asks for an uninstaller, packed with `runtime` into the output folder.
  PackageRequest UninstallerRequest(const fs::path& runtime) {
    fs::create_directories(dir() / "out");
    PackageRequest r = Request();
    r.runtime = runtime;
    r.project = MakeProject(dir() / "uninstaller", "safe=pw\r\n是否生成卸载程序=1");
    return r;
  }
  // Nothing under the output name and no temp file beside it.
  void ExpectNoOutput() {
    EXPECT_FALSE(fs::exists(dir() / "out" / "out.exe"));
    EXPECT_TRUE(fs::is_empty(dir() / "out"));
  }
  fs::path runtime_, project_;
};

TEST_F(PackageWriterTest, WritesTheOverlayByteForByte) {
  fs::create_directories(dir() / "out");
  std::string error;
  std::vector<int> percents;
  PackageRequest request = Request();
  request.progress = [&percents](int p) { percents.push_back(p); };
  ASSERT_TRUE(WritePackage(request, error)) << error;
  // However quick the compression, the progress ends at the whole.
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  const std::string runtime = Bytes(runtime_);
  const std::string pkg = Bytes(dir() / "out" / "out.exe");
  const size_t o = runtime.size();

  // The image is the runtime with the key patched in, and nothing else changed.
  auto key = FindNamedTypeResource(runtime, "KEY", 250, error);
  ASSERT_TRUE(key) << error;
  std::string expected_image = runtime;
  expected_image.replace(key->offset, 2, "\x12\x34");
  EXPECT_EQ(pkg.substr(0, o), expected_image);

  EXPECT_EQ(pkg[o], '\0');
  EXPECT_EQ(pkg.substr(o + 1, 17), "QMB-mark=\xC5\xE4\xD6\xC3\xB0\xFC" "A\x01");
  EXPECT_EQ(pkg.substr(o + 18, 5), "qmb-1");
  EXPECT_EQ(pkg.substr(o + 23, 17), "QMB-mark=\xC5\xE4\xD6\xC3\xB0\xFC" "B\x01");
  EXPECT_EQ(pkg[o + 40], '\0');
  EXPECT_EQ(pkg.substr(o + 41, 19), "QMB-mark=7zipdataA\x01");
  EXPECT_EQ(pkg.substr(o + 60, 7), std::string("7z\xBC\xAF\x27\x1C\x00", 7));
  const uint64_t p = ArchiveLength(pkg, o + 60);
  EXPECT_EQ(pkg.substr(o + 60 + p, 19), "QMB-mark=7zipdataB\x01");
  EXPECT_EQ(pkg[o + 79 + p], '\0');
  EXPECT_EQ(pkg.substr(o + 80 + p, 18), "QMB-mark=\xC5\xE4\xD6\xC3\xB0\xFC" "sA\x01");
  EXPECT_EQ(pkg.substr(o + 98 + p, 6), "7\x0A\xBC\xAF\x27\x1C");
  const uint64_t s = ArchiveLength(pkg, o + 98 + p);
  EXPECT_EQ(pkg.substr(o + 98 + p + s), "QMB-mark=\xC5\xE4\xD6\xC3\xB0\xFC" "sB\x01");

  // The settings archive opens with the key derived from the patched bytes, and holds the
  // converted files.
  WriteBytes(dir() / "s.7z", FromStoredSettingsArchive(pkg.substr(o + 98 + p, s)));
  ASSERT_TRUE(RunSevenZip({"x", "-p" + SettingsKeyFrom("\x12\x34"), "-o" + (dir() / "s").string(),
                           (dir() / "s.7z").string()},
                          {}, error))
      << error;
  EXPECT_NE(Bytes(dir() / "s" / "data.ini").find("\xBA\xCC\xC4\xBE"), std::string::npos);  // 禾木
  EXPECT_EQ(Decipher(Bytes(dir() / "s" / "GUItext.ini"), kGuiTextKey),
            "\xB4\xB0\xBF\xDA\xB1\xEA\xCC\xE2\x01\xB0\xB2\xD7\xB0\xB4\xB0\xBF\xDA\xB1\xEA\xCC\xE2"
            "end");
  EXPECT_EQ(Bytes(dir() / "s" / "pic.jpg"), Bytes(project_ / "settings" / "pic.jpg"));

  // The payload needs the "safe" password (quotes and blanks pass unchanged) even to list names.
  WriteBytes(dir() / "p.7z", pkg.substr(o + 60, p));
  EXPECT_FALSE(RunSevenZip({"l", "-pwrong", (dir() / "p.7z").string()}, {}, error));
  ASSERT_TRUE(RunSevenZip({"x", "-ppw 1\"x", "-o" + (dir() / "p").string(),
                           (dir() / "p.7z").string()},
                          {}, error))
      << error;
  EXPECT_EQ(Bytes(dir() / "p" / "文档" / "说明.txt"), "说明\r\n");
  EXPECT_EQ(Bytes(dir() / "p" / "readme.txt"), "hello\r\n");

  // The inspection finds the same sections and opens the settings with the package's own key.
  auto report = InspectPackage(dir() / "out" / "out.exe", error);
  ASSERT_TRUE(report) << error;
  EXPECT_EQ(report->image_end, o);
  EXPECT_EQ(report->kind, "qmb-1");
  EXPECT_EQ(report->payload_section.content_offset, o + 60);
  EXPECT_EQ(report->payload_section.size, p);
  EXPECT_EQ(report->settings_section.marker_offset, o + 80 + p);
  EXPECT_EQ(report->settings_section.size, s);
  ASSERT_EQ(report->settings_files.size(), 3u);
  EXPECT_EQ(report->settings_files[0].name, "GUItext.ini");
  EXPECT_NE(report->settings_files[0].note.find("deciphers"), std::string::npos);
  // The payload's files, read with the package's own password: two files and their folder.
  EXPECT_EQ(report->payload_note, "");
  ASSERT_EQ(report->payload_files.size(), 3u);
  bool readme = false;
  for (const PayloadFile& f : report->payload_files)
    readme = readme || (f.name == "readme.txt" && f.size == 7 && !f.folder);
  EXPECT_TRUE(readme);
  EXPECT_NE(FormatReport(*report).find("payload files    3"), std::string::npos);
}

TEST_F(PackageWriterTest, PatchesFreshRandomKeys) {
  fs::create_directories(dir() / "out");
  std::string error;
  PackageRequest a = Request("a.exe"), b = Request("b.exe");
  a.key_bytes.reset();
  b.key_bytes.reset();
  ASSERT_TRUE(WritePackage(a, error)) << error;
  ASSERT_TRUE(WritePackage(b, error)) << error;
  auto ra = InspectPackage(a.output, error);
  auto rb = InspectPackage(b.output, error);
  ASSERT_TRUE(ra && rb) << error;
  EXPECT_NE(ra->key_bytes, std::string(2, '\0'));
  EXPECT_EQ(ra->settings_files.size(), 3u);  // each opens with its own key
  EXPECT_EQ(rb->settings_files.size(), 3u);
}

TEST_F(PackageWriterTest, SourceDateEpochMakesTheSamePackageFromTheSameContent) {
  fs::create_directories(dir() / "out");
  std::string error;
  const auto build = [&](const fs::path& project, const std::string& name, uint64_t epoch) {
    PackageRequest request{runtime_, project, dir() / "out" / name, std::nullopt, {}, epoch};
    EXPECT_TRUE(WritePackage(request, error)) << error;
    return Bytes(request.output);
  };
  WriteBytes(project_ / "payload" / "empty.txt", "");  // an entry without a stream
  const std::string a = build(project_, "a.exe", 1700000000);
  // Another folder, files written anew (other times, other directory order).
  fs::copy(project_, dir() / "copy", fs::copy_options::recursive);
  const std::string b = build(dir() / "copy", "b.exe", 1700000000);
  ASSERT_FALSE(a.empty());
  EXPECT_TRUE(a == b) << "two builds of the same project differ";
  EXPECT_NE(build(project_, "c.exe", 1700000001), a);
  WriteBytes(dir() / "copy" / "payload" / "readme.txt", "hello!\r\n");
  EXPECT_NE(build(dir() / "copy", "d.exe", 1700000000), a);

  // The sealed archives open as 7zz's own do: the settings with the key derived from the content
  // (through 7zz), the payload with "safe" (through our reader, and tested whole by 7zz).
  auto report = InspectPackage(dir() / "out" / "a.exe", error);
  ASSERT_TRUE(report) << error;
  EXPECT_NE(report->key_bytes, std::string(2, '\0'));
  EXPECT_EQ(report->settings_files.size(), 3u);
  EXPECT_EQ(report->payload_note, "");
  EXPECT_EQ(report->payload_files.size(), 4u);
  WriteBytes(dir() / "p.7z", a.substr(report->payload_section.content_offset, report->payload_section.size));
  EXPECT_TRUE(RunSevenZip({"t", "-ppw 1\"x", (dir() / "p.7z").string()}, {}, error)) << error;
  EXPECT_FALSE(RunSevenZip({"t", "-pwrong", (dir() / "p.7z").string()}, {}, error));
}

TEST_F(PackageWriterTest, RefusalsLeaveNoOutput) {
  fs::create_directories(dir() / "out");
  std::string error;
  const auto refused = [&](PackageRequest request, const std::string& reason) {
    error.clear();
    EXPECT_FALSE(WritePackage(request, error)) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
    ExpectNoOutput();
  };
  PackageRequest r = Request();
  r.runtime = BuildRuntime(dir() / "rt", "bare", "");
  refused(r, "no resource");
  r.runtime = BuildRuntime(dir() / "rt", "other", "250 DATA { 0x0000 }\n");
  refused(r, "no resource type KEY");
  r.runtime = BuildRuntime(dir() / "rt", "long", "250 KEY { 0x0000, 0x0000 }\n");
  refused(r, "4 bytes instead of 2");
  r.runtime = dir() / "rt" / "missing.exe";
  refused(r, "cannot read");

  r = Request();
  r.project = MakeProject(dir() / "nosafe", "other=1");
  refused(r, "\"safe\"");
  r.project = MakeProject(dir() / "emptysafe", "safe=");
  refused(r, "\"safe\"");
  r.project = dir() / "nothing";
  fs::create_directories(r.project / "payload");
  refused(r, "settings folder not found");
  fs::create_directories(dir() / "nopayload" / "settings");
  r.project = dir() / "nopayload";
  refused(r, "payload folder not found");

  // A package given as the runtime would carry two sets of sections.
  ASSERT_TRUE(WritePackage(Request(), error)) << error;
  fs::rename(dir() / "out" / "out.exe", dir() / "pkg.exe");
  r = Request();
  r.runtime = dir() / "pkg.exe";
  refused(r, "already carries data");
}

// The package's settings files, unpacked with its key into folder.
void UnpackSettings(const fs::path& package, const fs::path& folder) {
  std::string error;
  auto report = InspectPackage(package, error);
  ASSERT_TRUE(report) << error;
  std::ifstream in(package, std::ios::binary);
  std::string archive(report->settings_section.size, '\0');
  in.seekg(static_cast<std::streamoff>(report->settings_section.content_offset));
  in.read(archive.data(), static_cast<std::streamsize>(archive.size()));
  WriteBytes(folder / "s.7z", FromStoredSettingsArchive(archive));
  ASSERT_TRUE(RunSevenZip({"x", "-p" + report->settings_key, "-o" + folder.string(),
                           (folder / "s.7z").string()},
                          {}, error))
      << error;
}

TEST_F(PackageWriterTest, RegistryFolderAndUnpackedSize) {
  fs::create_directories(dir() / "out");
  WriteBytes(project_ / "registry" / "values.ini",
             "[v]\r\npath=HKCU\\Software\\演示\r\nname=n\r\ntype=REG_DWORD\r\ndata=0x10\r\n"
             "view=64\r\nremove=yes\r\n");
  WriteBytes(project_ / "registry" / "extra.reg", "REGEDIT4\r\n");
  std::string error;
  ASSERT_TRUE(WritePackage(Request(), error)) << error;
  UnpackSettings(dir() / "out" / "out.exe", dir() / "s");

  auto store = DecompressForm(Bytes(dir() / "s" / "QMBREG.db"));
  ASSERT_TRUE(store);
  auto records = ReadRegistryRecords(*store);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0],
            (RegistryRecord{"HKEY_CURRENT_USER\\Software\\演示", "REG_DWORD", "16", "真", "n", "64"}));
  // A script's other fields are empty, stored as the placeholder.
  const std::string none(kStoreEmptyValue);
  EXPECT_EQ(records[1], (RegistryRecord{none, "file", "REGEDIT4\r\n", none, none, none}));
  // The payload's two files: "hello\r\n" and "说明\r\n" (GBK, as the fixture writes it), 7 + 6 bytes.
  EXPECT_EQ(IniFile(Bytes(dir() / "s" / "data.ini")).Value("禾木软件安装配置", "压缩原大小"), "13");

  auto report = InspectPackage(dir() / "out" / "out.exe", error);
  ASSERT_TRUE(report) << error;
  bool noted = false;
  for (const InspectedFile& f : report->settings_files)
    noted = noted || (f.name == "QMBREG.db" && f.note.ends_with("2 registry records"));
  EXPECT_TRUE(noted);

  // A ready QMBREG.db beside the registry folder is refused.
  WriteBytes(project_ / "settings" / "QMBREG.db", "num\x01" "0numend");
  EXPECT_FALSE(WritePackage(Request(), error));
  EXPECT_NE(error.find("both give registry data"), std::string::npos) << error;
  // Alone, the raw store is packed as it is, in the compressed form.
  fs::remove_all(project_ / "registry");
  ASSERT_TRUE(WritePackage(Request(), error)) << error;
  UnpackSettings(dir() / "out" / "out.exe", dir() / "s2");
  EXPECT_EQ(DecompressForm(Bytes(dir() / "s2" / "QMBREG.db")), "num\x01" "0numend");
}

// A runtime that carries a launcher whose NAME resource has name_words zero words; with room, the
// launcher is carried gzip-compressed with that many zero bytes behind it, as the build makes it.
fs::path RuntimeWithLauncher(const fs::path& dir, const std::string& name, int name_words,
                             std::optional<size_t> room = std::nullopt) {
  std::string words = "0x0000";
  for (int i = 1; i < name_words; ++i) words += ", 0x0000";
  fs::path launcher = BuildRuntime(dir, name + "-uninst", "100 NAME { " + words + " }\n");
  if (room) {
    const fs::path packed = dir / (name + "-uninst.exe.gz");
    WriteBytes(packed, CompressGzip(Bytes(launcher)) + std::string(*room, '\0'));
    launcher = packed;
  }
  return BuildRuntime(dir, name, "250 KEY { 0x0000 }\n100 UNINST_DAT \"" + launcher.string() + "\"\n");
}

// The launcher carried compressed is named inside and compressed again into the same room; one
// that no longer fits is refused, not cut.
TEST_F(PackageWriterTest, NamesACompressedLauncherWithinItsRoom) {
  PackageRequest r = UninstallerRequest(RuntimeWithLauncher(dir() / "rt", "packed", 128, 2048));
  std::string error;
  ASSERT_TRUE(WritePackage(r, error)) << error;
  const std::string runtime = Bytes(r.runtime);
  const std::string pkg = Bytes(r.output);
  auto carried = FindNamedTypeResource(runtime, "UNINST_DAT", 100, error);
  auto launcher = FindNamedTypeResource(pkg, "UNINST_DAT", 100, error);
  ASSERT_TRUE(carried && launcher) << error;
  EXPECT_EQ(launcher->offset, carried->offset);
  ASSERT_EQ(launcher->size, carried->size);
  auto image = InflateIfGzip(std::string_view(pkg).substr(launcher->offset, launcher->size), kMaxLauncherSize);
  auto plain = InflateIfGzip(std::string_view(runtime).substr(carried->offset, carried->size), kMaxLauncherSize);
  ASSERT_TRUE(image && plain);
  auto name = FindNamedTypeResource(*image, "NAME", 100, error);
  ASSERT_TRUE(name) << error;
  std::string expected_name = "演示";
  expected_name.resize(256, '\0');
  std::string expected = *plain;
  expected.replace(name->offset, name->size, expected_name);
  EXPECT_EQ(*image, expected);  // the name is the only change
  auto report = InspectPackage(r.output, error);
  ASSERT_TRUE(report) << error;
  EXPECT_EQ(report->launcher_name, "\xE6\xBC\x94\xE7\xA4\xBA");

  // A name of 255 bytes of varied text takes more room than the zeros did; without any room
  // behind the stream it cannot fit.
  r.runtime = RuntimeWithLauncher(dir() / "rt", "tight", 128, 0);
  std::string long_name;
  for (uint32_t i = 0, x = 1; i < 255; ++i, x = x * 1103515245u + 12345u) long_name += char('a' + (x >> 16) % 26);
  r.project = MakeProject(dir() / "tight");
  WriteBytes(r.project / "settings" / "data.ini",
             "[禾木软件安装配置]\r\n禾木软件名称=" + long_name + "\r\nsafe=pw\r\n是否生成卸载程序=1\r\n");
  fs::remove(r.output);
  EXPECT_FALSE(WritePackage(r, error));
  EXPECT_NE(error.find("does not fit the room"), std::string::npos) << error;
  ExpectNoOutput();
}

TEST_F(PackageWriterTest, NamesTheUninstallerLauncher) {
  PackageRequest r = UninstallerRequest(RuntimeWithLauncher(dir() / "rt", "named", 128));
  std::string error;
  ASSERT_TRUE(WritePackage(r, error)) << error;
  const std::string runtime = Bytes(r.runtime);
  const std::string pkg = Bytes(r.output);
  auto launcher = FindNamedTypeResource(pkg, "UNINST_DAT", 100, error);
  ASSERT_TRUE(launcher) << error;
  const std::string image = pkg.substr(launcher->offset, launcher->size);
  auto name = FindNamedTypeResource(image, "NAME", 100, error);
  ASSERT_TRUE(name) << error;
  ASSERT_EQ(name->size, 256u);
  std::string expected_name = "演示";  // GBK, as data.ini holds it after conversion
  expected_name.resize(256, '\0');
  EXPECT_EQ(image.substr(name->offset, name->size), expected_name);

  // Nothing else of the image changed: the key and the name are the only differences.
  std::string expected = runtime;
  auto key = FindNamedTypeResource(runtime, "KEY", 250, error);
  ASSERT_TRUE(key) << error;
  expected.replace(key->offset, 2, "\x12\x34");
  expected.replace(launcher->offset + name->offset, name->size, expected_name);
  EXPECT_EQ(pkg.substr(0, runtime.size()), expected);

  auto report = InspectPackage(r.output, error);
  ASSERT_TRUE(report) << error;
  ASSERT_TRUE(report->launcher.has_value());
  EXPECT_EQ(report->launcher->offset, launcher->offset);
  EXPECT_EQ(report->launcher_name, "\xE6\xBC\x94\xE7\xA4\xBA");  // UTF-8 of the product name
}

TEST_F(PackageWriterTest, RefusesAnUninstallerItCannotName) {
  fs::create_directories(dir() / "out");
  PackageRequest r = Request();
  r.project = MakeProject(dir() / "uninstaller", "safe=pw\r\n是否生成卸载程序=1");
  std::string error;
  EXPECT_FALSE(WritePackage(r, error));  // the fixture runtime carries no launcher
  EXPECT_NE(error.find("asks for an uninstaller"), std::string::npos) << error;
  r.runtime = RuntimeWithLauncher(dir() / "rt", "short", 2);  // room for 3 bytes
  EXPECT_FALSE(WritePackage(r, error));
  EXPECT_NE(error.find("product name takes 4 bytes"), std::string::npos) << error;
  ExpectNoOutput();
  // Without an uninstaller a launcher-less runtime is fine.
  EXPECT_TRUE(WritePackage(Request(), error)) << error;
}

TEST_F(PackageWriterTest, FailureKeepsAnEarlierPackage) {
  fs::create_directories(dir() / "out");
  WriteBytes(dir() / "out" / "out.exe", "earlier");
  PackageRequest r = Request();
  r.project = MakeProject(dir() / "nosafe", "");
  std::string error;
  EXPECT_FALSE(WritePackage(r, error));
  EXPECT_EQ(Bytes(dir() / "out" / "out.exe"), "earlier");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir() / "out"), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace qmb::mkpackage
