// Signing and reading signatures by running osslsigncode.
#include "package_signing.h"

#include <fstream>
#include <vector>

#include "sevenzip_tool.h"
#include "startup/section_reader.h"

namespace qmb::mkpackage {
namespace {

namespace fs = std::filesystem;

constexpr int kPaddingAttempts = 8;

bool Whole(uint64_t offset, uint64_t length, uint64_t size, uint64_t block_size) {
  if (length == 0 || offset + length > size) return false;
  return (size - 1 - offset) / block_size == (size - offset - length) / block_size;
}

// The text after label on the first line that holds it, trimmed.
std::string After(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  if (at == std::string::npos) return {};
  const size_t from = at + label.size();
  std::string value = text.substr(from, text.find('\n', from) - from);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\r')) value.pop_back();
  while (!value.empty() && value.front() == ' ') value.erase(0, 1);
  return value;
}

}  // namespace

bool MarksReadFromEnd(const SettingsMarks& marks, uint64_t size, uint64_t block_size) {
  return Whole(marks.open, marks.open_size, size, block_size) &&
         Whole(marks.close, marks.close_size, size, block_size);
}

bool SignPackage(const fs::path& package, const SettingsMarks& marks,
                 const SigningRequest& request, std::string& error) {
  const fs::path signed_file = package.string() + ".signed";
  for (int attempt = 0; attempt < kPaddingAttempts; ++attempt) {
    if (attempt > 0) {
      std::ofstream pad(package, std::ios::binary | std::ios::app);
      pad.write("\0\0\0\0\0\0\0\0", 8);  // osslsigncode aligns to 8 bytes: move by whole steps
      if (!pad) {
        error = "cannot pad " + package.string();
        return false;
      }
    }
    std::vector<std::string> argv{"osslsigncode", "sign", "-pkcs12", request.certificate.string()};
    if (!request.password_file.empty()) argv.insert(argv.end(), {"-readpass", request.password_file.string()});
    if (!request.timestamp_url.empty()) argv.insert(argv.end(), {"-ts", request.timestamp_url});
    argv.insert(argv.end(), {"-h", "sha256", "-in", package.string(), "-out", signed_file.string()});
    std::error_code ec;
    fs::remove(signed_file, ec);
    if (!RunProgram(argv, {}, error)) {
      fs::remove(signed_file, ec);
      error = "signing: " + error;
      return false;
    }
    const uint64_t size = fs::file_size(signed_file, ec);
    if (!ec && MarksReadFromEnd(marks, size, kSectionBlockSize)) {
      fs::rename(signed_file, package, ec);
      if (ec) error = "cannot move the signed package into place: " + ec.message();
      return !ec;
    }
  }
  std::error_code ec;
  fs::remove(signed_file, ec);
  error = "signing: the signature keeps cutting a settings mark";
  return false;
}

std::optional<SignatureReport> ReadSignature(const fs::path& package) {
  std::string output, error;
  RunProgram({"osslsigncode", "verify", "-in", package.string()}, {}, error, {}, &output);
  if (output.find("Signer's certificate:") == std::string::npos) return std::nullopt;
  SignatureReport report;
  report.signer = After(output.substr(output.find("Signer's certificate:")), "Subject:");
  const std::string current = After(output, "Current message digest    :");
  report.intact = !current.empty() && current == After(output, "Calculated message digest :");
  return report;
}

}  // namespace qmb::mkpackage
