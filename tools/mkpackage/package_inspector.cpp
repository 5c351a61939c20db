// Package inspection. The sections are found by their markers the way the runtime finds them: the
// kind and the payload from the front, the settings archive from the end.
#include "package_inspector.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "base/compressed_form.h"
#include "base/data_cipher.h"
#include "base/gbk_codec.h"
#include "base/ini.h"
#include "base/marked_section.h"
#include "base/package_layout.h"
#include "base/registry_store.h"
#include "file_io.h"
#include "package_writer.h"
#include "pe_image.h"
#include "sevenzip_tool.h"
#include "startup/settings_catalogue.h"

namespace qmb::mkpackage {
namespace {

namespace fs = std::filesystem;

constexpr size_t kChunk = 1 << 20;

std::string ReadRange(std::ifstream& in, uint64_t offset, uint64_t size) {
  std::string data(size, '\0');
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(data.data(), static_cast<std::streamsize>(size));
  data.resize(static_cast<size_t>(in.gcount()));
  return data;
}

// First (or last) occurrence of pattern in [from, to) of the file, read in overlapping chunks.
std::optional<uint64_t> FindInFile(std::ifstream& in, const std::string& pattern, uint64_t from,
                                   uint64_t to, bool last) {
  if (to < from || to - from < pattern.size()) return std::nullopt;
  const uint64_t step = kChunk - pattern.size();
  if (!last) {
    for (uint64_t at = from; at + pattern.size() <= to; at += step) {
      const std::string chunk = ReadRange(in, at, std::min<uint64_t>(kChunk, to - at));
      const size_t hit = chunk.find(pattern);
      if (hit != std::string::npos) return at + hit;
    }
    return std::nullopt;
  }
  for (uint64_t end = to; end >= from + pattern.size();) {
    const uint64_t at = end - std::min<uint64_t>(kChunk, end - from);
    const std::string chunk = ReadRange(in, at, end - at);
    const size_t hit = chunk.rfind(pattern);
    if (hit != std::string::npos) return at + hit;
    if (at == from) break;
    end = at + pattern.size() - 1;
  }
  return std::nullopt;
}

SectionSpan Span(uint64_t open, uint64_t close, std::string_view open_mark) {
  const uint64_t content = open + SectionPattern(open_mark).size();
  return {true, open, content, close - content};
}

// Sizes and checks of the extracted settings files.
std::vector<InspectedFile> ListSettings(const fs::path& folder) {
  std::vector<InspectedFile> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    InspectedFile f{fs::relative(entry.path(), folder).string(), entry.file_size(), {}};
    const std::string data = ReadWholeFile(entry.path()).value_or("");
    const auto check = [&](std::string_view key) {
      f.note = Decipher(data, key) ? "enciphered, deciphers with the runtime's key"
                                   : "NOT deciphered by the runtime's key";
    };
    if (f.name == "GUItext.ini") check(kGuiTextKey);
    if (f.name == "Except.ini") check(kExceptKey);
    if (f.name == "choolantern.ini") check(kScriptKey);
    if (f.name == "QMBREG.db" || f.name == "QMBDLL.db") {
      auto plain = DecompressForm(data);
      f.note = plain ? "compressed form" : "NOT in the compressed form";
      if (plain && f.name == "QMBREG.db")
        f.note += ", " + std::to_string(ReadRegistryRecords(*plain).size()) + " registry records";
    }
    files.push_back(std::move(f));
  }
  std::sort(files.begin(), files.end(),
            [](const InspectedFile& a, const InspectedFile& b) { return a.name < b.name; });
  return files;
}

// The payload's entries, opened with the password the runtime would use.
void ListPayloadFiles(const fs::path& package, const fs::path& settings, PackageReport& r) {
  if (!r.payload_section.found) return;
  const IniFile data(ReadWholeFile(settings / "data.ini").value_or(""));
  const std::string safe = data.Value(kMainSection, "safe");
  if (safe.empty()) {
    r.payload_note = "data.ini has no \"safe\" password";
    return;
  }
  std::string error;
  auto files = ListPayload(package, r.payload_section.content_offset, r.payload_section.size, safe,
                           error);
  if (files) r.payload_files = std::move(*files);
  else r.payload_note = error;
}

}  // namespace

