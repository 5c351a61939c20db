// Reproducible encrypted archives. 7zz encrypts with a fresh random IV on every run, so an
// archive it encrypts never comes out twice the same. Here 7zz only compresses (no password, plain
// header); sealing then encrypts every packed stream and the header with 7zAES itself, the IVs
// derived from a seed, the file times clamped to a fixed epoch and the Unix modes dropped, so the
// same input gives the same bytes on every run and machine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive/sz_header.h"

namespace qmb::mkpackage {

// The entries of an unencrypted archive with a plain header (as 7zz writes it with -mhc=off).
std::optional<sevenzip::Header> ReadPlainHeader(const std::filesystem::path& archive,
                                                 std::string& error);

struct SealParameters {
  std::u16string password;
  std::string iv_seed;     // the IVs derive from it; equal seeds give equal archives
  uint64_t epoch = 0;      // seconds since 1970: no file time is later
};

// Writes plain (unencrypted, plain header) as an encrypted archive with an encrypted header.
bool SealArchive(const std::filesystem::path& plain, const std::filesystem::path& sealed,
                 const SealParameters& parameters, std::string& error);

// The 7zz arguments that make a plain archive that seals the same way on every machine: no
// encryption, a plain header, a fixed thread count, only the modification time.
std::vector<std::string> PlainArchiveSwitches();

}  // namespace qmb::mkpackage
