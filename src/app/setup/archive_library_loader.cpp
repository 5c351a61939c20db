// Writing and binding 7-zip32.dll.
#include "app/setup/archive_library_loader.h"

#include "base/compressed_form.h"
#include "context/context.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_include.h"

namespace qmb {
namespace {

constexpr char kLibraryFile[] = "7-zip32.dll";

// Far above the library's size; a resource inflating to more is not ours.
constexpr size_t kMaxLibrarySize = 64u << 20;

// The library's bytes: the resource holds them gzip-compressed.
std::optional<std::string> LibraryResource() {
  HRSRC found = FindResourceW(nullptr, L"SEVENZIP_DLL", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = ::LoadResource(nullptr, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (data == nullptr) return std::nullopt;
  return DecompressGzip(std::string_view(static_cast<const char*>(data), SizeofResource(nullptr, found)),
                        kMaxLibrarySize);
}

template <typename Function>
bool Bind(HMODULE module, const char* name, Function& target) {
  target = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return target != nullptr;
}

}  // namespace

bool InstallArchiveLibrary(Context& ctx) {
  const std::string temp = ctx.platform.env.TempFolder();
  const std::string path = temp + kLibraryFile;
  bool written = false;
  if (std::optional<std::string> bytes = LibraryResource()) {
    written = ctx.platform.files.WriteAll(path, *bytes);
    if (written) {
      ctx.log.Step("archive library: wrote " + path + " (" + std::to_string(bytes->size()) +
                   " bytes)");
    } else {
      ctx.log.Failure("archive library: cannot write " + path);
    }
  } else {
    ctx.log.Failure("archive library: no usable SEVENZIP_DLL resource in our image");
  }
  // The library is loaded by its full path; the temp folder, which other programs of the user can
  // write to, stays off the search path of every other library this process loads.
  return written;
}

std::optional<ArchiveLibrary> LoadArchiveLibrary(Context& ctx) {
  // By its full path: a "7-zip32.dll" planted beside the package (a download folder) must never be
  // the one that unpacks our payload.
  return LoadArchiveLibraryFrom(ctx, ctx.platform.env.TempFolder() + kLibraryFile);
}

std::optional<ArchiveLibrary> LoadArchiveLibraryFrom(Context& ctx, const std::string& path) {
  HMODULE module = LoadLibraryW(Wide(path).c_str());
  if (module == nullptr) {
    ctx.log.Failure("archive library: cannot load " + path + ", error " +
                    std::to_string(GetLastError()));
    return std::nullopt;
  }
  wchar_t loaded_from[MAX_PATH] = {};
  GetModuleFileNameW(module, loaded_from, MAX_PATH);
  ctx.log.Step("archive library: loaded " + Narrow(loaded_from));
  ArchiveLibrary library;
  if (!Bind(module, "SevenZip", library.run) || !Bind(module, "SevenZipOpenArchive", library.open) ||
      !Bind(module, "SevenZipCloseArchive", library.close) ||
      !Bind(module, "SevenZipSetOwnerWindowEx", library.set_owner)) {
    ctx.log.Failure("archive library: 7-zip32 lacks a SevenZip export");
    return std::nullopt;
  }
  return library;
}

}  // namespace qmb
