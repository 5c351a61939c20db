// Tests of the registry records' store form.
#include "base/registry_store.h"

#include <gtest/gtest.h>

#include "base/value_store.h"

namespace qmb {
namespace {

TEST(RegistryStoreTest, RecordsSurviveTheStore) {
  const std::vector<RegistryRecord> records = {
      {"HKEY_CURRENT_USER\\软件", kRegDwordType, "255", "真", "次数", "64"},
      {"HKEY_CURRENT_USER\\软件", kRegBinaryType, std::string("\x00\x02\x03", 3), "", "", "32"},
      {"", kRegScriptType, "REGEDIT4\r\n", "", "", ""},
  };
  const std::string store = BuildRegistryStore(records);
  std::string value;
  EXPECT_TRUE(StoreGet(store, "num", value));
  EXPECT_EQ(value, "3");
  // Empty fields are stored as the placeholder, which the default value's name keeps on reading.
  EXPECT_EQ(StoreFind(store, "REGname2"), std::string(kStoreEmptyValue));

  auto read = ReadRegistryRecords(store);
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[0].path, records[0].path);
  EXPECT_EQ(read[0].type, records[0].type);
  EXPECT_EQ(read[0].data, records[0].data);
  EXPECT_EQ(read[0].off, records[0].off);
  EXPECT_EQ(read[0].name, records[0].name);
  EXPECT_EQ(read[0].ws, records[0].ws);
  EXPECT_EQ(read[1].data, records[1].data);
  EXPECT_EQ(read[1].name, std::string(kStoreEmptyValue));
  EXPECT_EQ(RegistryValueName(read[1]), "");
  EXPECT_EQ(RegistryValueName(read[0]), "次数");
  EXPECT_EQ(read[2].data, "REGEDIT4\r\n");
}

TEST(RegistryStoreTest, CountIsBoundedByTheTypedRecords) {
  std::string store = BuildRegistryStore({{"HKEY_USERS\\a", kRegSzType, "1", "", "v", ""},
                                          {"HKEY_USERS\\b", kRegSzType, "2", "", "v", ""}});
  std::string changed;
  StoreSet(store, "num", "999999999999", changed);
  EXPECT_EQ(ReadRegistryRecords(changed).size(), 2u);
  StoreSet(store, "num", "1", changed);
  EXPECT_EQ(ReadRegistryRecords(changed).size(), 1u);
  StoreSet(store, "num", "-3", changed);
  EXPECT_TRUE(ReadRegistryRecords(changed).empty());
  // A type name with a leading zero or without its 0x01 names no record.
  EXPECT_TRUE(ReadRegistryRecords(StoreAppend(StoreAppend("", "num", "9"), "REGtype09", "REG_SZ") +
                                  "REGtype9")
                  .empty());
  EXPECT_TRUE(ReadRegistryRecords("").empty());
}

}  // namespace
}  // namespace qmb
