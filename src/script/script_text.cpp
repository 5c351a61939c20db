// The install script text and its section lookup.
#include "script/script_text.h"

#include <algorithm>

#include "base/data_cipher.h"
#include "base/path.h"
#include "base/text.h"

namespace qmb {

namespace {

constexpr std::string_view kBlockOpen = "\r\n｛";
constexpr std::string_view kBlockClose = "｝";
// The packaging tool writes "\r\n\r\n" after the closing brace; it belongs to the block.
constexpr size_t kBlockTail = 4;

}  // namespace

void LoadScriptText(Context& ctx) {
  std::string path = JoinPath(ctx.startup.work_folder, "choolantern.ini");
  std::string raw = ctx.platform.files.ReadAll(path).value_or(std::string());
  ctx.script.text.clear();
  if (raw.empty()) {
    ctx.log.Step("install script: none");
    return;
  }
  auto plain = Decipher(raw, kScriptKey);
  if (!plain) {
    ctx.log.Failure("decipher install script; taken as empty");
    return;
  }
  ctx.script.text = std::move(*plain);
  ctx.log.Step("install script: " + std::to_string(ctx.script.text.size()) + " bytes");
}

ScriptSection FindScriptSection(std::string_view script, std::string_view component,
                                std::string_view section) {
  std::string opening(component);
  opening.append(kBlockOpen);
  size_t start = script.find(opening);
  if (start == std::string_view::npos) return {};
  size_t close = script.find(kBlockClose, start + opening.size());
  size_t end = close == std::string_view::npos
                   ? script.size()
                   : std::min(script.size(), close + kBlockClose.size() + kBlockTail);
  std::string_view block = script.substr(start, end - start);
  if (section.empty()) return ScriptSection{true, std::string(block)};
  std::string head(section);
  head.append("(){");
  return ScriptSection{true, TextBetween(block, head, "\r\n}")};
}

}  // namespace qmb
