// Registered libraries standing in for DLLs.
#include "platform/host/host_modules.h"

#include "platform/host/host_files.h"

namespace qmb {

void HostModules::Register(const std::string& bytes, std::map<std::string, Export> exports) {
  libraries_.push_back(Library{bytes, std::move(exports)});
}

uintptr_t HostModules::AddRoutine(Export routine) {
  functions_.push_back(&routines_.emplace_back(std::move(routine)));
  return functions_.size();
}

uintptr_t HostModules::Load(const std::string& path) {
  ++load_attempts_;
  const std::optional<std::string> bytes = files_.ReadAll(path);
  if (!bytes) return 0;
  for (size_t i = 0; i < libraries_.size(); ++i) {
    if (libraries_[i].bytes == *bytes) {
      ++loads_;
      return i + 1;
    }
  }
  return 0;
}

uintptr_t HostModules::FindExport(uintptr_t module, const std::string& name) {
  if (module == 0 || module > libraries_.size()) return 0;
  const auto& exports = libraries_[module - 1].exports;
  const auto it = exports.find(name);
  if (it == exports.end()) return 0;
  functions_.push_back(&it->second);
  return functions_.size();
}

int32_t HostModules::Call(uintptr_t function, const DllArguments& arguments) {
  if (function == 0 || function > functions_.size()) return -1;
  return (*functions_[function - 1])(arguments);
}

}  // namespace qmb