std::optional<PackageReport> InspectPackage(const fs::path& package, std::string& error) {
  std::ifstream in(package, std::ios::binary);
  std::error_code ec;
  PackageReport r;
  r.file_size = fs::file_size(package, ec);
  if (!in || ec) {
    error = "cannot read " + package.string();
    return std::nullopt;
  }
  const std::string headers = ReadRange(in, 0, std::min<uint64_t>(r.file_size, kChunk));
  auto end = ImageEnd(headers, error);
  if (!end || *end > r.file_size) {
    if (end) error = "the image is cut short";
    error = package.string() + ": " + error;
    return std::nullopt;
  }
  r.image_end = *end;
  r.signature = ReadSignature(package);
  r.image_kind = ImageKind(headers, error).value_or("unknown");
  const std::string image = ReadRange(in, 0, r.image_end);
  auto key = FindNamedTypeResource(image, kKeyResourceType, kKeyResourceId, error);
  if (!key || key->size != kKeyResourceSize) {
    error = package.string() + ": " + (key ? "the key resource is not two bytes" : error);
    return std::nullopt;
  }
  r.key_bytes = image.substr(key->offset, kKeyResourceSize);
  r.settings_key = SettingsKeyFrom(r.key_bytes);
  std::string no_launcher;
  r.launcher = FindNamedTypeResource(image, kLauncherResourceType, kLauncherResourceId, no_launcher);
  if (r.launcher) {
    const auto launcher =
        InflateIfGzip(std::string_view(image).substr(r.launcher->offset, r.launcher->size), kMaxLauncherSize);
    auto name = launcher ? FindNamedTypeResource(*launcher, kLauncherNameType, kLauncherNameId, no_launcher)
                         : std::nullopt;
    if (name) {
      const std::string_view bytes = std::string_view(*launcher).substr(name->offset, name->size);
      r.launcher_name = GbkToUtf8(bytes.substr(0, bytes.find('\0')));
    }
  }

  const auto find = [&](std::string_view mark, uint64_t from, uint64_t to, bool last) {
    return FindInFile(in, SectionPattern(mark), from, to, last);
  };
  auto kind_open = find(kKindOpenMark, r.image_end, r.file_size, false);
  auto kind_close = kind_open ? find(kKindCloseMark, *kind_open, r.file_size, false) : std::nullopt;
  if (kind_close) {
    r.kind_section = Span(*kind_open, *kind_close, kKindOpenMark);
    r.kind = ReadRange(in, r.kind_section.content_offset, r.kind_section.size);
  }
  auto pay_open = find(kPayloadOpenMark, r.image_end, r.file_size, false);
  auto pay_close = pay_open ? find(kPayloadCloseMark, *pay_open, r.file_size, false) : std::nullopt;
  if (pay_close) r.payload_section = Span(*pay_open, *pay_close, kPayloadOpenMark);
  auto set_close = find(kSettingsCloseMark, r.image_end, r.file_size, true);
  auto set_open = set_close ? find(kSettingsOpenMark, r.image_end, *set_close, true) : std::nullopt;
  if (!set_open) return r;
  r.settings_section = Span(*set_open, *set_close, kSettingsOpenMark);

  TempFolder stage(fs::temp_directory_path());
  const fs::path archive = stage.path() / "data.7z";
  {
    std::ofstream out(archive, std::ios::binary);
    const std::string stored =
        ReadRange(in, r.settings_section.content_offset, r.settings_section.size);
    const std::string plain = FromStoredSettingsArchive(stored);
    out.write(plain.data(), static_cast<std::streamsize>(plain.size()));
    if (!stage.ok() || !out) {
      error = "cannot stage the settings archive";
      return std::nullopt;
    }
  }
  const fs::path folder = stage.path() / "settings";
  if (!RunSevenZip({"x", "-p" + r.settings_key, "-o" + folder.string(), "--", archive.string()}, {},
                   error)) {
    error = "opening the settings archive with the package's key: " + error;
    return std::nullopt;
  }
  r.settings_files = ListSettings(folder);
  ListPayloadFiles(package, folder, r);
  return r;
}

std::string FormatReport(const PackageReport& r) {
  std::string out;
  char line[512];
  const auto add = [&](const char* label, const SectionSpan& s) {
    if (!s.found) {
      std::snprintf(line, sizeof line, "%-17s missing\n", label);
    } else {
      std::snprintf(line, sizeof line,
                    "%-17s marker at %llu (+%llu in the overlay), content at %llu, %llu bytes\n",
                    label, static_cast<unsigned long long>(s.marker_offset),
                    static_cast<unsigned long long>(s.marker_offset - r.image_end),
                    static_cast<unsigned long long>(s.content_offset),
                    static_cast<unsigned long long>(s.size));
    }
    out += line;
  };
  std::snprintf(line, sizeof line, "package size     %llu bytes\nruntime image    0..%llu, %s\n",
                static_cast<unsigned long long>(r.file_size),
                static_cast<unsigned long long>(r.image_end), r.image_kind.c_str());
  out += line;
  std::snprintf(line, sizeof line, "key resource     %02X %02X, settings key %s\n",
                static_cast<unsigned char>(r.key_bytes[0]),
                static_cast<unsigned char>(r.key_bytes[1]), r.settings_key.c_str());
  out += line;
  if (r.launcher) {
    std::snprintf(line, sizeof line, "uninstaller      launcher at %llu, %llu bytes, named \"%s\"\n",
                  static_cast<unsigned long long>(r.launcher->offset),
                  static_cast<unsigned long long>(r.launcher->size), r.launcher_name.c_str());
    out += line;
  } else {
    out += "uninstaller      no launcher\n";
  }
  if (r.signature)
    out += "signature        signed by " + r.signature->signer +
           (r.signature->intact ? ", the file matches its signature\n"
                                : ", the file does NOT match its signature\n");
  else
    out += "signature        none\n";
  add("kind section", r.kind_section);
  add("payload section", r.payload_section);
  add("settings section", r.settings_section);
  out += "package kind     \"" + r.kind + "\"" +
         (r.kind == kKindInstaller     ? " (installer)"
          : r.kind == kKindUninstaller ? " (uninstaller)"
                                       : " (unknown)") +
         "\n";
  out += "settings files   " + std::to_string(r.settings_files.size()) + "\n";
  for (const InspectedFile& f : r.settings_files) {
    std::snprintf(line, sizeof line, "  %-24s %10llu bytes%s%s\n", f.name.c_str(),
                  static_cast<unsigned long long>(f.size), f.note.empty() ? "" : "  ",
                  f.note.c_str());
    out += line;
  }
  if (!r.payload_note.empty()) {
    out += "payload files    not listed: " + r.payload_note + "\n";
    return out;
  }
  out += "payload files    " + std::to_string(r.payload_files.size()) + "\n";
  for (const PayloadFile& f : r.payload_files) {
    if (f.folder) std::snprintf(line, sizeof line, "  %s/\n", f.name.c_str());
    else std::snprintf(line, sizeof line, "  %-40s %10llu bytes\n", f.name.c_str(),
                       static_cast<unsigned long long>(f.size));
    out += line;
  }
  return out;
}

}  // namespace qmb::mkpackage
