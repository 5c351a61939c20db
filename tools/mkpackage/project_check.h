// `mkpackage check`: reads a package project the way the runtime will read the package made of it
// and reports what the runtime would pass over in silence (unknown names, values of the wrong form,
// records that do not match their counts, references to files, components, variables or resources
// that do not exist). Errors stop the packing; warnings do not.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "pe_image.h"

namespace qmb::mkpackage {

enum class Severity { kError, kWarning };

struct Finding {
  Severity severity = Severity::kError;
  std::string file;    // below the project, UTF-8 ("settings/data.ini")
  int line = 0;        // 1-based; 0 when the finding belongs to no line
  std::string key;     // GBK: the section, key, record, component or name concerned
  std::string reason;  // GBK
};

struct CheckResult {
  std::vector<Finding> findings;  // in file order, then line order
  int Errors() const;
  int Warnings() const;
};

// installer_machine: the processor of the runtime the package is made with (a PE machine value),
// which every support DLL must share; the shipped runtime is the 32-bit one.
CheckResult CheckProject(const std::filesystem::path& project,
                         uint32_t installer_machine = kMachineX86);

// "settings/data.ini:12: error: 参数文件名1: reason" in UTF-8.
std::string FormatFinding(const Finding& finding);

}  // namespace qmb::mkpackage
