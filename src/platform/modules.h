// The module port: loading a DLL into the process, finding an export and calling it with the fixed
// argument slots of the support-DLL interface.
#pragma once

#include <cstdint>
#include <string>

#include "base/dll_parameters.h"

namespace qmb {

class Modules {
 public:
  virtual ~Modules() = default;
  // The module's handle, or 0 when the file cannot be loaded.
  virtual uintptr_t Load(const std::string& path) = 0;
  // The export's address, or 0 when the module has none of that name.
  virtual uintptr_t FindExport(uintptr_t module, const std::string& name) = 0;
  // Calls an export with all slots as stdcall arguments, the first slot first. An export that
  // declares fewer parameters must leave the caller intact. Returns its 32-bit result.
  virtual int32_t Call(uintptr_t function, const DllArguments& arguments) = 0;
};

}  // namespace qmb
