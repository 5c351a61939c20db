// The package's registry data ("QMBREG.db" once inflated): a named-value store with "num" and, per
// record i, "REGpath"i, "REGtype"i, "REGdata"i, "REGoff"i, "REGname"i and "REGws"i. The packaging
// tool writes it and the installer reads it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmb {

// The record types: three kinds of value, and a registry script run by regedit.
inline constexpr char kRegSzType[] = "REG_SZ";
inline constexpr char kRegBinaryType[] = "REG_BINARY";
inline constexpr char kRegDwordType[] = "REG_DWORD";
inline constexpr char kRegScriptType[] = "file";

struct RegistryRecord {
  std::string path;  // root name, "\" and key path
  std::string type;  // one of the types above
  std::string data;  // value bytes, decimal text for REG_DWORD, script text for "file"
  std::string off;   // "真": removed at uninstall
  std::string name;  // value name; the stored placeholder 01 02 03 stands for the default value
  std::string ws;    // "64": the 64-bit view

  bool operator==(const RegistryRecord&) const = default;
};

// The records numbered 1 .. "num" that the store holds, in order; a number none of whose six names
// is in the store is left out (it could write nothing). Each field is looked up as StoreGet does.
// A record's data stored as the empty placeholder 01 02 03 reads as empty; the other fields keep
// what is stored.
std::vector<RegistryRecord> ReadRegistryRecords(std::string_view store);

// The store of the records, numbered from 1; empty fields are stored as the placeholder.
std::string BuildRegistryStore(const std::vector<RegistryRecord>& records);

// The value name a record stands for: empty (the default value) for the stored placeholder.
std::string RegistryValueName(const RegistryRecord& record);

}  // namespace qmb
