// The names the runtime reads from a package's settings: the settings files, the sections and keys
// of "data.ini" with the form each value must take, and the fixed names of the install script. One
// table, so that the packaging tool's checks and the author's reference name exactly what the
// program reads.
#pragma once

#include <span>
#include <string_view>

namespace qmb {

// Section names of data.ini that several modules read.
inline constexpr char kMainSection[] = "禾木软件安装配置";
inline constexpr char kSwitchSection[] = "安装包命令行";
inline constexpr char kShortcutSection[] = "新建快捷方式参数";
inline constexpr char kRunsSection[] = "解压后运行的参数";
inline constexpr char kUninstallRunsSection[] = "卸载时运行命令";
inline constexpr char kPathRulesSection[] = "ml";
inline constexpr char kFinishMainSection[] = "完成后选项_主运行程序";
inline constexpr char kFinishProgramSection[] = "完成后选项_执行程序";
inline constexpr char kFinishWebSection[] = "完成后选项_访问网络";
inline constexpr char kFinishListSection[] = "完成后选项_列表";
inline constexpr char kUninstallOptionListSection[] = "卸载选项_列表";
inline constexpr char kPagesSection[] = "界面_可视";

// The switch words of section kSwitchSection when the package leaves them empty ("p", the
// install-folder switch, has none), and the argument that starts the test mode.
inline constexpr char kDefaultDirectSwitch[] = "-jp";
inline constexpr char kDefaultBackgroundSwitch[] = "-hp";
inline constexpr char kDefaultHideEndSwitch[] = "-hideend";
inline constexpr char kTestModeArgument[] = "test";

// The values of "作用方案"n: this one puts a run after the unpacking, any other before it.
inline constexpr char kSchemeAfterUnpacking[] = "解压后运行";
inline constexpr char kSchemeBeforeUnpacking[] = "解压前运行";

// What a value must look like.
enum class ValueForm {
  kText,         // anything
  kSwitch,       // "真" on; "假" or empty off
  kNumber,       // a decimal integer
  kCount,        // a decimal integer >= 0: how many numbered records follow
  kRunMode,      // "正常安装", "直接安装" or "后台安装"
  kDigest,       // 32 lower-case hexadecimal digits (MD5), or empty
  kTickList,     // "真"/"假" entries joined by the full-width comma "，"
  kPayloadFile,  // a file of the payload, relative to the install folder
  kScheme,       // kSchemeAfterUnpacking or kSchemeBeforeUnpacking
  kCommand,      // a command line; without "是否外部运行"n "真" it names a payload file
};

struct SettingKey {
  std::string_view name;
  ValueForm form = ValueForm::kText;
  bool numbered = false;  // the key is the name followed by the record number 1..count
  bool read = true;       // false: accepted, but only the wizard window (still to come) reads it
};

struct SettingSection {
  std::string_view name;
  std::span<const SettingKey> keys;
  bool read = true;
};

// The sections of data.ini, the main section first.
std::span<const SettingSection> DataIniSections();
// The section or key of that name (names compare as the INI reader does); nullptr when unknown.
const SettingSection* FindDataIniSection(std::string_view name);
// A numbered key matches its name followed by digits; number receives them (0 for a plain key).
const SettingKey* FindDataIniKey(const SettingSection& section, std::string_view key, int* number);

struct SettingsFileName {
  std::string_view name;
  bool read = true;  // false: accepted, but only the wizard window reads it
};
// The files of the settings archive the runtime opens.
std::span<const SettingsFileName> SettingsFileNames();

// Keyed text records of "data.ini" (the licence text) and of "GUItext.ini".
struct TextRecordName {
  std::string_view name;
  bool read = true;
};
std::span<const TextRecordName> DataIniTextRecords();
std::span<const TextRecordName> GuiTextRecords();

// The key of a variable's value in its section of "variable.ini".
inline constexpr char kVariableValueKey[] = "数据";

// The built-in variables of "variable.ini": their values are computed on the user's machine;
// "%InstallPath%", "%AC%" and "%ET%" stand for themselves until install time.
std::span<const std::string_view> BuiltInVariableNames();

// The install script: the block that lists the components tree, the sections of a block and the
// command names of its lines.
inline constexpr char kTreeBlock[] = "Treelists";
inline constexpr char kScriptInstall[] = "Install";
inline constexpr char kScriptUnzip[] = "Unzip";
inline constexpr char kScriptFinish[] = "finish";
inline constexpr char kScriptDescribe[] = "describe";
inline constexpr char kCommandRemoveZip[] = "removezip";
inline constexpr char kCommandAssignZip[] = "assignzip";
inline constexpr char kCommandRemoveDump[] = "removedump";
inline constexpr char kBindDesktop[] = "setdesktop()";
inline constexpr char kBindStartMenu[] = "setstartmenu()";
inline constexpr char kBindQuickLaunch[] = "setquicklaunch()";
std::span<const std::string_view> ScriptSectionNames();
// The list commands and the three binding lines (parentheses included).
std::span<const std::string_view> ScriptCommandNames();

}  // namespace qmb
