// Loading and expanding the settings files. Every variable acts on the text as the earlier ones
// left it, so a value holding a later variable's name is expanded again when that variable's turn
// comes, while one holding an earlier variable's name stays as it is.
#include "startup/settings_loader.h"

#include <vector>

#include "base/compressed_form.h"
#include "base/data_cipher.h"
#include "base/path.h"
#include "base/text.h"
#include "startup/progress_settings.h"
#include "startup/settings_resources.h"
#include "startup/settings_variables.h"

namespace qmb {

namespace {

// The texts the variables are expanded in.
struct SettingsTexts {
  std::string data_ini;
  std::string registry;
  std::string dll_settings;
  std::string gui_text;
  std::string except_text;
};

class WorkFolder {
 public:
  explicit WorkFolder(Context& ctx) : ctx_(ctx) {}

  std::string Path(std::string_view name) const {
    return JoinPath(ctx_.startup.work_folder, name);
  }
  // A missing file reads as empty.
  std::string Read(std::string_view name) const {
    return ctx_.platform.files.ReadAll(Path(name)).value_or(std::string());
  }
  void Write(std::string_view name, std::string_view data) const {
    if (!ctx_.platform.files.WriteAll(Path(name), data))
      ctx_.log.Failure("write back settings file " + std::string(name));
  }
  // An enciphered file that does not decipher (for instance one stored plain) is taken as empty.
  std::string ReadEnciphered(std::string_view name, std::string_view key) const {
    std::string raw = Read(name);
    if (raw.empty()) return raw;
    auto plain = Decipher(raw, key);
    if (!plain) {
      ctx_.log.Failure("decipher settings file " + std::string(name) + "; taken as empty");
      return {};
    }
    return *plain;
  }

 private:
  Context& ctx_;
};

std::string ReadRegistryData(Context& ctx, const WorkFolder& folder) {
  std::string raw = folder.Read("QMBREG.db");
  if (raw.empty()) return raw;
  auto data = DecompressForm(raw);
  if (!data) {
    ctx.log.Failure("decompress QMBREG.db; no registry data");
    return {};
  }
  return *data;
}

void ExpandVariable(SettingsTexts& t, const std::string& name, const std::string& value) {
  t.data_ini = ReplaceAll(t.data_ini, name, value);
  // Registry-file strings double their backslashes; the SXG form asks for exactly that. Values
  // without a backslash (the kept-back variables) leave their SXG form for install time.
  std::string doubled = DoubleBackslashes(value);
  if (doubled != value) t.registry = ReplaceAll(t.registry, "SXG(" + name + ")", doubled);
  t.registry = ReplaceAll(t.registry, name, value);
  t.dll_settings = ReplaceAll(t.dll_settings, name, value);
  t.gui_text = ReplaceAll(t.gui_text, name, value);
  t.except_text = ReplaceAll(t.except_text, name, value);
}

}  // namespace

void LoadSettings(Context& ctx) {
  if (ctx.startup.work_folder.empty()) {
    ctx.log.Failure("load settings: no work folder");
    return;
  }
  WorkFolder folder(ctx);
  std::string variable_ini = folder.Read("variable.ini");
  IniFile variables(variable_ini);

  SettingsTexts t;
  t.data_ini = folder.Read("data.ini");
  t.registry = ReadRegistryData(ctx, folder);
  t.dll_settings = folder.Read("QMBDLL_s.ini");
  std::string resource_records = folder.Read("var_data.ini");
  ctx.settings.uninstall_blob = t.dll_settings + kUninstallBlobSeparator +
                                folder.Read("QMBDLL.db") + kUninstallBlobSeparator +
                                resource_records + kUninstallBlobSeparator + variable_ini +
                                kUninstallBlobSeparator;
  t.gui_text = folder.ReadEnciphered("GUItext.ini", kGuiTextKey);
  t.except_text = folder.ReadEnciphered("Except.ini", kExceptKey);

  // Settings-based built-ins read the main settings as unpacked.
  const IniFile unpacked_data(t.data_ini);
  std::vector<ResourceReference> references;
  std::vector<std::string> names = variables.SectionNames();
  for (const std::string& name : names) {
    std::string value = BuiltInVariableValue(ctx, name, unpacked_data)
                            .value_or(variables.Value(name, "数据"));
    if (StartsWith(value, kResourcePrefix)) {
      if (auto data = ResourceData(resource_records, value))
        references.push_back(ResourceReference{value, std::move(*data)});
    }
    ExpandVariable(t, name, value);
  }
  ctx.log.Step("settings: " + std::to_string(names.size()) + " variables, " +
               std::to_string(references.size()) + " resource references");

  if (!references.empty()) {
    t.data_ini = ReplaceReferences(t.data_ini, references);
    t.registry = ReplaceReferences(t.registry, references);
    t.dll_settings = ReplaceReferences(t.dll_settings, references);
    t.gui_text = ReplaceReferences(t.gui_text, references);
    t.except_text = ReplaceReferences(t.except_text, references);
  }

  // The expanded texts go back into our unpacked copy, where later steps and support DLLs find
  // them. The author's own files of a test run keep their variables (and their cipher).
  if (ctx.startup.settings_from_program_folder()) {
    ctx.log.Step("settings: test run, the program folder's files are left as they are");
  } else {
    folder.Write("data.ini", t.data_ini);
    folder.Write("QMBDLL_s.ini", t.dll_settings);
    folder.Write("GUItext.ini", t.gui_text);
    folder.Write("Except.ini", t.except_text);
  }

  ctx.settings.data = IniFile(t.data_ini);
  ctx.settings.data_ini = std::move(t.data_ini);
  ctx.settings.registry_data = std::move(t.registry);
  ctx.settings.dll_settings = std::move(t.dll_settings);
  ctx.settings.gui_text = std::move(t.gui_text);
  ctx.settings.except_text = std::move(t.except_text);

  ctx.startup.show_space = IsTrue(ReadSetting(ctx, "选择框_显示空间"));
  if (ctx.startup.show_space) ctx.startup.required_size = ToInt64(ReadSetting(ctx, "压缩原大小"));
  LoadProgressSettings(ctx);
}

std::string ReadSetting(const Context& ctx, std::string_view key) {
  return ReadSettingIn(ctx, kMainSection, key);
}

std::string ReadSettingIn(const Context& ctx, std::string_view section, std::string_view key) {
  return ctx.settings.data.Value(section, key);
}

}  // namespace qmb
