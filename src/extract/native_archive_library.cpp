// The archive library linked into native builds (tests, tools): the same four calls as the DLL's
// exports, with Windows paths mapped to host paths, and the redirection of placeholder volumes
// done in that mapping.
#if !defined(_WIN32)
#include "extract/archive_library.h"
#include "extract/volume_redirect.h"

namespace qmb {
namespace {

using PathMapper = std::function<std::string(const std::string&)>;

int Run(void*, const char* command_line, char* out, uint32_t size) {
  return sevenzip::SevenZipRun(command_line, out, size);
}
void* Open(void*, const char* archive_path, uint32_t mode) {
  return sevenzip::SevenZipOpen(archive_path, mode);
}
int Close(void* handle) { return sevenzip::SevenZipClose(handle); }
int SetOwner(void* window, sevenzip::ArchiverProc callback) {
  return sevenzip::SevenZipSetOwner(window, callback);
}

class MapperRedirection : public OpenRedirection {
 public:
  explicit MapperRedirection(PathMapper mapper) : mapper_(std::move(mapper)) {}

  bool Install(const std::string& base, const std::vector<std::string>& volumes) override {
    sevenzip::SetPathMapper([mapper = mapper_, base, volumes](const std::string& path) {
      const std::optional<size_t> index = PlaceholderIndex(base, volumes.size(), path);
      return mapper(index ? volumes[*index] : path);
    });
    return true;
  }
  void Remove() override { sevenzip::SetPathMapper(mapper_); }

 private:
  PathMapper mapper_;
};

}  // namespace

ArchiveLibrary NativeArchiveLibrary(PathMapper path_mapper) {
  sevenzip::SetPathMapper(std::move(path_mapper));
  return ArchiveLibrary{&Run, &Open, &Close, &SetOwner};
}

std::unique_ptr<OpenRedirection> NativeOpenRedirection(PathMapper path_mapper) {
  return std::make_unique<MapperRedirection>(std::move(path_mapper));
}

}  // namespace qmb
#endif
