// Package assembly. Everything is staged in a private temp folder and the package is written to a
// temp file beside the output, renamed only when complete, so a failed run never leaves a
// half-written package under the output name.
#include "package_writer.h"

#include <fcntl.h>
#include <gcrypt.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <vector>

#include "base/compressed_form.h"
#include "base/gcrypt/gcrypt_ready.h"
#include "base/gbk_codec.h"
#include "base/ini.h"
#include "base/marked_section.h"
#include "base/package_layout.h"
#include "base/text.h"
#include "file_io.h"
#include "licence_input.h"
#include "look_inputs.h"
#include "pe_image.h"
#include "registry_inputs.h"
#include "sealed_archive.h"
#include "settings_files.h"
#include "sevenzip_tool.h"
#include "support_dll_inputs.h"

namespace qmb::mkpackage {
namespace {

namespace fs = std::filesystem;

constexpr char kSettingsSection[] = "禾木软件安装配置";

std::string RandomKeyBytes() {
  std::random_device device;
  std::string bytes(kKeyResourceSize, '\0');
  do {
    for (char& b : bytes) b = static_cast<char>(device() & 0xFF);
  } while (bytes == std::string(kKeyResourceSize, '\0'));  // never the unpatched template value
  return bytes;
}

// What the package's data.ini says about the runtime's copy: the product name and whether an
// uninstaller is wanted.
struct ProductSettings {
  std::string name;  // GBK
  bool uninstaller = false;
};

// Writes the product name into the NAME resource of the uninstaller launcher that the image
// carries, zero-padded. A compressed launcher is inflated, named and compressed again into the
// room its resource has. A runtime without a launcher is only refused when an uninstaller is wanted.
bool PatchLauncherName(std::string& image, const ProductSettings& product, std::string& error) {
  std::string missing;
  auto launcher = FindNamedTypeResource(image, kLauncherResourceType, kLauncherResourceId, missing);
  if (!launcher) {
    if (!product.uninstaller) return true;
    error = "data.ini asks for an uninstaller, but " + missing;
    return false;
  }
  const std::string_view carried = std::string_view(image).substr(launcher->offset, launcher->size);
  auto plain = InflateIfGzip(carried, kMaxLauncherSize);
  if (!plain) {
    error = "the uninstaller launcher: its compressed image is damaged";
    return false;
  }
  auto name = FindNamedTypeResource(*plain, kLauncherNameType, kLauncherNameId, error);
  if (!name) {
    error = "the uninstaller launcher: " + error;
    return false;
  }
  if (product.name.size() >= name->size) {
    error = "the product name takes " + std::to_string(product.name.size()) +
            " bytes (GBK); the uninstaller launcher holds at most " + std::to_string(name->size - 1);
    return false;
  }
  std::string padded = product.name;
  padded.resize(name->size, '\0');
  plain->replace(name->offset, name->size, padded);
  if (!IsGzip(carried)) {
    image.replace(launcher->offset, launcher->size, *plain);
    return true;
  }
  std::string packed = CompressGzip(*plain);
  if (packed.empty() || packed.size() > launcher->size) {
    error = "the uninstaller launcher named \"" + GbkToUtf8(product.name) +
            "\" does not fit the room of its resource once compressed";
    return false;
  }
  packed.resize(launcher->size, '\0');
  image.replace(launcher->offset, launcher->size, packed);
  return true;
}

// The runtime image with its key resource replaced by key_bytes and the launcher named.
std::optional<std::string> PatchedRuntime(const fs::path& runtime, const std::string& key_bytes,
                                          const ProductSettings& product, std::string& error) {
  auto image = ReadWholeFile(runtime);
  if (!image) {
    error = "cannot read the runtime " + runtime.string();
    return std::nullopt;
  }
  auto end = ImageEnd(*image, error);
  if (!end) {
    error = runtime.string() + ": " + error;
    return std::nullopt;
  }
  if (*end != image->size()) {
    error = runtime.string() + " already carries data behind its image (is it a package?)";
    return std::nullopt;
  }
  auto key = FindNamedTypeResource(*image, kKeyResourceType, kKeyResourceId, error);
  if (!key) {
    error = runtime.string() + ": " + error;
    return std::nullopt;
  }
  if (key->size != kKeyResourceSize) {
    error = runtime.string() + ": the key resource holds " + std::to_string(key->size) +
            " bytes instead of 2";
    return std::nullopt;
  }
  image->replace(key->offset, kKeyResourceSize, key_bytes);
  if (!PatchLauncherName(*image, product, error)) {
    error = runtime.string() + ": " + error;
    return std::nullopt;
  }
  return image;
}

// The converted data.ini.
std::optional<IniFile> DataIni(const std::vector<SettingsFile>& files, std::string& error) {
  for (const SettingsFile& f : files)
    if (strcasecmp(f.name.c_str(), "data.ini") == 0) return IniFile(f.data);  // case as Windows
  error = "settings/data.ini is missing";
  return std::nullopt;
}

// The registry data from the project's registry folder as "QMBREG.db"; a project that keeps a
// ready "QMBREG.db" among its settings must not have both.
bool AddRegistryData(const fs::path& folder, std::vector<SettingsFile>& files, std::string& error) {
  auto records = LoadRegistryFolder(folder, error);
  if (!records) return false;
  if (records->empty()) return true;
  for (const SettingsFile& f : files) {
    if (strcasecmp(f.name.c_str(), "QMBREG.db") == 0) {
      error = "settings/" + f.name + " and the registry folder both give registry data; keep one";
      return false;
    }
  }
  files.push_back({"QMBREG.db", CompressForm(BuildRegistryStore(*records))});
  return true;
}

// The support DLLs from the project's support folder as "QMBDLL.db" (compressed) and
// "QMBDLL_s.ini"; a project that keeps ready store files among its settings must not have both.
bool AddSupportDlls(const fs::path& folder, std::vector<SettingsFile>& files, std::string& error) {
  auto records = LoadSupportFolder(folder, error);
  if (!records) return false;
  if (records->empty()) return true;
  for (const SettingsFile& f : files) {
    if (strcasecmp(f.name.c_str(), "QMBDLL.db") == 0 ||
        strcasecmp(f.name.c_str(), "QMBDLL_s.ini") == 0) {
      error = "settings/" + f.name + " and the support folder both give support DLLs; keep one";
      return false;
    }
  }
  const DllStoreFiles store = BuildDllStore(*records);
  files.push_back({"QMBDLL.db", CompressForm(store.db)});
  files.push_back({"QMBDLL_s.ini", store.settings});
  return true;
}

// The bytes of every file below folder: the payload's unpacked size.
std::optional<uint64_t> FolderSize(const fs::path& folder) {
  std::error_code ec;
  uint64_t total = 0;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (it->is_regular_file(ec)) total += it->file_size(ec);
    if (ec) break;
  }
  if (ec) return std::nullopt;
  return total;
}

// The payload password.
std::optional<std::string> PayloadPassword(const IniFile& data_ini, std::string& error) {
  auto safe = data_ini.Get(kSettingsSection, "safe");
  if (!safe || safe->empty()) {
    error = "settings/data.ini has no \"safe\" value (the payload password) in its main section";
    return std::nullopt;
  }
  return GbkToUtf8(*safe);
}

bool WriteFile(const fs::path& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

// With SOURCE_DATE_EPOCH: the archives are sealed (sealed_archive.h) with IVs from seed, and no
// file time is later than epoch.
struct Reproducible {
  uint64_t epoch = 0;
  std::string seed;
};

// Packs names of folder unencrypted into plain, in the form sealing takes.
bool PackPlain(const fs::path& folder, const std::vector<std::string>& names,
               const fs::path& plain, std::string& error,
               const std::function<void(int)>& progress = {}) {
  std::vector<std::string> args{"a", "-t7z"};
  const std::vector<std::string> plain_switches = PlainArchiveSwitches();
  args.insert(args.end(), plain_switches.begin(), plain_switches.end());
  args.push_back("--");
  args.push_back(plain.string());
  args.insert(args.end(), names.begin(), names.end());
  return RunSevenZip(args, folder, error, progress);
}

bool Seal(const fs::path& plain, const fs::path& archive, const std::string& password,
          const Reproducible& reproducible, std::string_view what, std::string& error) {
  const SealParameters seal{GbkToUtf16(Utf8ToGbk(password)),
                            reproducible.seed + std::string(what), reproducible.epoch};
  return SealArchive(plain, archive, seal, error);
}

// Packs names of folder into archive, encrypted with password (UTF-8): by 7zz itself, or plain by
// 7zz and then sealed, the IVs told apart by what.
bool PackEncrypted(const fs::path& folder, const std::vector<std::string>& names,
                   const std::string& password, bool hide_names,
                   const std::optional<Reproducible>& reproducible, std::string_view what,
                   const fs::path& archive, std::string& error,
                   const std::function<void(int)>& progress = {}) {
  if (reproducible) {
    const fs::path plain = archive.string() + ".plain";
    return PackPlain(folder, names, plain, error, progress) &&
           Seal(plain, archive, password, *reproducible, what, error);
  }
  std::vector<std::string> args{"a", "-t7z", "-p" + password};
  if (hide_names) args.push_back("-mhe=on");
  args.push_back("--");
  args.push_back(archive.string());
  args.insert(args.end(), names.begin(), names.end());
  return RunSevenZip(args, folder, error, progress);
}

// The content digest that stands in for the random source: the settings as packed and the
// payload's names, sizes and checksums, and the epoch.
std::string ContentSeed(const std::vector<SettingsFile>& files, const sevenzip::Header& payload,
                        uint64_t epoch) {
  std::string unit = "qmb-package\n" + std::to_string(epoch) + "\n";
  for (const SettingsFile& f : files)
    unit += f.name + '\0' + std::to_string(f.data.size()) + '\0' + f.data;
  for (const sevenzip::Entry& e : payload.entries) {
    unit += GbkToUtf8(Utf16ToGbk(e.name)) + '\0' + std::to_string(e.size) + '\0' +
            std::to_string(e.crc.value_or(0)) + (e.is_dir ? "/" : "") + '\0';
  }
  std::string digest(32, '\0');
  crypto::EnsureGcryptReady();
  gcry_md_hash_buffer(GCRY_MD_SHA256, digest.data(), unit.data(), unit.size());
  return digest;
}

// Two key bytes from the seed, never the unpatched template value.
std::string KeyBytesFrom(const std::string& seed) {
  for (size_t i = 0; i + kKeyResourceSize <= seed.size(); ++i) {
    std::string bytes = seed.substr(i, kKeyResourceSize);
    if (bytes != std::string(kKeyResourceSize, '\0')) return bytes;
  }
  return std::string("\x01\x00", kKeyResourceSize);
}

// The settings archive in its stored form, keyed with the package's settings key.
std::optional<std::string> BuildSettingsArchive(const std::vector<SettingsFile>& files,
                                                const std::string& key, const fs::path& stage,
                                                const std::optional<Reproducible>& reproducible,
                                                std::string& error) {
  const fs::path folder = stage / "settings";
  fs::create_directory(folder);
  std::vector<std::string> names;
  for (const SettingsFile& f : files) {
    if (!WriteFile(folder / f.name, f.data)) {
      error = "cannot stage settings file " + f.name;
      return std::nullopt;
    }
    names.push_back(f.name);
  }
  if (!PackEncrypted(folder, names, key, false, reproducible, "settings", stage / "settings.7z",
                     error))
    return std::nullopt;
  auto archive = ReadWholeFile(stage / "settings.7z");
  if (!archive || archive->size() < 32) {
    error = "7zz made no settings archive";
    return std::nullopt;
  }
  return ToStoredSettingsArchive(std::move(*archive));
}

bool CopyInto(std::ofstream& out, const fs::path& from) {
  std::ifstream in(from, std::ios::binary);
  if (!in) return false;
  std::vector<char> buffer(1 << 20);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    out.write(buffer.data(), in.gcount());
  }
  return !in.bad() && static_cast<bool>(out);
}

// A temp file beside the output that is removed unless it is renamed into place.
class PendingOutput {
 public:
  explicit PendingOutput(const fs::path& output) : output_(output) {
    fs::path dir = output.parent_path().empty() ? fs::path(".") : output.parent_path();
    std::string name = ".";
    name += output.filename().string();
    name += ".XXXXXX";
    std::string pattern = (dir / name).string();
    const int fd = mkstemp(pattern.data());
    if (fd >= 0) {
      close(fd);
      temp_ = pattern;
    }
  }
  ~PendingOutput() {
    if (!temp_.empty()) std::remove(temp_.c_str());
  }
  const fs::path& temp() const { return temp_; }
  bool Commit() {
    std::error_code ec;  // the mode is a courtesy; the package works without it
    fs::permissions(temp_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec, ec);
    if (std::rename(temp_.c_str(), output_.c_str()) != 0) return false;
    temp_.clear();
    return true;
  }

