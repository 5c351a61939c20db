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
  EXPECT_EQ(read[0], records[0]);
  EXPECT_EQ(read[1].data, records[1].data);
  EXPECT_EQ(read[1].name, std::string(kStoreEmptyValue));
  EXPECT_EQ(RegistryValueName(read[1]), "");
  EXPECT_EQ(RegistryValueName(read[0]), "次数");
  EXPECT_EQ(read[2].data, "REGEDIT4\r\n");
}

// The fields as one StoreGet per name finds them.
std::vector<RegistryRecord> ReadByLookups(std::string_view store, int count) {
  std::vector<RegistryRecord> records;
  for (int i = 1; i <= count; ++i) {
    RegistryRecord r;
    const std::string n = std::to_string(i);
    StoreGet(store, "REGpath" + n, r.path);
    StoreGet(store, "REGtype" + n, r.type);
    StoreGet(store, "REGdata" + n, r.data);
    StoreGet(store, "REGoff" + n, r.off);
    StoreGet(store, "REGname" + n, r.name);
    StoreGet(store, "REGws" + n, r.ws);
    if (r.data == kStoreEmptyValue) r.data.clear();
    if (r != RegistryRecord{}) records.push_back(r);
  }
  return records;
}

TEST(RegistryStoreTest, FieldsAreFoundAsLookupsFindThem) {
  const std::string two = BuildRegistryStore({{"HKEY_USERS\\a", kRegSzType, "1", "", "v", ""},
                                              {"HKEY_USERS\\b", kRegSzType, "2", "", "v", ""}});
  const std::string odd_stores[] = {
      two,
      // A second record 1 behind the first: the first wins.
      StoreAppend(two, "REGdata1", "second"),
      // A value holding another record's name and a closing before any opening.
      "REGdata2endnum\x01"
      "3numend" +
          StoreAppend("", "REGpath1", "x REGpath2\x01inside") +
          StoreAppend("", "REGpath2", "real") + StoreAppend("", "REGtype3", "REG_SZ"),
      // An opening without a closing, and record 10 beside record 1.
      StoreAppend(StoreAppend("", "num", "10"), "REGtype10", "REG_DWORD") + "REGtype1\x01open",
      // Leading zeros and a record 0 name no record.
      StoreAppend(StoreAppend(StoreAppend("", "num", "9"), "REGtype09", "REG_SZ"), "REGtype0", "x"),
  };
  for (const std::string& store : odd_stores) {
    std::string num;
    StoreGet(store, "num", num);
    EXPECT_EQ(ReadRegistryRecords(store), ReadByLookups(store, std::stoi(num))) << store;
  }
}

TEST(RegistryStoreTest, CountsBeyondTheRecordsCostNothing) {
  std::string store = BuildRegistryStore({{"HKEY_USERS\\a", kRegSzType, "1", "", "v", ""},
                                          {"HKEY_USERS\\b", kRegSzType, "2", "", "v", ""}});
  std::string changed;
  StoreSet(store, "num", "1", changed);
  EXPECT_EQ(ReadRegistryRecords(changed).size(), 1u);
  StoreSet(store, "num", "-3", changed);
  EXPECT_TRUE(ReadRegistryRecords(changed).empty());
  // A damaged count and one far-off record: two records read, not a billion lookups.
  StoreSet(StoreAppend(store, "REGtype999999999", "REG_SZ"), "num", "999999999999", changed);
  auto records = ReadRegistryRecords(changed);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[2].type, "REG_SZ");
  EXPECT_TRUE(ReadRegistryRecords("").empty());
}

}  // namespace
}  // namespace qmb
