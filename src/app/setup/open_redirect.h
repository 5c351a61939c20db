// The Windows redirection of placeholder volume opens: kernel32's CreateFileW is patched for the
// duration of a run, so that an open of base.001, base.002 ... in any folder opens the real volume.
#pragma once

#include <string>
#include <vector>

#include "app/setup/function_patch.h"
#include "extract/volume_redirect.h"

namespace qmb {

// One per process (the patched function is process-wide); the patch is gone when it ends.
class CreateFileRedirection : public OpenRedirection {
 public:
  CreateFileRedirection() = default;
  CreateFileRedirection(const CreateFileRedirection&) = delete;
  CreateFileRedirection& operator=(const CreateFileRedirection&) = delete;
  ~CreateFileRedirection() override { Remove(); }

  bool Install(const std::string& base, const std::vector<std::string>& volumes) override;
  void Remove() override;

 private:
  FunctionPatch patch_;
};

}  // namespace qmb
