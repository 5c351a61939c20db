// Fuzzes the readers of the package's settings texts: INI, the named-value store, the compressed
// and enciphered file forms, GBK splitting, and the install script with its components tree.
#include <algorithm>
#include <string>
#include <string_view>

#include "base/compressed_form.h"
#include "base/data_cipher.h"
#include "base/ini.h"
#include "base/text.h"
#include "base/value_store.h"
#include "context/context.h"
#include "platform/host/host_platform.h"
#include "script/script_line.h"
#include "script/script_text.h"
#include "wizard/components_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qmb;
  static HostPlatform host;
  const std::string text(reinterpret_cast<const char*>(data), size);

  const IniFile ini(text);
  for (const std::string& section : ini.SectionNames())
    for (const std::string& key : ini.KeyNames(section)) ini.Value(section, key);
  IniFile(ini.Serialize());

  // The first bytes double as the names looked up and set.
  const std::string_view view(text);
  std::string value;
  StoreGet(text, view.substr(0, 8), value);
  std::string changed;
  StoreSet(text, view.substr(0, 4), view.substr(std::min<size_t>(4, view.size()), 8), changed);

  DecompressForm(text);
  Decipher(text, kGuiTextKey);
  SplitGbk(text, '\\');

  const ScriptSection install = FindScriptSection(text, "Treelists", "Install");
  for (const std::string& line : Split(install.body, "\r\n")) ParseScriptLine(line);
  Context ctx(host.platform());
  ctx.script.text = text;
  FillComponentsTree(ctx);
  return 0;
}
