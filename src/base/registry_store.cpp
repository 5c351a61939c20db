// Reading and writing registry records in the named-value store. Reading indexes every record name
// in one pass instead of one store lookup per field and number: the result is the same as looking
// each name up (first opening, then the first closing after it), but a large or damaged store
// cannot make the installer search it millions of times.
#include "base/registry_store.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>

#include "base/text.h"
#include "base/value_store.h"

namespace qmb {

namespace {

struct FieldRef {
  std::string_view word;  // after "REG"
  std::string RegistryRecord::*member;
};

constexpr FieldRef kFields[] = {
    {"path", &RegistryRecord::path}, {"type", &RegistryRecord::type},
    {"data", &RegistryRecord::data}, {"off", &RegistryRecord::off},
    {"name", &RegistryRecord::name}, {"ws", &RegistryRecord::ws},
};
constexpr size_t kFieldCount = std::size(kFields);

// Where one field's openings and closings ("REG" + word + i + 0x01 / "end") lie.
struct FieldHits {
  size_t value_begin = std::string_view::npos;  // after the first opening
  std::vector<size_t> closings;                 // positions, ascending
};
using RecordHits = std::array<FieldHits, kFieldCount>;

// Every record name in the store, by record number. Numbers are read as the names write them,
// without leading zeros, so "REGpath01" names no record.
std::map<int64_t, RecordHits> IndexRecordNames(std::string_view store) {
  std::map<int64_t, RecordHits> index;
  for (size_t hit = store.find("REG"); hit != std::string_view::npos;
       hit = store.find("REG", hit + 1)) {
    const std::string_view rest = store.substr(hit + 3);
    for (size_t f = 0; f < kFieldCount; ++f) {
      if (!rest.starts_with(kFields[f].word)) continue;
      const size_t digits_at = kFields[f].word.size();
      size_t digits = 0;
      while (digits_at + digits < rest.size() && rest[digits_at + digits] >= '0' &&
             rest[digits_at + digits] <= '9')
        ++digits;
      if (digits == 0 || digits > 18 || rest[digits_at] == '0') break;
      const std::string_view tail = rest.substr(digits_at + digits);
      const bool opening = tail.starts_with('\x01');
      if (!opening && !tail.starts_with("end")) break;
      FieldHits& field = index[ToInt64(rest.substr(digits_at, digits))][f];
      const size_t name_end = hit + 3 + digits_at + digits;
      if (opening && field.value_begin == std::string_view::npos) field.value_begin = name_end + 1;
      if (!opening) field.closings.push_back(hit);
      break;
    }
  }
  return index;
}

}  // namespace

std::vector<RegistryRecord> ReadRegistryRecords(std::string_view store) {
  std::vector<RegistryRecord> records;
  std::string num;
  StoreGet(store, "num", num);
  const int64_t count = ToInt64(num);
  for (const auto& [number, hits] : IndexRecordNames(store)) {
    if (number > count) break;
    RegistryRecord record;
    bool present = false;
    for (size_t f = 0; f < kFieldCount; ++f) {
      const FieldHits& field = hits[f];
      if (field.value_begin == std::string_view::npos) continue;
      auto close =
          std::lower_bound(field.closings.begin(), field.closings.end(), field.value_begin);
      if (close == field.closings.end()) continue;
      record.*kFields[f].member =
          std::string(store.substr(field.value_begin, *close - field.value_begin));
      present = true;
    }
    if (!present) continue;
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
      StoreAppendTo(store, "REG" + std::string(field.word) + std::to_string(i + 1),
                    value.empty() ? kStoreEmptyValue : value);
    }
  }
  return store;
}

std::string RegistryValueName(const RegistryRecord& record) {
  return record.name == kStoreEmptyValue ? std::string() : record.name;
}

}  // namespace qmb
