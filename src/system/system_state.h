// What the system-integration steps (shortcuts, registry entries, uninstall record) keep for the
// whole run and hand on to each other.
#pragma once

#include <string>

namespace qmb {

struct SystemState {
  // The registry values the package marked for removal, as the registry step lists them for the
  // uninstall record.
  std::string uninstall_registry_list;
};

}  // namespace qmb
