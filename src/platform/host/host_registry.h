// An in-memory registry with the two views of 64-bit Windows. On a simulated 64-bit Windows the
// default and 32-bit views are one registry and the 64-bit view another; on a simulated 32-bit
// Windows every view is the same registry. Key and value names compare case-insensitively (ASCII).
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "platform/registry.h"

namespace qmb {

class HostRegistry : public Registry {
 public:
  // is_64bit_windows tells at each call which Windows is simulated.
  explicit HostRegistry(std::function<bool()> is_64bit_windows)
      : is_64bit_windows_(std::move(is_64bit_windows)) {}

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

  // For tests: the names of a key's direct subkeys and of its values, as they were first written.
  std::vector<std::string> SubKeys(RegRoot root, const std::string& key, RegView view) const;
  std::vector<std::string> ValueNames(RegRoot root, const std::string& key, RegView view) const;

 private:
  struct Key {
    std::string name;                                              // last part, as written
    std::map<std::string, std::pair<std::string, RegValue>> values;  // folded name -> (name, value)
  };
  // Keys by root and folded path ("software\\x"); the root itself is the empty path.
  using Store = std::map<std::pair<int, std::string>, Key>;

  Store& StoreOf(RegView view);
  const Store& StoreOf(RegView view) const;
  const Key* Find(RegRoot root, const std::string& key, RegView view) const;

  std::function<bool()> is_64bit_windows_;
  Store stores_[2];  // [0]: the 32-bit (and only) registry, [1]: the 64-bit view
};

}  // namespace qmb
