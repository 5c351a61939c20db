// Building a package: the runtime image with a fresh key resource (or one derived from the content
// for a reproducible package), followed by the package kind, the payload archive and the settings
// archive as marked sections.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "package_signing.h"

namespace qmb::mkpackage {

struct PackageRequest {
  std::filesystem::path runtime;  // setup.exe
  std::filesystem::path project;  // holds settings/ and payload/
  std::filesystem::path output;
  std::optional<std::string> key_bytes;  // two bytes; random when not given
  std::function<void(int)> progress;     // percentages while the payload is compressed
  // SOURCE_DATE_EPOCH: the package comes out byte for byte the same from the same project and
  // runtime; the key and the IVs derive from the content and no file time is later than it.
  std::optional<uint64_t> source_date_epoch;
  // Signs the finished package (Authenticode, osslsigncode) before it takes the output name.
  std::optional<SigningRequest> signing;
};

// What a written package is made of, for the closing summary.
struct PackageSummary {
  uint64_t package_size = 0;
  uint64_t payload_size = 0;     // the payload's files, unpacked
  uint64_t payload_archive = 0;  // the payload archive in the package
};

// Writes the package under request.output, or nothing at all on failure (error says why).
bool WritePackage(const PackageRequest& request, std::string& error,
                  PackageSummary* summary = nullptr);

// The overlay around the two archives: OverlayHead + payload archive + OverlayMiddle + settings
// archive (stored form) + OverlayTail.
std::string OverlayHead(std::string_view kind);
std::string OverlayMiddle();
std::string OverlayTail();

// The settings archive as the package stores it: second signature byte replaced; and back.
std::string ToStoredSettingsArchive(std::string archive);
std::string FromStoredSettingsArchive(std::string stored);

}  // namespace qmb::mkpackage
