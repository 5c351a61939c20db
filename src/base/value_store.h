// The named-value store: records of name + 0x01 + value + name + "end" back to back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmb {

// How an empty value is stored.
inline constexpr std::string_view kStoreEmptyValue{"\x01\x02\x03", 3};

// The bytes after the first name + 0x01 up to the next name + "end". Returns nullopt when the
// record is absent; the stored placeholder 01 02 03 is returned as it is.
std::optional<std::string> StoreFind(std::string_view store, std::string_view name);
// True when a non-empty value was found; value receives it (empty otherwise).
bool StoreGet(std::string_view store, std::string_view name, std::string& value);
// Sets a value in place or appends the record (when add_if_missing). True when the name existed.
bool StoreSet(std::string_view store, std::string_view name, std::string_view value,
              std::string& new_store, bool add_if_missing = true);
std::string StoreAppend(std::string_view store, std::string_view name, std::string_view value);
// Appends the record to store in place (the value as given: callers store an empty one as the
// placeholder themselves).
void StoreAppendTo(std::string& store, std::string_view name, std::string_view value);

}  // namespace qmb
