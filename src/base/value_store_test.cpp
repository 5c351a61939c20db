#include "base/value_store.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

std::string Record(std::string_view name, std::string_view value) {
  return StoreAppend("", name, value);
}

TEST(ValueStoreTest, AppendWritesTheRecordLayout) {
  EXPECT_EQ(StoreAppend("x", "num", "3"), std::string("xnum\x01" "3numend"));
}

TEST(ValueStoreTest, FindAndGet) {
  std::string store = Record("num", "2") + Record("REGpath1", "HKEY_USERS\\a") +
                      Record("REGname1", kStoreEmptyValue) + Record("REGpath10", "x");
  std::string value;
  EXPECT_TRUE(StoreGet(store, "REGpath1", value));
  EXPECT_EQ(value, "HKEY_USERS\\a");
  EXPECT_TRUE(StoreGet(store, "REGpath10", value));
  EXPECT_EQ(value, "x");
  // The empty-value placeholder is handed back as stored.
  EXPECT_EQ(StoreFind(store, "REGname1"), std::string(kStoreEmptyValue));
  EXPECT_FALSE(StoreGet(store, "REGpath2", value));
  EXPECT_EQ(value, "");
  EXPECT_EQ(StoreFind(store, "missing"), std::nullopt);
  EXPECT_EQ(StoreFind(store, ""), std::nullopt);
  EXPECT_EQ(StoreFind("", "num"), std::nullopt);
}

TEST(ValueStoreTest, FirstOccurrenceWins) {
  // Two records with one name: the first one is read.
  std::string twice = Record("a", "first") + Record("a", "second");
  EXPECT_EQ(StoreFind(twice, "a"), "first");
  // A name + 0x01 inside an earlier record's value is taken for the record: the stored rule
  // looks for the first occurrence, wherever it stands.
  std::string inside = Record("x", std::string("b\x01" "v")) + Record("b", "real");
  EXPECT_EQ(StoreFind(inside, "b"), std::string("vxendb\x01real"));
  // A value that only contains the name (without 0x01) does not disturb the lookup.
  EXPECT_EQ(StoreFind(Record("x", "bend b") + Record("b", "real"), "b"), "real");
  // An opening without its closing is no record.
  EXPECT_EQ(StoreFind(std::string("b\x01" "dangling"), "b"), std::nullopt);
}

TEST(ValueStoreTest, SetReplacesInsideTheFoundRecordOnly) {
  std::string store = Record("a", "1") + Record("b", "22") + Record("c", "3");
  std::string out;
  EXPECT_TRUE(StoreSet(store, "b", "new value", out));
  EXPECT_EQ(out, Record("a", "1") + Record("b", "new value") + Record("c", "3"));
  // Only the first record of a name changes.
  std::string twice = Record("a", "1") + Record("a", "2");
  EXPECT_TRUE(StoreSet(twice, "a", "9", out));
  EXPECT_EQ(out, Record("a", "9") + Record("a", "2"));
}

TEST(ValueStoreTest, SetMissingAndEmptyValues) {
  std::string store = Record("a", "1");
  std::string out;
  EXPECT_FALSE(StoreSet(store, "b", "2", out));
  EXPECT_EQ(out, store + Record("b", "2"));
  EXPECT_FALSE(StoreSet(store, "b", "2", out, /*add_if_missing=*/false));
  EXPECT_EQ(out, store);
  EXPECT_TRUE(StoreSet(store, "a", "", out));
  EXPECT_EQ(out, Record("a", kStoreEmptyValue));
  EXPECT_FALSE(StoreSet("", "skin", "", out));
  EXPECT_EQ(out, Record("skin", kStoreEmptyValue));
  // The output may be the very string the store is read from.
  std::string in_place = store;
  EXPECT_TRUE(StoreSet(in_place, "a", "longer value", in_place));
  EXPECT_EQ(in_place, Record("a", "longer value"));
}

}  // namespace
}  // namespace qmb
