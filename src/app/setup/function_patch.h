// Patching an exported function of a loaded module in our own process: its entry is overwritten
// with a jump to a replacement, and can be put back for a moment (to call the real function from the
// replacement) or for good. The jump is "mov eax, imm32; jmp eax" (7 bytes) in a 32-bit process and
// "mov rax, imm64; jmp rax" (12 bytes) in a 64-bit one.
#pragma once

#include <cstddef>
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

  // Loads the module if needed and writes the jump to the replacement over the function's entry,
  // keeping the bytes it covers. False when the module or function is missing, the entry
  // cannot be written, or the function is patched already.
  bool Install(const std::string& module, const std::string& function, const void* replacement);
  // Puts the original bytes back until Resume.
  void Pause(const std::string& module, const std::string& function);
  void Resume(const std::string& module, const std::string& function);
  // Puts the original bytes back and forgets the patch. Nothing happens for an unknown function.
  void Remove(const std::string& module, const std::string& function);

 private:
  static constexpr size_t kJumpSize = sizeof(void*) == 8 ? 12 : 7;
  struct Record {
    std::string key;  // module name + function name
    uint8_t* address = nullptr;
    uint8_t saved[kJumpSize] = {};
    uint8_t patch[kJumpSize] = {};
  };
  Record* Find(const std::string& module, const std::string& function);

  std::vector<Record> records_;
};

}  // namespace qmb
