// The named-value store. Lookups follow the store's own rule (first name + 0x01, then the first
// name + "end" after it) so that stores written by earlier packages read the same way.
#include "base/value_store.h"

namespace qmb {

namespace {

struct ValueSpan {
  size_t begin;
  size_t end;
};

std::optional<ValueSpan> FindValue(std::string_view store, std::string_view name) {
  if (name.empty()) return std::nullopt;
  std::string opening(name);
  opening.push_back('\x01');
  size_t hit = store.find(opening);
  if (hit == std::string_view::npos) return std::nullopt;
  size_t begin = hit + opening.size();
  std::string closing(name);
  closing.append("end");
  size_t end = store.find(closing, begin);
  if (end == std::string_view::npos) return std::nullopt;
  return ValueSpan{begin, end};
}

}  // namespace

std::optional<std::string> StoreFind(std::string_view store, std::string_view name) {
  auto span = FindValue(store, name);
  if (!span) return std::nullopt;
  return std::string(store.substr(span->begin, span->end - span->begin));
}

bool StoreGet(std::string_view store, std::string_view name, std::string& value) {
  value = StoreFind(store, name).value_or(std::string());
  return !value.empty();
}

bool StoreSet(std::string_view store, std::string_view name, std::string_view value,
              std::string& new_store, bool add_if_missing) {
  if (value.empty()) value = kStoreEmptyValue;
  auto span = FindValue(store, name);
  std::string result;
  if (span) {
    result.reserve(store.size() - (span->end - span->begin) + value.size());
    result.append(store.substr(0, span->begin)).append(value).append(store.substr(span->end));
  } else {
    result = add_if_missing ? StoreAppend(store, name, value) : std::string(store);
  }
  new_store = std::move(result);
  return span.has_value();
}

std::string StoreAppend(std::string_view store, std::string_view name, std::string_view value) {
  std::string out;
  out.reserve(store.size() + 2 * name.size() + value.size() + 4);
  out.append(store).append(name).append(1, '\x01').append(value).append(name).append("end");
  return out;
}

void StoreAppendTo(std::string& store, std::string_view name, std::string_view value) {
  store.append(name).append(1, '\x01').append(value).append(name).append("end");
}

}  // namespace qmb