 private:
  fs::path output_;
  fs::path temp_;
};

}  // namespace

std::string OverlayHead(std::string_view kind) {
  std::string head(1, '\0');
  head += BuildSection(kKindOpenMark, kind, kKindCloseMark);
  head += '\0';
  head += SectionPattern(kPayloadOpenMark);
  return head;
}

std::string OverlayMiddle() {
  std::string middle = SectionPattern(kPayloadCloseMark);
  middle += '\0';
  middle += SectionPattern(kSettingsOpenMark);
  return middle;
}

std::string OverlayTail() { return SectionPattern(kSettingsCloseMark); }

std::string ToStoredSettingsArchive(std::string archive) {
  if (archive.size() > kStoredSignatureOffset) archive[kStoredSignatureOffset] = kStoredSignatureByte;
  return archive;
}

std::string FromStoredSettingsArchive(std::string stored) {
  if (stored.size() > kStoredSignatureOffset) stored[kStoredSignatureOffset] = kSignatureByte;
  return stored;
}

bool WritePackage(const PackageRequest& request, std::string& error, PackageSummary* summary) {
  const fs::path settings_dir = request.project / "settings";
  const fs::path payload_dir = request.project / "payload";
  std::error_code ec;
  if (!fs::is_directory(payload_dir, ec)) {
    error = "payload folder not found: " + payload_dir.string();
    return false;
  }
  auto files = LoadSettingsFolder(settings_dir, error);
  if (!files) return false;
  if (!AddRegistryData(request.project / "registry", *files, error)) return false;
  if (!AddSupportDlls(request.project / "support", *files, error)) return false;
  if (!AddLookFiles(request.project / "look", *files, error)) return false;
  if (!AddLicence(request.project, *files, error)) return false;
  auto payload_size = FolderSize(payload_dir);
  if (!payload_size) {
    error = "cannot read the sizes in " + payload_dir.string();
    return false;
  }
  for (SettingsFile& f : *files) {
    if (strcasecmp(f.name.c_str(), "data.ini") == 0)
      f.data = WithUnpackedSize(std::move(f.data), *payload_size);
  }
  auto data_ini = DataIni(*files, error);
  if (!data_ini) return false;
  auto password = PayloadPassword(*data_ini, error);
  if (!password) return false;
  const ProductSettings product{data_ini->Value(kSettingsSection, "禾木软件名称"),
                                ToInt(data_ini->Value(kSettingsSection, "是否生成卸载程序")) == 1};

  TempFolder stage(fs::temp_directory_path());
  if (!stage.ok()) {
    error = "cannot make a temp folder";
    return false;
  }
  // Reproducible: the payload is packed plain first; its content and the settings give the seed
  // that stands in for the random key and IVs.
  std::optional<Reproducible> reproducible;
  const fs::path payload_archive = stage.path() / "payload.7z";
  if (request.source_date_epoch) {
    reproducible = Reproducible{*request.source_date_epoch, {}};
    const fs::path plain = payload_archive.string() + ".plain";
    std::optional<sevenzip::Header> header;
    if (PackPlain(payload_dir, {"*"}, plain, error, request.progress))
      header = ReadPlainHeader(plain, error);
    if (header) reproducible->seed = ContentSeed(*files, *header, reproducible->epoch);
    if (!header || !Seal(plain, payload_archive, *password, *reproducible, "payload", error)) {
      error = "packing the payload: " + error;
      return false;
    }
  } else if (!PackEncrypted(payload_dir, {"*"}, *password, true, std::nullopt, "payload",
                            payload_archive, error, request.progress)) {
    error = "packing the payload: " + error;
    return false;
  }
  // 7zz reports its progress in steps of time, so a small payload ends before it says more than
  // "0%"; the end is the whole.
  if (request.progress) request.progress(100);

  const std::string key_bytes = request.key_bytes.value_or(
      reproducible ? KeyBytesFrom(reproducible->seed) : RandomKeyBytes());
  if (key_bytes.size() != kKeyResourceSize) {
    error = "the key must be two bytes";
    return false;
  }
  auto image = PatchedRuntime(request.runtime, key_bytes, product, error);
  if (!image) return false;
  auto settings = BuildSettingsArchive(*files, SettingsKeyFrom(key_bytes), stage.path(),
                                       reproducible, error);
  if (!settings) {
    error = "packing the settings: " + error;
    return false;
  }

  PendingOutput pending(request.output);
  if (pending.temp().empty()) {
    error = "cannot create a file beside " + request.output.string();
    return false;
  }
  SettingsMarks marks;
  {
    std::ofstream out(pending.temp(), std::ios::binary | std::ios::trunc);
    const std::string head = OverlayHead(kKindInstaller);
    const std::string middle = OverlayMiddle();
    const std::string tail = OverlayTail();
    out.write(image->data(), static_cast<std::streamsize>(image->size()));
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
    const bool copied = CopyInto(out, payload_archive);
    out.write(middle.data(), static_cast<std::streamsize>(middle.size()));
    out.write(settings->data(), static_cast<std::streamsize>(settings->size()));
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
    out.close();
    if (!copied || !out) {
      error = "cannot write " + request.output.string();
      return false;
    }
    const uint64_t settings_at = image->size() + head.size() + fs::file_size(payload_archive) +
                                 middle.size();
    const uint64_t open_size = SectionPattern(kSettingsOpenMark).size();
    marks = SettingsMarks{settings_at - open_size, open_size, settings_at + settings->size(),
                          tail.size()};
  }
  if (request.signing && !SignPackage(pending.temp(), marks, *request.signing, error)) return false;
  if (!pending.Commit()) {
    error = "cannot rename the finished package to " + request.output.string();
    return false;
  }
  if (summary) {
    std::error_code ec;
    *summary = PackageSummary{fs::file_size(request.output, ec), *payload_size,
                              fs::file_size(payload_archive, ec)};
  }
  return true;
}

}  // namespace qmb::mkpackage
