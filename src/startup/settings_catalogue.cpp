// The table of settings names. A key the runtime reads appears here and at its one reader; the
// catalogue test scans the runtime's sources so that neither side can gain a name the other lacks.
#include "startup/settings_catalogue.h"

#include <cctype>

#include "base/text.h"

namespace qmb {
namespace {

using F = ValueForm;

constexpr SettingKey kMainKeys[] = {
    {"禾木软件名称"},
    {"软件版本"},
    {"公司名称"},
    {"包内的程序名", F::kPayloadFile},
    {"安装位置"},
    {"safe"},
    {"安装密码", F::kDigest},
    {"安装模式", F::kRunMode},
    {"安装后是否显示完成界面", F::kSwitch},
    {"是否生成卸载程序", F::kNumber},
    {"卸载模式"},
    {"选择框_优先二次路径", F::kSwitch},
    {"选择框_显示空间", F::kSwitch},
    {"压缩原大小", F::kNumber},
    {"任务栏进度", F::kSwitch},
    {"安装过程_列表", F::kNumber},
    {"基本组件勾选", F::kTickList},
    {"安装包封装模式"},
    {"压缩分卷数", F::kNumber},
    {"压缩分卷文件名"},
    {"分卷大小"},
    {"I_reg", F::kSwitch},
    {"同意条款", F::kSwitch},
    {"浏览目录自动添加"},
    {"自动添加路径", F::kSwitch},
};

constexpr SettingKey kSwitchKeys[] = {{"p"}, {"jp"}, {"hp"}, {"hideend"}};

constexpr SettingKey kShortcutKeys[] = {
    {"欲运行的次数", F::kCount},
    {"参数快捷方式名", F::kText, true},
    {"参数文件名", F::kPayloadFile, true},
    {"参数命令行", F::kText, true},
    {"参数生成位置", F::kText, true},
    {"参数是否卸载", F::kSwitch, true},
    {"快捷方式图标", F::kPayloadFile, true},
    {"快捷方式描述", F::kText, true},
};

constexpr SettingKey kRunKeys[] = {
    {"欲运行的次数", F::kCount},
    {"是否外部运行", F::kSwitch, true},
    {"参数运行文件名", F::kCommand, true},
    {"是否隐藏窗口", F::kSwitch, true},
    {"是否等待返回", F::kSwitch, true},
    {"作用方案", F::kScheme, true},
};

constexpr SettingKey kUninstallRunKeys[] = {
    {"欲运行的次数", F::kCount},
    {"是否外部运行", F::kSwitch, true},
    {"参数运行文件名", F::kText, true},
    {"是否隐藏窗口", F::kSwitch, true},
    {"是否等待返回", F::kSwitch, true},
};

constexpr SettingKey kPathRuleKeys[] = {
    {"ch", F::kSwitch}, {"zwj"}, {"fb"}};

constexpr SettingKey kFinishMainKeys[] = {{"显示", F::kSwitch}};
constexpr SettingKey kFinishProgramKeys[] = {
    {"显示", F::kSwitch}, {"文件路径", F::kPayloadFile}, {"选项标题"}};
constexpr SettingKey kFinishWebKeys[] = {{"显示", F::kSwitch}, {"网页地址"}, {"选项标题"}};
constexpr SettingKey kOptionListKeys[] = {
    {"次数", F::kCount},          {"y"},
    {"标题", F::kText, true},     {"可视", F::kSwitch, true},
    {"选中", F::kSwitch, true},   {"程序", F::kText, true},
};
constexpr SettingKey kPageKeys[] = {{"选择组件可视", F::kSwitch},
                                    {"浏览目录可视", F::kSwitch}};

constexpr SettingSection kSections[] = {
    {kMainSection, kMainKeys},
    {kSwitchSection, kSwitchKeys},
    {kShortcutSection, kShortcutKeys},
    {kRunsSection, kRunKeys},
    {kUninstallRunsSection, kUninstallRunKeys},
    {kPathRulesSection, kPathRuleKeys},
    {kFinishMainSection, kFinishMainKeys},
    {kFinishProgramSection, kFinishProgramKeys},
    {kFinishWebSection, kFinishWebKeys},
    {kFinishListSection, kOptionListKeys},
    {kUninstallOptionListSection, kOptionListKeys},
    {kPagesSection, kPageKeys},
};

constexpr SettingsFileName kFiles[] = {
    {"data.ini"},         {"variable.ini"},          {"var_data.ini"},
    {"QMBREG.db"},        {"QMBDLL_s.ini"},          {"QMBDLL.db"},
    {"GUItext.ini"},      {"Except.ini"},            {"choolantern.ini"},
    {"界面小图片.jpg"},   {"界面大图片.jpg"},        {"卸载程序图标.ico"},
    {"界面图片.jpg"}, {"界面安装时图像.jpg"},
};

constexpr TextRecordName kDataRecords[] = {{"自述文本_开始"}};

constexpr TextRecordName kGuiRecords[] = {
    {"窗口标题"},        {"安装3"},
    {"欢迎0"},    {"欢迎1"},    {"协议0"},    {"协议1"},
    {"协议2"},    {"协议3"},    {"协议4"},    {"组件0"},
    {"组件1"},    {"组件2"},    {"组件3"},    {"组件4"},
    {"组件5"},    {"目录0"},    {"目录1"},    {"目录2"},
    {"目录3"},    {"目录4"},    {"目录5"},    {"安装0"},
    {"安装1"},    {"安装2"},    {"安装s"},    {"完成0"},
    {"完成1"},    {"背景"},     {"树框"},     {"按钮"},
};

constexpr std::string_view kScriptSections[] = {kScriptInstall, kScriptUnzip, kScriptFinish,
                                                kScriptDescribe};
constexpr std::string_view kScriptCommands[] = {kCommandRemoveZip, kCommandAssignZip,
                                                kCommandRemoveDump, kBindDesktop,
                                                kBindStartMenu, kBindQuickLaunch};

constexpr std::string_view kBuiltInVariables[] = {
    "%ProductName%", "%Version%",     "%CompanyCopyright%", "%MainExe%",     "%ProgramFiles%",
    "%ProgramFiles_x86%", "%TempDir%", "%WindowsDir%",      "%System32%",    "%SysWoW64%",
    "%FONTS%",       "%MenuDir%",     "%InstallPath%",      "%Desktop%",     "%MyDocument%",
    "%UserName%",    "%RunPath%",     "%AC%",               "%QuickLaunch%", "%UserProfile%",
    "%AppData%",     "%LastInPath%",  "%ET%",               "%SysDrive%",
};

}  // namespace

std::span<const SettingSection> DataIniSections() { return kSections; }

const SettingSection* FindDataIniSection(std::string_view name) {
  for (const SettingSection& s : kSections)
    if (EqualsIgnoreCase(s.name, name)) return &s;
  return nullptr;
}

const SettingKey* FindDataIniKey(const SettingSection& section, std::string_view key, int* number) {
  size_t digits = key.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(key[digits - 1]))) --digits;
  for (const SettingKey& k : section.keys) {
    if (EqualsIgnoreCase(k.name, key)) {
      if (number) *number = 0;
      return &k;
    }
    if (k.numbered && digits < key.size() && EqualsIgnoreCase(k.name, key.substr(0, digits))) {
      if (number) *number = ToInt(key.substr(digits));
      return &k;
    }
  }
  return nullptr;
}

std::span<const SettingsFileName> SettingsFileNames() { return kFiles; }
std::span<const TextRecordName> DataIniTextRecords() { return kDataRecords; }
std::span<const TextRecordName> GuiTextRecords() { return kGuiRecords; }
std::span<const std::string_view> BuiltInVariableNames() { return kBuiltInVariables; }
std::span<const std::string_view> ScriptSectionNames() { return kScriptSections; }
std::span<const std::string_view> ScriptCommandNames() { return kScriptCommands; }

}  // namespace qmb
