// The binding to the archive library: the four SevenZip functions the engine calls, as plain
// function pointers. On Windows they come from 7-zip32.dll (loaded from the temp folder, where
// start-up writes it); natively they are the linked library itself.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "archive/sevenzip_api.h"

namespace qmb {

struct ArchiveLibrary {
  // SevenZip(window, command line, output buffer, buffer size): 0 on success.
  int(QMB_STDCALL* run)(void* window, const char* command_line, char* out, uint32_t size) = nullptr;
  // SevenZipOpenArchive(window, archive path, mode).
  void*(QMB_STDCALL* open)(void* window, const char* archive_path, uint32_t mode) = nullptr;
  // SevenZipCloseArchive(handle).
  int(QMB_STDCALL* close)(void* handle) = nullptr;
  // SevenZipSetOwnerWindowEx(window, callback).
  int(QMB_STDCALL* set_owner)(void* window, sevenzip::ArchiverProc callback) = nullptr;

  bool complete() const { return run && open && close && set_owner; }
};

// Binds the library on first use; nullopt when it cannot be loaded.
using ArchiveLibraryLoader = std::function<std::optional<ArchiveLibrary>()>;

#if !defined(_WIN32)
// The natively linked archive library. Windows paths in its command lines are turned into host
// paths by path_mapper (the host platform's drive mapping).
ArchiveLibrary NativeArchiveLibrary(std::function<std::string(const std::string&)> path_mapper);
#endif

}  // namespace qmb
