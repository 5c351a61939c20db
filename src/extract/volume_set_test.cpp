// Irregularly named split volumes unpacked through the placeholder set and the redirected opens of
// the natively linked archive library.
#include "extract/volume_set.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "context/context.h"
#include "extract/extract_archive.h"
#include "extract/volume_redirect.h"
#include "platform/host/host_platform.h"

namespace qmb {
namespace {

namespace fs = std::filesystem;

TEST(VolumeSuffix, PadsToThreeDigits) {
  EXPECT_EQ(VolumeSuffix(1), "001");
  EXPECT_EQ(VolumeSuffix(12), "012");
  EXPECT_EQ(VolumeSuffix(123), "123");
  EXPECT_EQ(VolumeSuffix(1000), "1000");
}

TEST(PlaceholderIndex, MatchesTheLastComponentExactly) {
  EXPECT_EQ(PlaceholderIndex("1a2b", 3, "C:\\App\\7ztemp\\1a2b.001"), 0u);
  EXPECT_EQ(PlaceholderIndex("1a2b", 3, "D:\\elsewhere\\1a2b.003"), 2u);  // any folder
  EXPECT_EQ(PlaceholderIndex("1a2b", 3, "C:/App/1a2b.002"), 1u);
  EXPECT_EQ(PlaceholderIndex("1a2b", 3, "1a2b.002"), 1u);
  EXPECT_FALSE(PlaceholderIndex("1a2b", 3, "C:\\App\\1a2b.004"));  // beyond the set
  EXPECT_FALSE(PlaceholderIndex("1a2b", 3, "C:\\App\\1A2B.001"));  // case matters
  EXPECT_FALSE(PlaceholderIndex("1a2b", 3, "C:\\App\\x1a2b.001"));
  EXPECT_FALSE(PlaceholderIndex("1a2b", 3, "C:\\App\\1a2b.001\\x"));
  EXPECT_FALSE(PlaceholderIndex("1a2b", 3, "C:\\App\\1a2b.01"));
  EXPECT_FALSE(PlaceholderIndex("", 3, "C:\\App\\.001"));
  // "\" as the trail byte of a GBK character does not end a component.
  EXPECT_FALSE(PlaceholderIndex("1a2b", 3, "C:\\\xD5\x5C" "1a2b.001"));
}

// Passes the calls on to the native redirection and records what the library is about to see.
class ObservedRedirection : public OpenRedirection {
 public:
  ObservedRedirection(HostPlatform& host, std::unique_ptr<OpenRedirection> inner)
      : host_(host), inner_(std::move(inner)) {}

  bool Install(const std::string& base, const std::vector<std::string>& volumes) override {
    base_ = base;
    Files& files = host_.files();
    hidden = files.GetAttributes("C:\\Prog\\App\\7ztemp").value_or(0) & kAttrHidden;
    for (const DirEntry& entry : files.List("C:\\Prog\\App\\7ztemp")) {
      placeholders.emplace_back(entry.name,
                                files.Size("C:\\Prog\\App\\7ztemp\\" + entry.name).value_or(0));
    }
    const bool installed = inner_->Install(base, volumes);
    redirected_elsewhere = OpensElsewhere();
    return installed;
  }
  void Remove() override {
    ++removals;
    inner_->Remove();
  }

  // Whether an open of the first placeholder's name in an unrelated folder reaches the volume set.
  bool OpensElsewhere() const {
    void* handle = sevenzip::SevenZipOpen(("D:\\other\\" + base_ + ".001").c_str(), 0);
    if (handle != nullptr) sevenzip::SevenZipClose(handle);
    return handle != nullptr;
  }

  std::vector<std::pair<std::string, uint64_t>> placeholders;
  bool hidden = false;
  bool redirected_elsewhere = false;
  int removals = 0;

