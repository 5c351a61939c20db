// Entry patches for x86 and x86-64 code in our own process.
#include "app/setup/function_patch.h"

#include <cstring>

#include "platform/win32/wide.h"
#include "platform/win32/windows_include.h"

namespace qmb {
namespace {

// "mov eax, imm32; jmp eax", or with a REX.W prefix "mov rax, imm64; jmp rax": the register is
// free to clobber at a function's entry under both calling conventions.
template <size_t N>
void WriteJump(uint8_t (&patch)[N], const void* replacement) {
  const auto target = reinterpret_cast<uintptr_t>(replacement);
  size_t at = 0;
  if constexpr (sizeof(target) == 8) patch[at++] = 0x48;  // REX.W
  patch[at++] = 0xB8;                                      // mov (e|r)ax, imm
  for (size_t i = 0; i < sizeof(target); ++i) patch[at++] = static_cast<uint8_t>(target >> (8 * i));
  patch[at++] = 0xFF;  // jmp (e|r)ax
  patch[at++] = 0xE0;
  static_assert(N == 3 + sizeof(target) + (sizeof(target) == 8 ? 1 : 0), "jump size");
}

// Makes the bytes writable and executable, writes them and drops stale decoded instructions.
bool WriteCode(uint8_t* address, const uint8_t* bytes, size_t size) {
  DWORD old_protection = 0;
  if (!VirtualProtect(address, size, PAGE_EXECUTE_READWRITE, &old_protection)) return false;
  std::memcpy(address, bytes, size);
  FlushInstructionCache(GetCurrentProcess(), address, size);
  return true;
}

}  // namespace

FunctionPatch::~FunctionPatch() {
  for (Record& record : records_) WriteCode(record.address, record.saved, sizeof(record.saved));
}

FunctionPatch::Record* FunctionPatch::Find(const std::string& module, const std::string& function) {
  for (Record& record : records_) {
    if (record.key == module + function) return &record;
  }
  return nullptr;
}

bool FunctionPatch::Install(const std::string& module, const std::string& function,
                            const void* replacement) {
  if (Find(module, function) != nullptr) return false;
  const std::wstring module_name = Wide(module);
  HMODULE handle = GetModuleHandleW(module_name.c_str());
  if (handle == nullptr) handle = LoadLibraryW(module_name.c_str());
  if (handle == nullptr) return false;
  auto* address = reinterpret_cast<uint8_t*>(GetProcAddress(handle, function.c_str()));
  if (address == nullptr) return false;

  Record record;
  record.key = module + function;
  record.address = address;
  std::memcpy(record.saved, address, sizeof(record.saved));
  WriteJump(record.patch, replacement);
  if (!WriteCode(address, record.patch, sizeof(record.patch))) return false;
  records_.push_back(record);
  return true;
}

void FunctionPatch::Pause(const std::string& module, const std::string& function) {
  if (Record* record = Find(module, function)) {
    WriteCode(record->address, record->saved, sizeof(record->saved));
  }
}

void FunctionPatch::Resume(const std::string& module, const std::string& function) {
  if (Record* record = Find(module, function)) {
    WriteCode(record->address, record->patch, sizeof(record->patch));
  }
}

void FunctionPatch::Remove(const std::string& module, const std::string& function) {
  for (auto it = records_.begin(); it != records_.end(); ++it) {
    if (it->key != module + function) continue;
    WriteCode(it->address, it->saved, sizeof(it->saved));
    records_.erase(it);
    return;
  }
}

}  // namespace qmb
