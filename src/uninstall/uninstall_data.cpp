// The uninstaller's data file. The sections are found from the end of the file, where the
// installation appended them, so that no text inside the program image can be taken for one.
#include "uninstall/uninstall_data.h"

#include "base/value_store.h"
#include "context/context.h"
#include "startup/section_reader.h"
#include "system/uninstaller_file.h"
#include "uninstall/removal_lists.h"
#include "uninstall/removal_paths.h"

namespace qmb {

namespace {

constexpr char kRecordSection[] = "软件卸载配置";

}  // namespace

std::optional<UninstallData> ReadUninstallData(Context& ctx, const std::string& path,
                                               std::string& problem) {
  if (!ctx.platform.files.Exists(path) || ctx.platform.files.IsDirectory(path)) {
    problem = path + " is missing";
    return std::nullopt;
  }
  struct Piece {
    std::string_view open;
    std::string_view close;
    std::string UninstallData::*field;
  };
  const Piece pieces[] = {
      {kUninstallRecordOpenMark, kUninstallRecordCloseMark, &UninstallData::record},
      {kUninstallSettingsOpenMark, kUninstallSettingsCloseMark, &UninstallData::settings},
      {kSkinOpenMark, kSkinCloseMark, &UninstallData::skin},
  };
  UninstallData data;
  for (const Piece& piece : pieces) {
    data.*piece.field = ReadSectionBackward(ctx, path, piece.close, piece.open);
    // The installation never writes an empty section: the record and the skin store hold named
    // values, the settings text holds its separators.
    if ((data.*piece.field).empty()) {
      problem = path + " lacks its section " + std::string(piece.open);
      return std::nullopt;
    }
  }
  return data;
}

std::string RecordProblem(std::string_view record, const IniFile& ini) {
  const std::string name = ini.Value(kRecordSection, "软件名称");
  if (!IsSoundName(name)) return "the record's product name \"" + name + "\" is not a sound name";
  for (const char* list : {kFileListName, kRegistryListName})
    if (!StoreFind(record, list)) return std::string("the record lacks its list ") + list;
  return {};
}

}  // namespace qmb
