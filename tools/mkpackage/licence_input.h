// The licence as a plain text file of the project (licence.txt beside settings/ and payload/): the
// runtime reads it as the keyed record "自述文本_开始" inside data.ini, which no editor types.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "settings_files.h"

namespace qmb::mkpackage {

inline constexpr char kLicenceFile[] = "licence.txt";

// Appends the project's licence.txt (any text form mkpackage reads, stored GBK with CR LF) to the
// converted data.ini of files as its licence record. No file: nothing changes. Fails when data.ini
// already holds the record (keep one) or the text cannot be read.
bool AddLicence(const std::filesystem::path& project, std::vector<SettingsFile>& files,
                std::string& error);

}  // namespace qmb::mkpackage
