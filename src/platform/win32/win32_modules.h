// Modules through LoadLibraryW and GetProcAddress; calls through a thunk that keeps the caller's
// stack whatever the export pops.
#pragma once

#include "platform/modules.h"

namespace qmb {

class Win32Modules : public Modules {
 public:
  uintptr_t Load(const std::string& path) override;
  uintptr_t FindExport(uintptr_t module, const std::string& name) override;
  int32_t Call(uintptr_t function, const DllArguments& arguments) override;
};

}  // namespace qmb
