// The catalogue against the runtime's own sources: every key a reader asks for is catalogued, every
// catalogued key that the runtime is said to read has a reader, and the built-in variables are the
// ones the variable table computes.
#include "startup/settings_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "base/gbk_codec.h"
#include "platform/host/host_platform.h"
#include "startup/settings_variables.h"

namespace qmb {
namespace {

namespace fs = std::filesystem;

// The runtime's sources (UTF-8), tests and the catalogue itself left out.
std::string RuntimeSources() {
  std::string all;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(QMB_SOURCE_DIR) / "src")) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name.ends_with("_test.cpp") ||
        name.starts_with("settings_catalogue") ||
        !(name.ends_with(".cpp") || name.ends_with(".h")))
      continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    all += text.str();
  }
  return all;
}

// The name as it stands in a source file: a UTF-8 string literal, opened (and closed).
std::string Quoted(std::string_view gbk, bool closed) {
  std::string out(1, '"');
  out.append(GbkToUtf8(std::string(gbk)));
  if (closed) out.push_back('"');
  return out;
}

bool IsCataloguedReadKey(const std::string& utf8_key) {
  const std::string key = Utf8ToGbk(utf8_key);
  for (const SettingSection& section : DataIniSections()) {
    int number = 0;
    const SettingKey* k = FindDataIniKey(section, key, &number);
    if (k && k->read && section.read) return true;
  }
  return false;
}

TEST(SettingsCatalogueTest, EveryKeyTheRuntimeReadsIsCatalogued) {
  const std::string sources = RuntimeSources();
  // The readers of data.ini: ReadSetting, ReadSettingIn, the parsed file's Value, and the small
  // per-module lambdas that wrap them.
  const std::regex reader(
      R"re((ReadSetting\(ctx,|ReadSettingIn\(ctx, [^,()]+,|data(_ini)?\.Value\(kMainSection,|setting\(|value\()\s*"([^"]+)")re");
  int seen = 0;
  for (auto it = std::sregex_iterator(sources.begin(), sources.end(), reader);
       it != std::sregex_iterator(); ++it) {
    const std::string key = (*it)[3];
    EXPECT_TRUE(IsCataloguedReadKey(key)) << "the runtime reads \"" << key << "\"";
    ++seen;
  }
  EXPECT_GT(seen, 40);  // the pattern still finds the readers
}

TEST(SettingsCatalogueTest, EveryReadKeyHasAReader) {
  const std::string sources = RuntimeSources();
  for (const SettingSection& section : DataIniSections()) {
    for (const SettingKey& key : section.keys) {
      if (!key.read || !section.read) continue;
      const std::string quoted = Quoted(key.name, true);
      EXPECT_NE(sources.find(quoted), std::string::npos)
          << GbkToUtf8(std::string(section.name)) << "/" << quoted << " is read nowhere";
    }
  }
  for (const SettingsFileName& file : SettingsFileNames()) {
    if (!file.read) continue;
    const std::string quoted = Quoted(file.name, false);
    EXPECT_NE(sources.find(quoted), std::string::npos) << quoted << " is opened nowhere";
  }
}

TEST(SettingsCatalogueTest, BuiltInVariablesAreTheComputedOnes) {
  HostPlatform host;
  Context ctx(host.platform());
  const IniFile data("[禾木软件安装配置]\r\n禾木软件名称=x\r\n");
  std::set<std::string> listed;
  for (std::string_view name : BuiltInVariableNames()) {
    listed.emplace(name);
    EXPECT_TRUE(BuiltInVariableValue(ctx, name, data).has_value()) << name;
  }
  EXPECT_FALSE(BuiltInVariableValue(ctx, "%DemoHome%", data).has_value());
  // Every name the variable table compares against is listed.
  std::ifstream in(fs::path(QMB_SOURCE_DIR) / "src/startup/settings_variables.cpp");
  std::stringstream text;
  text << in.rdbuf();
  const std::string source = text.str();
  const std::regex compared(R"(name == "(%[^"]+%)\")");
  int seen = 0;
  for (auto it = std::sregex_iterator(source.begin(), source.end(), compared);
       it != std::sregex_iterator(); ++it, ++seen)
    EXPECT_TRUE(listed.count(Utf8ToGbk((*it)[1].str()))) << (*it)[1];
  EXPECT_EQ(seen, static_cast<int>(listed.size()));
}

TEST(SettingsCatalogueTest, NumberedKeysCarryTheirNumber) {
  const SettingSection* shortcuts = FindDataIniSection("新建快捷方式参数");
  ASSERT_NE(shortcuts, nullptr);
  int number = -1;
  const SettingKey* key = FindDataIniKey(*shortcuts, "参数文件名12", &number);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->form, ValueForm::kPayloadFile);
  EXPECT_EQ(number, 12);
  EXPECT_EQ(FindDataIniKey(*shortcuts, "欲运行的次数1", &number), nullptr);  // not numbered
  EXPECT_NE(FindDataIniKey(*FindDataIniSection("ML"), "CH", &number), nullptr);  // any case
}

}  // namespace
}  // namespace qmb
