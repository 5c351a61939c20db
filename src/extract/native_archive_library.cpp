// The archive library linked into native builds (tests, tools): the same four calls as the DLL's
// exports, with Windows paths mapped to host paths.
#if !defined(_WIN32)
#include "extract/archive_library.h"

namespace qmb {
namespace {

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

}  // namespace

ArchiveLibrary NativeArchiveLibrary(std::function<std::string(const std::string&)> path_mapper) {
  sevenzip::SetPathMapper(std::move(path_mapper));
  return ArchiveLibrary{&Run, &Open, &Close, &SetOwner};
}

}  // namespace qmb
#endif
