// Reading the removal lists out of the uninstall record.
#include "uninstall/removal_lists.h"

#include "base/text.h"
#include "base/value_store.h"
#include "context/context.h"
#include "wizard/list_count.h"

namespace qmb {

namespace {

constexpr char kRecordSection[] = "软件卸载配置";

std::vector<std::string> Lines(std::string_view record, std::string_view name) {
  std::vector<std::string> lines;
  const std::string value = StoreFind(record, name).value_or("");
  if (value == kStoreEmptyValue) return lines;
  for (std::string& line : Split(value, "\r\n"))
    if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

}  // namespace

std::vector<std::string> FileListOf(std::string_view record) {
  return Lines(record, kFileListName);
}

std::vector<RegistryItem> RegistryListOf(std::string_view record) {
  std::vector<RegistryItem> items;
  for (const std::string& line : Lines(record, kRegistryListName)) {
    const size_t split = line.find("$,");
    if (split == std::string::npos) {
      items.push_back({line, ""});
    } else {
      items.push_back({line.substr(0, split), line.substr(split + 2)});
    }
  }
  return items;
}

std::optional<std::vector<std::string>> CreatedFolderListOf(std::string_view record) {
  if (!StoreFind(record, kCreatedFolderListName)) return std::nullopt;
  return Lines(record, kCreatedFolderListName);
}

std::optional<std::vector<CreatedKey>> CreatedKeyListOf(Context& ctx, std::string_view record) {
  if (!StoreFind(record, kCreatedKeyListName)) return std::nullopt;
  std::vector<CreatedKey> keys;
  for (const std::string& line : Lines(record, kCreatedKeyListName)) {
    if (std::optional<CreatedKey> key = ParseCreatedKey(line)) {
      keys.push_back(std::move(*key));
    } else {
      ctx.log.Failure("uninstall: registry key \"" + line + "\" has no known root; kept");
    }
  }
  return keys;
}

std::vector<std::string> LinkListOf(Context& ctx, const IniFile& record) {
  std::vector<std::string> links;
  const int count = ListCount(ctx, record.Value(kRecordSection, "快捷方式个数"), kRecordSection);
  for (int i = 1; i <= count; ++i) {
    for (std::string& link :
         SplitGbk(record.Value(kRecordSection, "快捷方式" + std::to_string(i)), ','))
      links.push_back(std::move(link));
  }
  return links;
}

}  // namespace qmb
