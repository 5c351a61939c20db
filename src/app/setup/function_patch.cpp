// Entry patches for 32-bit x86 code in our own process.
#include "app/setup/function_patch.h"

#include <cstring>

#include "platform/win32/wide.h"
#include "platform/win32/windows_include.h"

namespace qmb {
namespace {

static_assert(sizeof(void*) == 4, "the jump holds a 32-bit address");

constexpr uint8_t kMovEax = 0xB8;
constexpr uint8_t kJmpEax[2] = {0xFF, 0xE0};

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
  const auto target = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(replacement));
  record.patch[0] = kMovEax;
  for (int i = 0; i < 4; ++i) record.patch[1 + i] = static_cast<uint8_t>(target >> (8 * i));
  record.patch[5] = kJmpEax[0];
  record.patch[6] = kJmpEax[1];
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
