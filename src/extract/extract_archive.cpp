// The extraction engine: command lines for the archive library, the assignment pass and the
// extractions requested by controlling modules.
#include "extract/extract_archive.h"

#include "base/text.h"
#include "context/context.h"
#include "extract/install_progress.h"
#include "extract/volume_set.h"

namespace qmb {
namespace {

constexpr char kQuote = '"';

// The non-empty items of a comma-separated list; a trailing comma leaves no empty pattern behind.
std::vector<std::string> ListItems(const std::string& list) {
  std::vector<std::string> items;
  for (std::string& item : SplitGbk(list, ',')) {
    if (!item.empty()) items.push_back(std::move(item));
  }
  return items;
}

std::string Quoted(const std::string& text) {
  std::string quoted(1, kQuote);
  quoted += text;
  quoted += kQuote;
  return quoted;
}

bool EnsureLibrary(Context& ctx) {
  ExtractState& state = ctx.extract;
  if (state.library.complete()) return true;
  if (!state.load_library) {
    ctx.log.Failure("archive library: no loader");
    return false;
  }
  std::optional<ArchiveLibrary> library = state.load_library();
  if (!library || !library->complete()) {
    ctx.log.Failure("archive library: cannot load 7-zip32");
    return false;
  }
  state.library = *library;
  ctx.log.Step("archive library: bound");
  return true;
}

}  // namespace

std::string BuildExtractCommandLine(const std::string& archive, const std::string& destination,
                                    bool flat, const std::string& password,
                                    const std::string& inclusion, const std::string& exclusion) {
  // The exclusion items take the place of the inclusion items: patterns that the exclusions then
  // take away again, next to "*", so everything but the exclusions is unpacked.
  const std::vector<std::string> items = ListItems(exclusion.empty() ? inclusion : exclusion);
  std::string command = flat ? "e " : "x ";
  command.append(" ").append(Quoted(archive)).append(" -hide -y ").append(Quoted(destination));
  command.append(" ");
  for (const std::string& item : items) command.append(Quoted(item)).append(" ");
  if (items.empty()) command.append("*");
  command.append(" -p").append(Quoted(password));
  for (const std::string& item : ListItems(exclusion)) {
    command.append(" * -x!").append(Quoted(item)).append(" ");
  }
  return command;
}

namespace {

// Steps 2 to 7 of one run: the destination folder, the callback and the command line.
bool RunLibrary(Context& ctx, const std::string& archive, const std::string& destination,
                bool flat, const std::string& password, ProgressSink sink,
                const std::string& inclusion, const std::string& exclusion) {
  Files& files = ctx.platform.files;
  std::string folder = destination;
  if (EndsWith(folder, "\\") && FindLastCharGbk(folder, '\\') == folder.size() - 1) folder.pop_back();
  if (!ctx.journal.CreateFolderPath(folder))
    ctx.log.Failure("extract: cannot create all of " + folder);
  // Never hand the library a destination that is not a folder of a drive: it would unpack relative
  // to wherever the process happens to stand.
  if (!files.IsDirectory(folder) || !StartsWith(folder.substr(1), ":")) {
    ctx.log.Failure("extract: destination is not a folder: " + destination);
    return false;
  }
  std::string target = folder + "\\";
  if (!EnsureLibrary(ctx)) return false;
  ctx.journal.NoteFolderContents(folder);
  ArchiveLibrary& library = ctx.extract.library;

  library.set_owner(nullptr, &OnArchiveProgress);
  ctx.progress.current_sink = std::move(sink);
  const std::string command = BuildExtractCommandLine(archive, target, flat, password, inclusion,
                                                      exclusion);
  ctx.log.Step("extract: " + std::string(flat ? "flat " : "") + archive + " -> " + target);
  library.close(library.open(nullptr, archive.c_str(), 0));
  // The library's short message goes to the log when the run fails.
  char message[512] = {};
  int rc;
  {
    ActiveProgressContext active(ctx);
    rc = library.run(nullptr, command.c_str(), message, sizeof(message) - 1);
  }
  if (rc != 0) {
    ctx.log.Failure("extract: the archive library returned " + std::to_string(rc) + ": " + message);
  }
  return rc == 0;
}

}  // namespace

void AppendToEntryList(std::string& list, const std::string& names) {
  if (!list.empty()) list.push_back(',');
  list += names;
}

bool ExtractArchive(Context& ctx, std::string& archive, std::string& destination, bool flat,
                    const std::string& password, ProgressSink sink, const std::string& inclusion,
                    const std::string& exclusion, const std::vector<std::string>& volumes) {
  std::optional<PreparedVolumes> prepared;
  if (!volumes.empty()) {
    // Bound first: binding sets the library's file opens up afresh, which must not undo the
    // redirection the volumes need.
    if (!EnsureLibrary(ctx)) return false;
    prepared = PrepareVolumes(ctx, archive, destination, volumes);
    if (!prepared) return false;
  }
  const bool ok = RunLibrary(ctx, archive, destination, flat, password, std::move(sink), inclusion,
                             exclusion);
  if (prepared) RemoveVolumeFolder(ctx, *prepared);
  EndVolumes(ctx);
  return ok;
}

bool ExtractAssignedFiles(Context& ctx, const std::string& password) {
  ExtractState& state = ctx.extract;
  std::string& list = ctx.settings.except_text;
  list = ReplaceAll(list, "%InstallPath%", ctx.wizard.install_folder);

  struct Group {
    std::string destination;
    std::string files;
  };
  std::vector<Group> groups;
  for (const std::string& line : Split(list, "\r\n")) {
    if (line.empty()) continue;
    std::vector<std::string> fields = SplitGbk(line, ',');
    if (fields.size() >= 2 && fields[1] == "-1") {
      groups.push_back({fields[0], ""});
      continue;
    }
    if (groups.empty() || fields[0].empty()) {
      ctx.log.Failure("assignment list: line outside a group passed over: " + line);
      continue;
    }
    groups.back().files += fields[0] + ",";
    if (!state.exclusion_list.empty() && !EndsWith(state.exclusion_list, ",")) {
      state.exclusion_list += ",";
    }
    state.exclusion_list += fields[0] + ",";
  }

  state.group_count = static_cast<int32_t>(groups.size());
  ctx.log.Step("assignment pass: " + std::to_string(groups.size()) + " group(s)");
  ProgressSink sink = [&ctx](const std::string& name, int32_t percent) {
    ReportInstallProgress(ctx, name, percent);
  };
  for (size_t j = 0; j < groups.size(); ++j) {
    state.current_step = static_cast<int32_t>(j + 1);
    std::string destination = groups[j].destination;
    if (!ExtractArchive(ctx, ctx.startup.archive_path, destination, true, password, sink,
                        groups[j].files, "", ctx.startup.volume_list)) {
      ctx.log.Failure("assignment pass: group " + std::to_string(j + 1) + " into " + destination +
                      " failed");
      return false;
    }
  }
  state.current_step = state.group_count + 1;
  return true;
}

void ExtractEntriesTo(Context& ctx, const std::string& entries, const std::string& folders,
                      const std::string& password) {
  if (ctx.startup.test_mode()) return;
  const std::vector<std::string> entry_list = SplitGbk(entries, ',');
  const std::vector<std::string> folder_list = SplitGbk(folders, ',');
  for (size_t i = 0; i < folder_list.size(); ++i) {
    if (i >= entry_list.size()) {
      ctx.log.Failure("extract request: no entry for folder " + folder_list[i]);
      break;
    }
    std::string folder = folder_list[i];
    ExtractArchive(ctx, ctx.startup.archive_path, folder, false, password, nullptr, entry_list[i],
                   "", ctx.startup.volume_list);
  }
}

}  // namespace qmb
