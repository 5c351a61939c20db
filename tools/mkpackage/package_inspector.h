// Describing a package: where its image ends, where each section lies, the package kind, and the
// settings files inside (opened with the key derived from the package's own key resource).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "package_signing.h"
#include "payload_listing.h"
#include "pe_image.h"

namespace qmb::mkpackage {

struct SectionSpan {
  bool found = false;
  uint64_t marker_offset = 0;   // file offset of the opening marker
  uint64_t content_offset = 0;  // first byte after it
  uint64_t size = 0;            // bytes up to the closing marker
};

struct InspectedFile {
  std::string name;
  uint64_t size = 0;
  std::string note;  // how the runtime will read it, when that needs checking
};

struct PackageReport {
  uint64_t file_size = 0;
  uint64_t image_end = 0;
  std::string image_kind;  // "PE32 (x86)", "PE32+ (x86-64)"
  std::string key_bytes;
  std::string settings_key;
  // The uninstaller launcher the image carries (file range) and the product name in it (UTF-8).
  std::optional<FileRange> launcher;
  std::string launcher_name;
  std::string kind;
  SectionSpan kind_section, payload_section, settings_section;
  std::vector<InspectedFile> settings_files;
  // The payload's files, opened with data.ini's "safe"; payload_note says why there are none.
  std::vector<PayloadFile> payload_files;
  std::string payload_note;
  std::optional<SignatureReport> signature;  // none when the package is not signed
};

std::optional<PackageReport> InspectPackage(const std::filesystem::path& package,
                                            std::string& error);
std::string FormatReport(const PackageReport& report);

}  // namespace qmb::mkpackage
