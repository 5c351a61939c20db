// The registry through the W functions of advapi32. On 64-bit Windows the 64-bit view adds
// KEY_WOW64_64KEY, with file-system redirection switched off around the access and registry
// reflection off for the key while it is changed; on 32-bit Windows every view is the one registry.
#pragma once

#include "platform/registry.h"

namespace qmb {

class Win32Registry : public Registry {
 public:
  Win32Registry();

  std::optional<std::string> QueryString(RegRoot root, const std::string& key,
                                         const std::string& name, RegView view) override;
  std::optional<RegValue> QueryValue(RegRoot root, const std::string& key,
                                     const std::string& name, RegView view) override;
  bool SetValue(RegRoot root, const std::string& key, const std::string& name, uint32_t type,
                std::string_view data, RegView view) override;
  bool DeleteValue(RegRoot root, const std::string& key, const std::string& name,
                   RegView view) override;
  bool DeleteKey(RegRoot root, const std::string& key, RegView view) override;
  bool DeleteLeafKey(RegRoot root, const std::string& key, RegView view) override;
  bool DeleteEmptyKey(RegRoot root, const std::string& key, RegView view) override;
  bool KeyExists(RegRoot root, const std::string& key, RegView view) override;

 private:
  bool is_64bit_windows_;
};

}  // namespace qmb
