// Registry values and scripts.
#include "system/registry_writer.h"

#include <algorithm>

#include "base/gbk_codec.h"
#include "base/registry_store.h"
#include "base/text.h"
#include "system/created_items.h"

namespace qmb {

namespace {

constexpr std::string_view kScriptName = "QMB.reg";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";

// The view text "64" asks for the 64-bit view; any other text for the 32-bit one.
RegView RegistryViewOf(std::string_view view_text) {
  return view_text == "64" ? RegView::k64 : RegView::k32;
}

// The bytes stored for a value: REG_DWORD as the 32-bit little-endian form of its decimal text,
// every other type as given (strings get their terminating zero from the registry port).
std::string RegistryValueBytes(uint32_t type, std::string_view value) {
  if (type != kRegDword) return std::string(value);
  // Numbers beyond 32 bits keep their low 32 bits, so "4294967295" and "-1" both give FF FF FF FF.
  auto number = static_cast<uint32_t>(static_cast<uint64_t>(ToInt64(value)));
  std::string bytes(4, '\0');
  for (char& byte : bytes) {
    byte = static_cast<char>(number & 0xFF);
    number >>= 8;
  }
  return bytes;
}

// The file bytes regedit gets for a script: a version-5 script that holds more than ASCII becomes
// UTF-16 with a byte order mark; any other script is written as it is.
std::string RegistryScriptFile(std::string_view script) {
  const bool ascii = std::all_of(script.begin(), script.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii || !script.starts_with(kVersion5Header)) return std::string(script);
  std::u16string text = GbkToUtf16(script);
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + 2 * text.size());
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// A script's text as GBK: UTF-16 (its byte order mark first) converted, anything else as it is.
std::string ScriptText(std::string_view script) {
  if (!script.starts_with("\xFF\xFE")) return std::string(script);
  return Utf16ToGbk(Utf16FromLittleEndian(script.substr(2)));
}

struct ScriptKey {
  RegRoot root;
  std::string key;
  RegView view;
};

// The levels of the script's keys that are missing now, in each view regedit may write.
std::vector<ScriptKey> MissingScriptKeys(Context& ctx, std::string_view script) {
  std::vector<RegView> views{RegView::k32};
  if (ctx.platform.env.Is64BitWindows()) views.push_back(RegView::k64);
  std::vector<ScriptKey> missing;
  for (const RegistryPath& path : RegistryScriptKeys(script)) {
    for (const RegView view : views) {
      for (std::string& key : MissingKeys(ctx.platform.registry, path.root, path.key, view)) {
        const bool listed = std::any_of(missing.begin(), missing.end(), [&](const ScriptKey& k) {
          return k.root == path.root && k.view == view && EqualsIgnoreCase(k.key, key);
        });
        if (!listed) missing.push_back({path.root, std::move(key), view});
      }
    }
  }
  return missing;
}

}  // namespace

std::vector<RegistryPath> RegistryScriptKeys(std::string_view script) {
  std::vector<RegistryPath> keys;
  for (const std::string& raw : SplitGbk(ScriptText(script), '\n')) {
    const std::string line = Trim(raw);  // a CR of a CR LF end included
    if (line.size() < 3 || line.front() != '[' || line.back() != ']' || line[1] == '-') continue;
    // A value name keeps the key's text whole (no default-value trimming).
    std::optional<RegistryPath> path =
        ParseRegistryPath(std::string_view(line).substr(1, line.size() - 2), "-", false);
    if (path && !path->key.empty()) keys.push_back(std::move(*path));
  }
  return keys;
}

uint32_t RegistryTypeCode(std::string_view type) {
  if (type == kRegSzType) return kRegSz;
  if (type == kRegBinaryType) return kRegBinary;
  if (type == kRegDwordType) return kRegDword;
  return 0;
}

bool WriteRegistryValue(Context& ctx, RegRoot root, const std::string& key, const std::string& name,
                        std::string_view value, uint32_t type, std::string_view view_text) {
  const std::string where = key + " [" + name + "] (" + std::string(view_text) + ")";
  // The journal records the keys the write creates: they are ours to remove again.
  const bool set = ctx.journal.SetValue(root, key, name, type, RegistryValueBytes(type, value),
                                        RegistryViewOf(view_text));
  if (!set) {
    ctx.log.Failure("registry value " + where);
    return false;
  }
  ctx.log.Step("registry value " + where);
  return true;
}

bool RunRegistryScript(Context& ctx, std::string_view script) {
  Files& files = ctx.platform.files;
  const std::string path = ctx.platform.env.TempFolder() + std::string(kScriptName);
  if (!files.WriteAll(path, RegistryScriptFile(script))) {
    ctx.log.Failure("cannot write the registry script " + path);
    return false;
  }
  std::vector<ScriptKey> keys = MissingScriptKeys(ctx, script);
  // Waiting costs a moment and lets the script file go with the other temporary files.
  const bool ran =
      ctx.platform.processes.Start("regedit /s \"" + path + "\"", ShowMode::kHidden, true);
  if (ran)
    ctx.log.Step("registry script run: " + path);
  else
    ctx.log.Failure("cannot start regedit for " + path);
  // The keys the script made are the install's, to remove again when empty.
  for (const ScriptKey& k : keys) {
    if (!ctx.platform.registry.KeyExists(k.root, k.key, k.view)) continue;
    ctx.log.Step("registry script created " + k.key + (k.view == RegView::k64 ? " (64)" : " (32)"));
    ctx.journal.NoteKeysCreated(k.root, {k.key}, k.view);
  }
  if (!files.RemoveFile(path)) ctx.log.Failure("cannot remove " + path);
  return ran;
}

}  // namespace qmb
