#include "startup/switches.h"

#include "context/context.h"
#include "startup/settings_catalogue.h"

namespace qmb {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool Contains(std::string_view text, const std::string& part) {
  return !part.empty() && text.find(part) != std::string_view::npos;
}

}  // namespace

std::string PathSwitchValue(std::string_view text, std::string_view p) {
  if (p.empty()) return {};
  const size_t at = text.find(p);
  if (at == std::string_view::npos) return {};
  std::string_view rest = text.substr(at + p.size());
  size_t i = 0;
  while (i < rest.size() && IsBlank(rest[i])) ++i;
  rest.remove_prefix(i);
  if (!rest.empty() && rest[0] == '"') {
    // Only this argument's quotes count: a later quoted argument must not be pulled in.
    const size_t end = rest.find('"', 1);
    return std::string(rest.substr(1, end == std::string_view::npos ? rest.npos : end - 1));
  }
  size_t end = 0;
  while (end < rest.size() && !IsBlank(rest[end])) ++end;
  return std::string(rest.substr(0, end));
}

void EvaluateSwitches(Context& ctx, const IniFile& data_ini) {
  StartupState& s = ctx.startup;
  const auto value = [&](std::string_view key, std::string_view fallback) {
    std::string v = data_ini.Value(kSwitchSection, key);
    return v.empty() ? std::string(fallback) : v;
  };
  const std::string p = value("p", "");
  s.install_path_override = PathSwitchValue(s.argument_text, p);
  if (!s.install_path_override.empty()) {
    ctx.log.Step("switches: install folder " + s.install_path_override);
  }
  if (Contains(s.argument_text, value("jp", kDefaultDirectSwitch))) s.run_mode = kRunModeDirect;
  if (Contains(s.argument_text, value("hp", kDefaultBackgroundSwitch))) s.run_mode = kRunModeBackground;
  if (Contains(s.argument_text, value("hideend", kDefaultHideEndSwitch))) s.finish_page_switch = -1;
  ctx.log.Step("switches: run mode \"" + s.run_mode + "\", finish page " +
               std::to_string(s.finish_page_switch));
}

}  // namespace qmb
