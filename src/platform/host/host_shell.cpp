// The recorded shell.
#include "platform/host/host_shell.h"

namespace qmb {

bool HostShell::Open(const std::string& file, const std::string& parameters,
                     const std::string& directory, ShowMode show) {
  calls_.push_back({"", file, parameters, directory, show, false});
  return handler_ ? handler_(calls_.back()) : true;
}

bool HostShell::Execute(const std::string& verb, const std::string& file,
                        const std::string& parameters, const std::string& directory,
                        ShowMode show, bool wait) {
  calls_.push_back({verb, file, parameters, directory, show, wait});
  return handler_ ? handler_(calls_.back()) : true;
}

bool HostShell::CreateLink(const LinkSpec& link) {
  std::string text = "[link]\r\ntarget=" + link.target + "\r\narguments=" + link.arguments +
                     "\r\nworking_dir=" + link.working_dir + "\r\nicon=" + link.icon +
                     "\r\ndescription=" + link.description + "\r\n";
  if (!files_.WriteAll(link.link_path, text)) return false;
  links_.push_back(link);
  links_by_host_path_[files_.HostPath(link.link_path)] = link;
  return true;
}

const LinkSpec* HostShell::FindLink(const std::string& path) const {
  if (!files_.Exists(path)) return nullptr;
  auto it = links_by_host_path_.find(files_.HostPath(path));
  return it != links_by_host_path_.end() ? &it->second : nullptr;
}

}  // namespace qmb
