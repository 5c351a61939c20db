// Reading and writing registry records in the named-value store.
#include "base/registry_store.h"

#include <algorithm>
#include <cstdint>

#include "base/text.h"
#include "base/value_store.h"

namespace qmb {

namespace {

constexpr std::string_view kTypeName = "REGtype";

// The highest i for which the store holds an opening "REGtype" + i + 0x01 (i written without
// leading zeros, as the record names are).
int64_t HighestTypedRecord(std::string_view store) {
  int64_t highest = 0;
  for (size_t hit = store.find(kTypeName); hit != std::string_view::npos;
       hit = store.find(kTypeName, hit + 1)) {
    size_t pos = hit + kTypeName.size();
    size_t digits = 0;
    while (pos + digits < store.size() && store[pos + digits] >= '0' && store[pos + digits] <= '9')
      ++digits;
    if (digits == 0 || digits > 9 || store[pos] == '0' || pos + digits >= store.size() ||
        store[pos + digits] != '\x01')
      continue;
    highest = std::max(highest, ToInt64(store.substr(pos, digits)));
  }
  return highest;
}

struct FieldRef {
  std::string_view name;
  std::string RegistryRecord::*member;
};

constexpr FieldRef kFields[] = {
    {"REGpath", &RegistryRecord::path}, {kTypeName, &RegistryRecord::type},
    {"REGdata", &RegistryRecord::data}, {"REGoff", &RegistryRecord::off},
    {"REGname", &RegistryRecord::name}, {"REGws", &RegistryRecord::ws},
};

}  // namespace

std::vector<RegistryRecord> ReadRegistryRecords(std::string_view store) {
  std::vector<RegistryRecord> records;
  std::string num;
  StoreGet(store, "num", num);
  const int64_t count = std::min(ToInt64(num), HighestTypedRecord(store));
  for (int64_t i = 1; i <= count; ++i) {
    RegistryRecord record;
    for (const FieldRef& field : kFields)
      StoreGet(store, std::string(field.name) + std::to_string(i), record.*field.member);
    if (record.data == kStoreEmptyValue) record.data.clear();
    records.push_back(std::move(record));
  }
  return records;
}

std::string BuildRegistryStore(const std::vector<RegistryRecord>& records) {
  std::string store;
  StoreAppendTo(store, "num", std::to_string(records.size()));
  for (size_t i = 0; i < records.size(); ++i) {
    for (const FieldRef& field : kFields) {
      const std::string& value = records[i].*field.member;
      StoreAppendTo(store, std::string(field.name) + std::to_string(i + 1),
                    value.empty() ? kStoreEmptyValue : value);
    }
  }
  return store;
}

std::string RegistryValueName(const RegistryRecord& record) {
  return record.name == kStoreEmptyValue ? std::string() : record.name;
}

}  // namespace qmb
