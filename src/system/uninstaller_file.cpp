// Reading our own image and appending sections to the uninstaller's data file.
#include "system/uninstaller_file.h"

#include <algorithm>

#include "base/compressed_form.h"
#include "base/marked_section.h"
#include "base/package_layout.h"

namespace qmb {

namespace {

constexpr int kOpenAttempts = 50;  // 100 ms apart: our own file never stays empty that long
constexpr int kAppendAttempts = 10;
constexpr uint32_t kAppendRetryMs = 300;

uint32_t Le(const std::string& data, size_t at, size_t bytes) {
  uint32_t v = 0;
  for (size_t i = bytes; i > 0; --i) v = v << 8 | static_cast<unsigned char>(data[at + i - 1]);
  return v;
}

}  // namespace

void DropSignatureEntry(std::string& image) {
  if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return;
  const size_t pe = Le(image, 0x3C, 4);
  const size_t optional = pe + 24;
  if (optional + 2 > image.size() || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return;
  // The data directory's place and size field differ between PE32 and PE32+.
  const uint32_t magic = Le(image, optional, 2);
  const size_t count_at = optional + (magic == 0x20B ? 108 : 92);
  const size_t directory = count_at + 4;
  constexpr size_t kSecurityEntry = 4, kChecksum = 64;
  if ((magic != 0x10B && magic != 0x20B) || directory + 8 * (kSecurityEntry + 1) > image.size() ||
      Le(image, count_at, 4) <= kSecurityEntry)
    return;
  std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(directory + 8 * kSecurityEntry), 8, '\0');
  std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(optional + kChecksum), 4, '\0');
}

std::string ReadRuntimeImage(Context& ctx, const std::string& path, std::string_view start_mark) {
  std::unique_ptr<FileStream> in;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (attempt > 0) ctx.platform.processes.Sleep(100);
    in = ctx.platform.files.OpenRead(path);
    if (in && in->Size() > 0) break;
    in.reset();
  }
  if (!in) {
    ctx.log.Failure("uninstaller: cannot read our own program " + path);
    return {};
  }
  const std::string pattern = SectionPattern(start_mark);
  std::string data;
  std::string chunk(kImageSearchChunk, '\0');
  for (size_t n; (n = in->Read(chunk.data(), chunk.size())) > 0;) {
    // Search from just before the new bytes, so a mark cut by a chunk boundary is found too.
    const size_t from = data.size() >= pattern.size() ? data.size() - pattern.size() + 1 : 0;
    data.append(chunk.data(), n);
    const size_t hit = data.find(pattern, from);
    if (hit != std::string::npos) {
      data.resize(hit == 0 ? 0 : hit - 1);
      DropSignatureEntry(data);
      return data;
    }
  }
  ctx.log.Failure("uninstaller: no package mark in " + path);
  return {};
}

std::string LoadUninstallerResource(Context& ctx) {
  auto launcher = ctx.platform.env.LoadResource(kLauncherResourceType, kLauncherResourceId);
  if (!launcher) {
    ctx.log.Failure("uninstaller: this program carries no uninstaller launcher");
    return {};
  }
  auto image = InflateIfGzip(*launcher, kMaxLauncherSize);
  if (!image) ctx.log.Failure("uninstaller: the uninstaller launcher this program carries is damaged");
  return image.value_or("");
}

bool AppendSection(Context& ctx, const std::string& path, std::string_view start_mark,
                   std::string_view end_mark, std::string_view content) {
  const std::string section = BuildSection(start_mark, content, end_mark);
  for (int attempt = 0; attempt < kAppendAttempts; ++attempt) {
    if (attempt > 0) ctx.platform.processes.Sleep(kAppendRetryMs);
    if (ctx.platform.files.Append(path, section)) return true;
  }
  ctx.log.Failure("uninstaller: cannot append " + std::string(start_mark) + " to " + path);
  return false;
}

bool AppendPackageSection(Context& ctx, const std::string& path, std::string_view content) {
  return AppendSection(ctx, path, kKindOpenMark, kKindCloseMark, content);
}

}  // namespace qmb
