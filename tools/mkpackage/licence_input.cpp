// The licence record goes behind the INI text, so that the lines the check reports in data.ini stay
// the author's; the loader expands variables in it as in every other line of data.ini. A licence
// line such as "Copyright = 2025" reads as a key of the last section to an INI reader, but the
// first of two equal keys wins and the check passes over the record's lines.
#include "licence_input.h"

#include <strings.h>

#include "base/value_store.h"
#include "file_io.h"

namespace qmb::mkpackage {

namespace {
constexpr char kRecord[] = "自述文本_开始";
}  // namespace

bool AddLicence(const std::filesystem::path& project, std::vector<SettingsFile>& files,
                std::string& error) {
  const std::filesystem::path path = project / kLicenceFile;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return true;
  auto bytes = ReadWholeFile(path);
  if (!bytes) {
    error = "cannot read " + path.string();
    return false;
  }
  auto text = TextToGbk(kLicenceFile, std::move(*bytes), error);
  if (!text) return false;
  if (text->empty()) return true;
  for (SettingsFile& f : files) {
    if (strcasecmp(f.name.c_str(), "data.ini") != 0) continue;
    if (StoreFind(f.data, kRecord)) {
      error = std::string(kLicenceFile) + " and settings/data.ini both give the licence; keep one";
      return false;
    }
    if (!f.data.empty() && !f.data.ends_with("\n")) f.data += "\r\n";
    f.data += std::string(kRecord) + '\x01' + WithCrLf(std::move(*text)) + kRecord + "end\r\n";
    return true;
  }
  return true;  // no data.ini: the check names that
}

}  // namespace qmb::mkpackage
