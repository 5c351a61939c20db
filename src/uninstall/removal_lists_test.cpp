// Tests of the removal lists read from the uninstall record.
#include "uninstall/removal_lists.h"

#include <gtest/gtest.h>

#include "base/value_store.h"
#include "context/context.h"
#include "platform/host/host_platform.h"

namespace qmb {
namespace {

std::string RecordWith(std::string_view ini, std::string_view files, std::string_view registry) {
  std::string record(ini);
  StoreSet(record, kFileListName, files, record);
  StoreSet(record, kRegistryListName, registry, record);
  return record;
}

TEST(RemovalLists, FilesAndRegistryValuesBehindTheIniText) {
  const std::string record = RecordWith(
      "[软件卸载配置]\r\n卸载路径=C:\\App\r\n",
      "C:\\App\\a.txt\r\nC:\\App\\b\\c.txt\r\n\r\nC:\\App\\uninst.dat",
      "HKEY_CURRENT_USER\\Software\\Demo\\Name$,32\r\n"
      "HKEY_LOCAL_MACHINE\\Software\\Demo\\\x01\x02\x03$,64\r\n"
      "HKEY_CURRENT_USER\\Software\\Demo\\NoView\r\n"
      "HKEY_CURRENT_USER\\Software\\A$,B\\C$,64\r\n");
  EXPECT_EQ(FileListOf(record), (std::vector<std::string>{"C:\\App\\a.txt", "C:\\App\\b\\c.txt",
                                                          "C:\\App\\uninst.dat"}));
  const std::vector<RegistryItem> items = RegistryListOf(record);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].path, "HKEY_CURRENT_USER\\Software\\Demo\\Name");
  EXPECT_EQ(items[0].view, "32");
  EXPECT_EQ(items[1].path, "HKEY_LOCAL_MACHINE\\Software\\Demo\\\x01\x02\x03");
  EXPECT_EQ(items[1].view, "64");
  EXPECT_EQ(items[2].path, "HKEY_CURRENT_USER\\Software\\Demo\\NoView");
  EXPECT_EQ(items[2].view, "");
  EXPECT_EQ(items[3].path, "HKEY_CURRENT_USER\\Software\\A");  // split at the first "$,"
  EXPECT_EQ(items[3].view, "B\\C$,64");
}

TEST(RemovalLists, AnEmptyRegistryListIsStoredAsThePlaceholder) {
  EXPECT_TRUE(RegistryListOf(RecordWith("", "C:\\App\\a", "")).empty());
  EXPECT_TRUE(RegistryListOf("no lists at all").empty());
  EXPECT_TRUE(FileListOf("no lists at all").empty());
}

TEST(RemovalLists, CreatedFoldersAndKeysReadBackAsTheInstallWroteThem) {
  HostPlatform host;
  Context ctx(host.platform());
  CreatedItems items;
  items.folders = {"C:\\App", "C:\\App\\演示"};
  items.keys = {{RegRoot::kCurrentUser, "Software\\演示", "32"},
                {RegRoot::kLocalMachine, "SOFTWARE\\演示\\Sub", "64"}};
  std::string record = RecordWith("", "", "");
  // A record of an older install lists neither: nullopt, not an empty list.
  EXPECT_FALSE(CreatedFolderListOf(record));
  EXPECT_FALSE(CreatedKeyListOf(ctx, record));
  StoreSet(record, kCreatedFolderListName, FolderListText(items), record);
  StoreSet(record, kCreatedKeyListName,
           KeyListText(items) + "HKEY_NOWHERE\\Software\\X$,32\r\nHKEY_CURRENT_USER$,32\r\n",
           record);
  EXPECT_EQ(CreatedFolderListOf(record), items.folders);
  const std::optional<std::vector<CreatedKey>> keys = CreatedKeyListOf(ctx, record);
  ASSERT_TRUE(keys);
  ASSERT_EQ(keys->size(), 2u);  // the lines without a known root or key are left out
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ((*keys)[i].root, items.keys[i].root);
    EXPECT_EQ((*keys)[i].key, items.keys[i].key);
    EXPECT_EQ((*keys)[i].view, items.keys[i].view);
  }
  // An install that created nothing stores the empty placeholder: an empty list.
  std::string empty = RecordWith("", "", "");
  StoreSet(empty, kCreatedFolderListName, "", empty);
  EXPECT_EQ(CreatedFolderListOf(empty), std::vector<std::string>{});
}

TEST(RemovalLists, LinksOfEveryShortcutRecordWithTheirEmptyLastPieces) {
  HostPlatform host;
  Context ctx(host.platform());
  const IniFile record(
      "[软件卸载配置]\r\n快捷方式个数=3\r\n"
      "快捷方式1=C:\\Users\\u\\Desktop\\演示.lnk,C:\\Start\\演示\\演示.lnk,\r\n"
      "快捷方式3=C:\\Q\\x.lnk,\r\n"
      "快捷方式4=C:\\beyond\\the\\count.lnk,\r\n");
  EXPECT_EQ(LinkListOf(ctx, record),
            (std::vector<std::string>{"C:\\Users\\u\\Desktop\\演示.lnk", "C:\\Start\\演示\\演示.lnk",
                                      "", "C:\\Q\\x.lnk", ""}));
}

}  // namespace
}  // namespace qmb