 private:
  HostPlatform& host_;
  std::unique_ptr<OpenRedirection> inner_;
  std::string base_;
};

class VolumeSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Bound now: binding sets the library's path mapper, which must not replace a redirection.
    const ArchiveLibrary library =
        NativeArchiveLibrary([this](const std::string& p) { return host_.files().HostPath(p); });
    ctx_.extract.load_library = [library] { return std::optional<ArchiveLibrary>(library); };
    ctx_.extract.open_redirect = &redirect_;
    ctx_.log.SetSink([this](std::string_view line) { log_ += std::string(line) + "\n"; });
    host_.env().SetTickCount(0xBEEF);
  }
  void TearDown() override { NativeArchiveLibrary(nullptr); }

  // Packs big.bin (incompressible, stored) and small.txt into three volumes and names them a.7z,
  // b.7z and c.7z in C:\pkg.
  void MakeVolumes() {
    const fs::path source = fs::path(host_.root()) / "source";
    fs::create_directories(source / "sub");
    big_.resize(250000);
    uint32_t x = 12345;
    for (char& c : big_) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    std::ofstream(source / "big.bin", std::ios::binary) << big_;
    std::ofstream(source / "sub" / "small.txt", std::ios::binary) << "small";
    host_.files().CreateDirectory("C:\\pkg");
    const std::string pkg = host_.files().HostPath("C:\\pkg");
    const std::string command = "cd '" + source.string() + "' && 7zz a -bd -y -mx=0 -mhe=on -ppw -v100k '" +
                                pkg + "/set.7z' . > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const char* names[] = {"a.7z", "b.7z", "c.7z"};
    for (int i = 0; i < 3; ++i) {
      fs::rename(pkg + "/set.7z.00" + std::to_string(i + 1), pkg + "/" + names[i]);
      volumes_.push_back(std::string("C:\\pkg\\") + names[i]);
    }
    ASSERT_FALSE(fs::exists(pkg + "/set.7z.004"));
  }

  HostPlatform host_;
  Context ctx_{host_.platform()};
  ObservedRedirection redirect_{
      host_, NativeOpenRedirection([this](const std::string& p) { return host_.files().HostPath(p); })};
  std::vector<std::string> volumes_;
  std::string big_;
  std::string log_;
};

TEST_F(VolumeSetTest, ExtractsThroughPlaceholdersAndCleansUp) {
  ctx_.journal.Begin("C:\\backup");
  MakeVolumes();
  // A volume folder that was there before this run is not ours: it is refused and kept.
  ASSERT_TRUE(host_.files().CreateDirectory("C:\\Prog"));
  ASSERT_TRUE(host_.files().CreateDirectory("C:\\Prog\\App"));
  ASSERT_TRUE(host_.files().CreateDirectory("C:\\Prog\\App\\7ztemp"));
  ASSERT_TRUE(host_.files().WriteAll("C:\\Prog\\App\\7ztemp\\old.tmp", "x"));
  std::string archive = "C:\\pkg\\a.7z";
  std::string destination = "c:\\Prog\\App";
  EXPECT_FALSE(ExtractArchive(ctx_, archive, destination, false, "pw", nullptr, "", "", volumes_));
  EXPECT_EQ(host_.files().ReadAll("C:\\Prog\\App\\7ztemp\\old.tmp"), "x");
  EXPECT_FALSE(host_.files().Exists("C:\\Prog\\App\\big.bin"));
  ASSERT_TRUE(host_.files().RemoveTree("C:\\Prog\\App\\7ztemp"));

  ASSERT_TRUE(ExtractArchive(ctx_, archive, destination, false, "pw", nullptr, "", "", volumes_))
      << log_;
  EXPECT_EQ(destination, "C:\\Prog\\App");
  EXPECT_EQ(host_.files().ReadAll("C:\\Prog\\App\\big.bin"), big_);
  EXPECT_EQ(host_.files().ReadAll("C:\\Prog\\App\\sub\\small.txt"), "small");

  // The library saw base.001 .. base.003 with the real sizes, in a hidden folder.
  ASSERT_EQ(redirect_.placeholders.size(), 3u);
  const std::string base = redirect_.placeholders[0].first.substr(0, 4);
  EXPECT_EQ(base, "beef");
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(redirect_.placeholders[i].first, base + "." + VolumeSuffix(static_cast<int32_t>(i + 1)));
    EXPECT_EQ(redirect_.placeholders[i].second, host_.files().Size(volumes_[i]));
  }
  EXPECT_TRUE(redirect_.hidden);
  EXPECT_TRUE(redirect_.redirected_elsewhere);
  EXPECT_EQ(archive, "C:\\Prog\\App\\7ztemp\\" + base + ".001");

  // Afterwards: no volume folder, no redirection.
  EXPECT_FALSE(host_.files().Exists("C:\\Prog\\App\\7ztemp"));
  EXPECT_TRUE(ctx_.journal.CreatedFolder("C:\\Prog\\App\\7ztemp"));
  EXPECT_EQ(redirect_.removals, 1);
  EXPECT_FALSE(redirect_.OpensElsewhere());

  // The next run gets a new base.
  redirect_.placeholders.clear();
  ASSERT_TRUE(ExtractArchive(ctx_, archive, destination, true, "pw", nullptr, "sub\\small.txt", "",
                             volumes_)) << log_;
  EXPECT_EQ(host_.files().ReadAll("C:\\Prog\\App\\small.txt"), "small");
  ASSERT_FALSE(redirect_.placeholders.empty());
  EXPECT_NE(redirect_.placeholders[0].first.substr(0, 4), base);
}

