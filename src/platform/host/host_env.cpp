// The configurable environment.
#include "platform/host/host_env.h"

#include "base/text.h"

namespace qmb {

namespace {

// "#123", the text form of a numeric resource id.
std::string IdName(int id) {
  std::string name = "#";
  name += std::to_string(id);
  return name;
}

}  // namespace

HostEnv::HostEnv() {
  const std::string profile = "C:\\Users\\user";
  const std::string roaming = profile + "\\AppData\\Roaming";
  special_[SpecialFolder::kDesktop] = profile + "\\Desktop";
  special_[SpecialFolder::kPrograms] = roaming + "\\Microsoft\\Windows\\Start Menu\\Programs";
  special_[SpecialFolder::kAppData] = roaming;
  const std::pair<const char*, std::string> defaults[] = {
      {"ALLUSERSPROFILE", "C:\\ProgramData"},
      {"APPDATA", roaming},
      {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
      {"COMPUTERNAME", "HOST"},
      {"HOMEDRIVE", "C:"},
      {"HOMEPATH", "\\Users\\user"},
      {"LOCALAPPDATA", profile + "\\AppData\\Local"},
      {"ProgramData", "C:\\ProgramData"},
      {"ProgramFiles", "C:\\Program Files"},
      {"PUBLIC", "C:\\Users\\Public"},
      {"SystemDrive", "C:"},
      {"SystemRoot", "C:\\Windows"},
      {"TEMP", "C:\\Temp"},
      {"TMP", "C:\\Temp"},
      {"USERNAME", "user"},
      {"USERPROFILE", profile},
      {"windir", "C:\\Windows"},
  };
  for (const auto& [name, value] : defaults) SetVariable(name, value);
}

void HostEnv::SetVariable(const std::string& name, std::string value) {
  if (value.empty()) variables_.erase(CaseKey(name));
  else variables_[CaseKey(name)] = std::move(value);
}

std::string HostEnv::GetVariable(const std::string& name) {
  auto it = variables_.find(CaseKey(name));
  return it != variables_.end() ? it->second : std::string();
}

uint32_t HostEnv::TickCount() {
  uint32_t now = ticks_;
  ticks_ += tick_step_;
  return now;
}

void HostEnv::SetResource(const std::string& type, int id, std::string data) {
  SetResource(type, IdName(id), std::move(data));
}

void HostEnv::SetResource(const std::string& type, const std::string& name, std::string data) {
  resources_[{CaseKey(type), CaseKey(name)}] = std::move(data);
}

std::optional<std::string> HostEnv::LoadResource(const std::string& type, int id) {
  return LoadResource(type, IdName(id));
}

std::optional<std::string> HostEnv::LoadResource(const std::string& type, const std::string& name) {
  auto it = resources_.find({CaseKey(type), CaseKey(name)});
  if (it == resources_.end()) return std::nullopt;
  return it->second;
}

}  // namespace qmb
