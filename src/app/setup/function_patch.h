// Patching an exported function of a loaded module in our own 32-bit process: its entry is
// overwritten with a jump to a replacement, and can be put back for a moment (to call the real
// function from the replacement) or for good.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmb {

class FunctionPatch {
 public:
  FunctionPatch() = default;
  FunctionPatch(const FunctionPatch&) = delete;
  FunctionPatch& operator=(const FunctionPatch&) = delete;
  ~FunctionPatch();

  // Loads the module if needed and writes "mov eax, replacement; jmp eax" over the function's
  // entry, keeping the bytes it covers. False when the module or function is missing, the entry
  // cannot be written, or the function is patched already.
  bool Install(const std::string& module, const std::string& function, const void* replacement);
  // Puts the original bytes back until Resume.
  void Pause(const std::string& module, const std::string& function);
  void Resume(const std::string& module, const std::string& function);
  // Puts the original bytes back and forgets the patch. Nothing happens for an unknown function.
  void Remove(const std::string& module, const std::string& function);

 private:
  struct Record {
    std::string key;  // module name + function name
    uint8_t* address = nullptr;
    uint8_t saved[8] = {};
    uint8_t patch[7] = {};
  };
  Record* Find(const std::string& module, const std::string& function);

  std::vector<Record> records_;
};

}  // namespace qmb