TEST_F(VolumeSetTest, FirstRunOverVolumesBindsTheLibraryBeforeRedirecting) {
  MakeVolumes();
  // Bound lazily, as start-up binds it: binding sets the library's file opens up afresh, which must
  // happen before the volumes' redirection, not undo it.
  ctx_.extract.load_library = [this] {
    return std::optional<ArchiveLibrary>(
        NativeArchiveLibrary([this](const std::string& p) { return host_.files().HostPath(p); }));
  };
  std::string archive = "C:\\pkg\\a.7z";
  std::string destination = "C:\\App";
  ASSERT_TRUE(ExtractArchive(ctx_, archive, destination, false, "pw", nullptr, "", "", volumes_))
      << log_;
  EXPECT_EQ(host_.files().ReadAll("C:\\App\\big.bin"), big_);
}

TEST_F(VolumeSetTest, MissingVolumeOrRedirectionUnpacksNothing) {
  MakeVolumes();
  std::vector<std::string> broken = volumes_;
  broken[1] = "C:\\pkg\\missing.7z";
  std::string archive = "C:\\pkg\\a.7z";
  std::string destination = "C:\\Prog\\App\\";
  EXPECT_FALSE(ExtractArchive(ctx_, archive, destination, false, "pw", nullptr, "", "", broken));
  EXPECT_NE(log_.find("C:\\pkg\\missing.7z"), std::string::npos);
  EXPECT_EQ(archive, "C:\\pkg\\a.7z");
  EXPECT_FALSE(host_.files().Exists("C:\\Prog\\App\\7ztemp"));
  EXPECT_FALSE(host_.files().Exists("C:\\Prog\\App\\big.bin"));

  ctx_.extract.open_redirect = nullptr;
  EXPECT_FALSE(ExtractArchive(ctx_, archive, destination, false, "pw", nullptr, "", "", volumes_));
  EXPECT_FALSE(host_.files().Exists("C:\\Prog\\App\\big.bin"));

  // A destination that is no folder of a drive gets nothing, not even the volume folder.
  ctx_.extract.open_redirect = &redirect_;
  std::string relative = "Prog\\App";
  EXPECT_FALSE(ExtractArchive(ctx_, archive, relative, false, "pw", nullptr, "", "", volumes_));
  EXPECT_EQ(redirect_.placeholders.size(), 0u);
}

}  // namespace
}  // namespace qmb
