// The support-DLL store: both files round-trip, the compressed form, run kinds and file names.
#include "base/dll_store.h"

#include <gtest/gtest.h>

#include "base/compressed_form.h"

namespace qmb {
namespace {

std::vector<DllRecord> TwoRecords() {
  return {DllRecord{"start", kRunInInstaller, "p$参数，整数型$参数，7", std::string("MZ\0\x90", 4)},
          DllRecord{"other", kRunInBoth, "", "MZ second"}};
}

TEST(DllStore, PlainAndCompressedStoresGiveTheRecords) {
  const DllStoreFiles files = BuildDllStore(TwoRecords());
  EXPECT_EQ(files.settings.find("MZ"), std::string::npos);
  for (const std::string& db : {files.db, CompressForm(files.db)}) {
    const auto records = ReadDllStore(db, files.settings);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 2u);
    EXPECT_EQ((*records)[0].export_name, "start");
    EXPECT_EQ((*records)[0].run_kind, kRunInInstaller);
    EXPECT_EQ((*records)[0].parameters, "p$参数，整数型$参数，7");
    EXPECT_EQ((*records)[0].bytes, std::string("MZ\0\x90", 4));
    EXPECT_EQ((*records)[1].run_kind, kRunInBoth);
    EXPECT_EQ((*records)[1].bytes, "MZ second");
  }
}

TEST(DllStore, FieldsComeFromTheExpandedSettingsCopy) {
  const DllStoreFiles files = BuildDllStore(TwoRecords());
  std::string settings = files.settings;
  settings.replace(settings.find("7"), 1, "C:\\Program Files\\演示");
  const auto records = ReadDllStore(files.db, settings);
  ASSERT_TRUE(records);
  EXPECT_EQ((*records)[0].parameters, "p$参数，整数型$参数，C:\\Program Files\\演示");
  // A settings copy with fewer records leaves the later ones without fields.
  const auto short_settings = ReadDllStore(files.db, "");
  ASSERT_TRUE(short_settings);
  EXPECT_EQ((*short_settings)[1].export_name, "");
}

TEST(DllStore, EmptyAndDamagedStores) {
  EXPECT_TRUE(ReadDllStore("", "")->empty());
  EXPECT_FALSE(ReadDllStore("garbage that is neither form", ""));
  std::string damaged = CompressForm(BuildDllStore(TwoRecords()).db);
  damaged.resize(damaged.size() - 3);
  EXPECT_FALSE(ReadDllStore(damaged, ""));
}

TEST(DllStore, RunKindsPerPackageKind) {
  // Package result 1 is an installer, 2 an uninstaller.
  EXPECT_TRUE(DllRunsFor(kRunInInstaller, 1));
  EXPECT_FALSE(DllRunsFor(kRunInInstaller, 2));
  EXPECT_FALSE(DllRunsFor(kRunInUninstaller, 1));
  EXPECT_TRUE(DllRunsFor(kRunInUninstaller, 2));
  EXPECT_TRUE(DllRunsFor(kRunInBoth, 1));
  EXPECT_TRUE(DllRunsFor(kRunInBoth, 2));
  EXPECT_FALSE(DllRunsFor(7, 1));
}

TEST(DllStore, FileNameIsTheMd5OfTheBytes) {
  EXPECT_EQ(SupportDllFileName(""), "d41d8cd98f00b204e9800998ecf8427e.dll");
  EXPECT_EQ(SupportDllFileName("abc"), "900150983cd24fb0d6963f7d28e17f72.dll");
}

}  // namespace
}  // namespace qmb
