// sevenzip32: runs one SevenZip command line natively, for tests and benchmarks.
//   sevenzip32 [--progress] 'x "archive.7z" -y -hide "out/" -p"secret"'
// The command line is UTF-8 here and handed to the library in GBK. With --progress every callback
// prints "state file-size written-size destination-name". The exit code is the run's result.
#include <cstdio>
#include <cstring>
#include <string>

#include "archive/sevenzip_api.h"
#include "base/gbk_codec.h"

namespace {

int PrintProgress(void*, unsigned, unsigned state, void* info) {
  auto* record = static_cast<const qmb::sevenzip::ExtractingInfo*>(info);
  std::printf("%u %u %u %s\n", state, record->dwFileSize, record->dwWriteSize,
              qmb::GbkToUtf8(record->szDestFileName).c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  bool progress = argc > 1 && std::strcmp(argv[1], "--progress") == 0;
  if (progress) ++first;
  if (first >= argc) {
    std::fprintf(stderr, "usage: sevenzip32 [--progress] 'COMMAND LINE'\n");
    return 2;
  }
  std::string command;
  for (int i = first; i < argc; ++i) {
    if (i > first) command.push_back(' ');
    command += argv[i];
  }
  if (qmb::IsValidUtf8(command)) command = qmb::Utf8ToGbk(command);
  if (progress) qmb::sevenzip::SevenZipSetOwner(nullptr, PrintProgress);
  char message[512] = {};
  int result = qmb::sevenzip::SevenZipRun(command.c_str(), message, sizeof(message));
  if (result != 0) std::fprintf(stderr, "sevenzip32: %s (%d)\n", qmb::GbkToUtf8(message).c_str(), result);
  return result;
}
