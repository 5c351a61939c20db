// The support-DLL store: "QMBDLL.db" (per record the export to start, the run kind, the parameter
// text and the DLL's bytes) and "QMBDLL_s.ini" (the same fields without the bytes, the copy that
// passes variable expansion). Records of both files are joined by "禾木DLL分割标记" and pair up
// by position.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmb {

inline constexpr char kDllRecordSeparator[] = "禾木DLL分割标记";

// Run kinds: who starts the DLL.
enum DllRunKind : int { kRunInInstaller = 0, kRunInUninstaller = 1, kRunInBoth = 2 };

struct DllRecord {
  std::string export_name;  // "DLLname": called once at start
  int run_kind = kRunInInstaller;  // "DLLmd"
  std::string parameters;   // "DLLparam": the parameter text of that call
  std::string bytes;        // the DLL file
};

// The records: fields from settings (expanded "QMBDLL_s.ini"), bytes from db ("QMBDLL.db", plain
// when it starts with "DLLname", else in the compressed form). nullopt when db is neither; an empty
// db gives no records.
std::optional<std::vector<DllRecord>> ReadDllStore(std::string_view db, std::string_view settings);

// Whether a DLL of that run kind starts in a process of that package result (1 installer,
// 2 uninstaller).
bool DllRunsFor(int run_kind, int package_result);

// The name a DLL is written under: the lower-case MD5 of its bytes and ".dll", so that equal DLLs
// share one file.
std::string SupportDllFileName(std::string_view bytes);

// Both store files for records, in that order (db plain).
struct DllStoreFiles {
  std::string db;
  std::string settings;
};
DllStoreFiles BuildDllStore(const std::vector<DllRecord>& records);

}  // namespace qmb
