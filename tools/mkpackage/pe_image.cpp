// PE parsing with every offset checked against the buffer: a damaged runtime gives an error text,
// never a read outside the image.
#include "pe_image.h"

#include <vector>

namespace qmb::mkpackage {
namespace {

constexpr uint32_t kExportDirectoryIndex = 0;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kFileIsDll = 0x2000;
constexpr uint32_t kMaxExportNames = 65536;
constexpr uint32_t kHighBit = 0x80000000u;

struct Section {
  uint32_t virtual_address;
  uint32_t virtual_size;
  uint32_t raw_offset;
  uint32_t raw_size;
};

// Bounds-checked little-endian reads over the image.
class Reader {
 public:
  explicit Reader(std::string_view data) : data_(data) {}
  bool Has(uint64_t offset, uint64_t size) const {
    return offset <= data_.size() && size <= data_.size() - offset;
  }
  uint32_t U16(uint64_t offset) const {
    return static_cast<unsigned char>(data_[offset]) |
           static_cast<unsigned char>(data_[offset + 1]) << 8;
  }
  uint32_t U32(uint64_t offset) const { return U16(offset) | U16(offset + 2) << 16; }

 private:
  std::string_view data_;
};

struct Headers {
  bool pe32_plus = false;  // the 64-bit form of the optional header
  uint32_t machine = 0;
  uint32_t characteristics = 0;
  std::vector<Section> sections;
  uint32_t export_rva = 0;
  uint32_t resource_rva = 0;
  uint32_t resource_size = 0;
};

std::optional<Headers> ReadHeaders(std::string_view image, std::string& error) {
  Reader r(image);
  if (!r.Has(0, 0x40) || image[0] != 'M' || image[1] != 'Z') {
    error = "not a Windows program (no MZ header)";
    return std::nullopt;
  }
  const uint64_t pe = r.U32(0x3C);
  if (!r.Has(pe, 24) || image.substr(pe, 4) != std::string_view("PE\0\0", 4)) {
    error = "not a PE image (no PE signature)";
    return std::nullopt;
  }
  const uint32_t section_count = r.U16(pe + 6);
  const uint32_t optional_size = r.U16(pe + 20);
  const uint64_t optional = pe + 24;
  if (!r.Has(optional, optional_size) || optional_size < 2) {
    error = "PE optional header is cut short";
    return std::nullopt;
  }
  const uint32_t magic = r.U16(optional);
  uint64_t count_at = 0;
  if (magic == 0x10B) {
    count_at = 92;
  } else if (magic == 0x20B) {
    count_at = 108;
  } else {
    error = "unknown PE optional header kind";
    return std::nullopt;
  }
  Headers h;
  h.pe32_plus = magic == 0x20B;
  h.machine = r.U16(pe + 4);
  h.characteristics = r.U16(pe + 22);
  if (count_at + 4 <= optional_size) {
    const uint32_t dir_count = r.U32(optional + count_at);
    const uint64_t export_at = count_at + 4 + 8 * kExportDirectoryIndex;
    if (dir_count > kExportDirectoryIndex && export_at + 8 <= optional_size)
      h.export_rva = r.U32(optional + export_at);
    const uint64_t dir_at = count_at + 4 + 8 * kResourceDirectoryIndex;
    if (dir_count > kResourceDirectoryIndex && dir_at + 8 <= optional_size) {
      h.resource_rva = r.U32(optional + dir_at);
      h.resource_size = r.U32(optional + dir_at + 4);
    }
  }
  const uint64_t table = optional + optional_size;
  if (!r.Has(table, uint64_t{section_count} * 40)) {
    error = "PE section table is cut short";
    return std::nullopt;
  }
  for (uint32_t i = 0; i < section_count; ++i) {
    const uint64_t s = table + uint64_t{i} * 40;
    h.sections.push_back({r.U32(s + 12), r.U32(s + 8), r.U32(s + 20), r.U32(s + 16)});
  }
  return h;
}

// The file offset of an RVA range, which must lie in one section's raw data.
std::optional<uint64_t> RvaToOffset(const Headers& h, uint32_t rva, uint64_t size) {
  for (const Section& s : h.sections) {
    const uint64_t span = s.virtual_size > s.raw_size ? s.virtual_size : s.raw_size;
    if (rva >= s.virtual_address && rva - s.virtual_address < span) {
      const uint64_t inside = rva - s.virtual_address;
      if (inside + size > s.raw_size) return std::nullopt;
      return uint64_t{s.raw_offset} + inside;
    }
  }
  return std::nullopt;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Walks the resource tree; all directory offsets are relative to the tree's start and checked.
class ResourceTree {
 public:
  ResourceTree(std::string_view image, uint64_t base, uint64_t size)
      : r_(image), base_(base), size_(size) {}

  // The entry value for a name (type_name non-empty) or an id (first entry when any_id).
  std::optional<uint32_t> Lookup(uint32_t dir, std::string_view name, uint32_t id,
                                 bool any_id) const {
    if (!InTree(dir, 16)) return std::nullopt;
    const uint32_t named = r_.U16(base_ + dir + 12);
    const uint32_t ids = r_.U16(base_ + dir + 14);
    for (uint32_t i = 0; i < named + ids; ++i) {
      const uint64_t e = dir + 16 + uint64_t{i} * 8;
      if (!InTree(e, 8)) return std::nullopt;
      const uint32_t key = r_.U32(base_ + e);
      const uint32_t value = r_.U32(base_ + e + 4);
      const bool is_named = (key & kHighBit) != 0;
      if (any_id) return value;
      if (!name.empty() ? is_named && NameEquals(key & ~kHighBit, name)
                        : !is_named && key == id) {
        return value;
      }
    }
    return std::nullopt;
  }
  bool InTree(uint64_t offset, uint64_t size) const {
    return offset <= size_ && size <= size_ - offset && r_.Has(base_ + offset, size);
  }
  const Reader& reader() const { return r_; }
  uint64_t base() const { return base_; }

 private:
  bool NameEquals(uint32_t at, std::string_view name) const {
    if (!InTree(at, 2)) return false;
    const uint32_t length = r_.U16(base_ + at);
    if (length != name.size() || !InTree(at + 2, uint64_t{length} * 2)) return false;
    for (uint32_t i = 0; i < length; ++i) {
      const uint32_t c = r_.U16(base_ + at + 2 + i * 2);
      if (c > 0x7F || AsciiUpper(static_cast<char>(c)) != AsciiUpper(name[i])) return false;
    }
    return true;
  }

  Reader r_;
  uint64_t base_;
  uint64_t size_;
};

}  // namespace

std::optional<uint64_t> ImageEnd(std::string_view image, std::string& error) {
  auto h = ReadHeaders(image, error);
  if (!h) return std::nullopt;
  uint64_t end = 0;
  for (const Section& s : h->sections) {
    if (s.raw_size != 0 && uint64_t{s.raw_offset} + s.raw_size > end) {
      end = uint64_t{s.raw_offset} + s.raw_size;
    }
  }
  if (end == 0) {
    error = "PE image has no section data";
    return std::nullopt;
  }
  return end;
}

std::optional<std::string> ImageKind(std::string_view image, std::string& error) {
  auto h = ReadHeaders(image, error);
  if (!h) return std::nullopt;
  std::string kind = h->pe32_plus ? "PE32+" : "PE32";
  if (h->machine == 0x14C) kind += " (x86)";
  if (h->machine == 0x8664) kind += " (x86-64)";
  return kind;
}

std::optional<ModuleFacts> ReadModuleFacts(std::string_view image, std::string& error) {
  auto h = ReadHeaders(image, error);
  if (!h) return std::nullopt;
  ModuleFacts facts;
  facts.machine = h->machine;
  facts.dll = (h->characteristics & kFileIsDll) != 0;
  if (h->export_rva == 0) return facts;
  const Reader r(image);
  auto directory = RvaToOffset(*h, h->export_rva, 40);
  if (!directory) {
    error = "the export directory lies outside the image's sections";
    return std::nullopt;
  }
  const uint32_t count = r.U32(*directory + 24);
  if (count > kMaxExportNames) {
    error = "the export directory claims " + std::to_string(count) + " names";
    return std::nullopt;
  }
  auto names = RvaToOffset(*h, r.U32(*directory + 32), uint64_t{count} * 4);
  if (count != 0 && !names) {
    error = "the export name table lies outside the image's sections";
    return std::nullopt;
  }
  for (uint32_t i = 0; i < count; ++i) {
    auto name = RvaToOffset(*h, r.U32(*names + uint64_t{i} * 4), 1);
    if (!name) {
      error = "export name " + std::to_string(i) + " lies outside the image's sections";
      return std::nullopt;
    }
    const size_t end = image.find('\0', *name);
    if (end == std::string_view::npos) {
      error = "export name " + std::to_string(i) + " runs to the end of the file";
      return std::nullopt;
    }
    facts.exports.emplace_back(image.substr(*name, end - *name));
  }
  return facts;
}

std::optional<FileRange> FindNamedTypeResource(std::string_view image, std::string_view type_name,
                                               uint32_t id, std::string& error) {
  auto h = ReadHeaders(image, error);
  if (!h) return std::nullopt;
  const std::string what = "resource " + std::string(type_name) + "/" + std::to_string(id);
  if (h->resource_rva == 0 || h->resource_size == 0) {
    error = "the image has no resources, so no " + what;
    return std::nullopt;
  }
  auto base = RvaToOffset(*h, h->resource_rva, h->resource_size);
  if (!base) {
    error = "the resource directory lies outside the image's sections";
    return std::nullopt;
  }
  ResourceTree tree(image, *base, h->resource_size);
  auto type = tree.Lookup(0, type_name, 0, false);
  if (!type || !(*type & kHighBit)) {
    error = "the image holds no resource type " + std::string(type_name);
    return std::nullopt;
  }
  auto name = tree.Lookup(*type & ~kHighBit, {}, id, false);
  if (!name || !(*name & kHighBit)) {
    error = "the image holds no " + what;
    return std::nullopt;
  }
  auto language = tree.Lookup(*name & ~kHighBit, {}, 0, true);
  if (!language || (*language & kHighBit) || !tree.InTree(*language, 16)) {
    error = "the " + what + " has no data entry";
    return std::nullopt;
  }
  const uint32_t data_rva = tree.reader().U32(tree.base() + *language);
  const uint32_t data_size = tree.reader().U32(tree.base() + *language + 4);
  auto offset = RvaToOffset(*h, data_rva, data_size);
  if (!offset || *offset + data_size > image.size()) {
    error = "the data of " + what + " lies outside the image";
    return std::nullopt;
  }
  return FileRange{*offset, data_size};
}

}  // namespace qmb::mkpackage
