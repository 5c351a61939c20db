// Reading and writing the support-DLL store.
#include "base/dll_store.h"

#include "base/compressed_form.h"
#include "base/digest.h"
#include "base/text.h"

namespace qmb {

namespace {

constexpr char kNameOpen[] = "DLLname";
constexpr char kNameClose[] = "DLLname_end";
constexpr char kKindOpen[] = "DLLmd";
constexpr char kKindClose[] = "DLLmd_end";
constexpr char kParamOpen[] = "DLLparam";
constexpr char kParamClose[] = "DLLparam_end";

std::string Fields(const DllRecord& r) {
  return kNameOpen + r.export_name + kNameClose + kKindOpen + std::to_string(r.run_kind) +
         kKindClose + kParamOpen + r.parameters + kParamClose;
}

}  // namespace

std::optional<std::vector<DllRecord>> ReadDllStore(std::string_view db, std::string_view settings) {
  std::string plain;
  if (!db.empty() && !StartsWith(db, kNameOpen)) {
    std::optional<std::string> inflated = DecompressForm(db);
    if (!inflated) return std::nullopt;
    plain = std::move(*inflated);
  } else {
    plain = std::string(db);
  }
  std::vector<DllRecord> records;
  if (plain.empty()) return records;
  const std::vector<std::string> stored = Split(plain, kDllRecordSeparator);
  const std::vector<std::string> fields = Split(settings, kDllRecordSeparator);
  for (size_t i = 0; i < stored.size(); ++i) {
    const std::string& field_text = i < fields.size() ? fields[i] : std::string();
    DllRecord r;
    r.export_name = TextBetween(field_text, kNameOpen, kNameClose);
    r.run_kind = ToInt(TextBetween(field_text, kKindOpen, kKindClose));
    r.parameters = TextBetween(field_text, kParamOpen, kParamClose);
    const size_t end = stored[i].find(kParamClose);
    if (end != std::string::npos) r.bytes = stored[i].substr(end + std::string_view(kParamClose).size());
    records.push_back(std::move(r));
  }
  return records;
}

bool DllRunsFor(int run_kind, int package_result) {
  return run_kind == kRunInBoth || run_kind == package_result - 1;
}

std::string SupportDllFileName(std::string_view bytes) { return Md5Hex(bytes) + ".dll"; }

DllStoreFiles BuildDllStore(const std::vector<DllRecord>& records) {
  DllStoreFiles files;
  for (size_t i = 0; i < records.size(); ++i) {
    if (i > 0) {
      files.db += kDllRecordSeparator;
      files.settings += kDllRecordSeparator;
    }
    const std::string fields = Fields(records[i]);
    files.db += fields + records[i].bytes;
    files.settings += fields;
  }
  return files;
}

}  // namespace qmb
