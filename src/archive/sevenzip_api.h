// The classic SevenZip API of our archive library: one command line per call, progress reported to
// an owner-window callback with the extracting-info record. On Windows these four functions are the
// stdcall exports of 7-zip32.dll; natively they are linked directly (tests, sevenzip32).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#if defined(_WIN32)
#define QMB_STDCALL __stdcall
#else
#define QMB_STDCALL
#endif

namespace qmb::sevenzip {

// Callback states.
inline constexpr unsigned kStateFileBegin = 0;
inline constexpr unsigned kStateInProgress = 1;
inline constexpr unsigned kStateRunEnd = 2;

// The record handed to the callback (only these leading fields; the layout is fixed: the
// destination name stands at offset 524).
struct ExtractingInfo {
  uint32_t dwFileSize;   // 0xFFFFFFFF for files of 4 GiB and more
  uint32_t dwWriteSize;  // bytes written so far; thousandths when dwFileSize is 0xFFFFFFFF
  char szSourceFileName[513];
  char pad1[3];
  char szDestFileName[513];  // GBK, NUL-terminated
  char pad2[3];
};
static_assert(sizeof(ExtractingInfo) == 1040, "record layout");

// BOOL CALLBACK ARCHIVERPROC(HWND, UINT msg, UINT state, LPVOID info); FALSE cancels the run.
using ArchiverProc = int(QMB_STDCALL*)(void* window, unsigned message, unsigned state, void* info);
using ArchiveHandle = void*;

// Runs one command line ("x" or "e" with archive, output folder, patterns and switches). Returns 0
// on success; on failure non-zero, with a short message in out when out and size are given.
int SevenZipRun(const char* command_line, char* out, uint32_t out_size);
ArchiveHandle SevenZipOpen(const char* archive_path, uint32_t mode);
int SevenZipClose(ArchiveHandle handle);
int SevenZipSetOwner(void* window, ArchiverProc callback);

#if !defined(_WIN32)
// Natively, Windows paths in command lines ("C:\x\") are turned into host paths by this mapper
// (the host platform's drive mapping in tests); without one, "\" becomes "/" and nothing else changes.
// The mapper works on GBK text; its result is turned into UTF-8 for the disk.
void SetPathMapper(std::function<std::string(const std::string& windows_path)> mapper);
#endif

}  // namespace qmb::sevenzip
