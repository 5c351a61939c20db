// Authenticode signatures through osslsigncode. The signature goes behind everything else in the
// file, so the sections keep their places; the runtime still finds its settings from the end, block
// by block, as long as neither settings mark is cut by a block boundary counted from the new end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace qmb::mkpackage {

struct SigningRequest {
  std::filesystem::path certificate;    // PKCS#12 (.pfx) with the key
  std::filesystem::path password_file;  // the certificate's password on its first line; optional
  std::string timestamp_url;            // an RFC 3161 time-stamping service; optional
};

// Where the settings section's marks stand in the unsigned package (file offsets and lengths).
struct SettingsMarks {
  uint64_t open = 0, open_size = 0;
  uint64_t close = 0, close_size = 0;
};

// True when a reader that searches blocks of block_size bytes from the end of a file of size bytes
// finds both marks whole.
bool MarksReadFromEnd(const SettingsMarks& marks, uint64_t size, uint64_t block_size);

// Signs the package file in place. Where the signature would cut a settings mark, the unsigned
// package gets a few zero bytes more at its end (behind the last mark, where no reader looks) and
// is signed again.
bool SignPackage(const std::filesystem::path& package, const SettingsMarks& marks,
                 const SigningRequest& request, std::string& error);

// The signer's subject and whether the file still matches its signature; nullopt when the file
// carries no signature.
struct SignatureReport {
  std::string signer;
  bool intact = false;
};
std::optional<SignatureReport> ReadSignature(const std::filesystem::path& package);

}  // namespace qmb::mkpackage
