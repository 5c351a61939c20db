// Fuzzes the SevenZip command-line grammar and the entry patterns it carries.
#include <string>
#include <string_view>

#include "archive/command_line.h"
#include "archive/entry_pattern.h"
#include "base/gbk_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto line = qmb::sevenzip::ParseCommandLine(text, error);
  if (!line) return 0;
  const std::u16string path = qmb::GbkToUtf16(line->archive);
  for (const std::string& pattern : line->patterns)
    qmb::sevenzip::PatternMatches(qmb::GbkToUtf16(pattern), path);
  return 0;
}
