// Program lines that start with a folder variable but stand without quotes: the runtime splits a
// command at its first blank, so "%InstallPath%\tool.exe /q" starts "C:\Program" once the folder is
// "C:\Program Files\...". The check names the line and the quoted form that works.
#include "base/text.h"
#include "check_context.h"
#include "startup/settings_catalogue.h"

namespace qmb::mkpackage {

namespace {

// The command's text as written, without a leading system tag "[sys=..]".
std::string Command(std::string_view line) {
  std::string command = Trim(line);
  if (command.starts_with("[sys=")) {
    const size_t close = command.find(']');
    if (close != std::string::npos) command = Trim(std::string_view(command).substr(close + 1));
  }
  return command;
}

}  // namespace

void CheckProgramLine(CheckContext& c, const std::string& file, int line, std::string_view text,
                      std::string_view quote) {
  const std::string command = Command(text);
  // A variable that stands for a folder; its value is only known on the user's machine.
  if (!command.starts_with("%") || command.find('%', 1) == std::string::npos) return;
  if (command.find("%ET%") != std::string::npos) return;  // a batch file, cmd's own rules
  const size_t blank = FindCharGbk(command, ' ');
  const std::string program(command.substr(0, blank));
  const std::string rest = blank == kNotFound ? "" : command.substr(blank);
  const std::string quoted = std::string(quote) + program + std::string(quote) + rest;
  c.Add(Severity::kWarning, file, line, command,
        "the program is not quoted: a folder with a blank (\"C:\\Program Files\") splits it; "
        "write " + quoted);
}

void CheckDataIniProgramLines(CheckContext& c) {
  for (const IniFile::Section& section : c.data.Sections()) {
    const bool runs = EqualsIgnoreCase(section.name, kRunsSection) ||
                      EqualsIgnoreCase(section.name, kUninstallRunsSection);
    const bool options = EqualsIgnoreCase(section.name, kFinishListSection);
    if (!runs && !options) continue;
    const SettingSection* known = FindDataIniSection(section.name);
    for (const IniFile::Entry& e : section.entries) {
      int number = 0;
      const SettingKey* key = known ? FindDataIniKey(*known, e.key, &number) : nullptr;
      if (!key || !key->numbered) continue;
      if (runs && EqualsIgnoreCase(key->name, "参数运行文件名") &&
          IsTrue(c.data.Value(section.name, "是否外部运行" + std::to_string(number))))
        CheckProgramLine(c, "settings/data.ini", e.line, e.value, "**");
      if (options && EqualsIgnoreCase(key->name, "程序"))
        CheckProgramLine(c, "settings/data.ini", e.line, e.value, "**");
    }
  }
}

}  // namespace qmb::mkpackage
