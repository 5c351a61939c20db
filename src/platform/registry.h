// The registry port. Keys are GBK paths below a root; the view picks the 32- or 64-bit registry on
// 64-bit Windows (the win32 side switches WOW64 redirection and reflection off around 64-bit access).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qmb {

// Root indexes as the registry data of a package numbers them.
enum class RegRoot : int {
  kClassesRoot = 1,
  kCurrentConfig = 2,
  kCurrentUser = 3,
  kLocalMachine = 4,
  kUsers = 5,
};

enum class RegView { kDefault, k32, k64 };

enum RegType : uint32_t { kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4 };

struct RegValue {
  uint32_t type = 0;
  std::string data;  // raw bytes as stored (strings carry their terminating zero)
};

// A value as text, the way QueryString reads it: a REG_DWORD as its decimal number, anything else as
// its bytes up to the first zero (so strings lose their terminator).
inline std::string RegValueText(const RegValue& value) {
  if (value.type == kRegDword && value.data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(value.data[i]);
    return std::to_string(n);
  }
  return value.data.substr(0, value.data.find('\0'));
}

class Registry {
 public:
  virtual ~Registry() = default;
  // A value read as text (RegValueText); nullopt when absent.
  virtual std::optional<std::string> QueryString(RegRoot root, const std::string& key,
                                                 const std::string& name, RegView view) = 0;
  virtual std::optional<RegValue> QueryValue(RegRoot root, const std::string& key,
                                             const std::string& name, RegView view) = 0;
  // Creates the key when missing and sets the value (bytes passed as they are stored; string types
  // are GBK and get a terminating zero when they lack one).
  virtual bool SetValue(RegRoot root, const std::string& key, const std::string& name,
                        uint32_t type, std::string_view data, RegView view) = 0;
  virtual bool DeleteValue(RegRoot root, const std::string& key, const std::string& name,
                           RegView view) = 0;
  // Deletes a key with all its subkeys.
  virtual bool DeleteKey(RegRoot root, const std::string& key, RegView view) = 0;
  // Deletes a key that has no subkeys, with its values; false when it has subkeys or is missing.
  virtual bool DeleteLeafKey(RegRoot root, const std::string& key, RegView view) = 0;
  // Deletes a key that holds neither subkeys nor values; false when it holds any or is missing.
  virtual bool DeleteEmptyKey(RegRoot root, const std::string& key, RegView view) = 0;
  virtual bool KeyExists(RegRoot root, const std::string& key, RegView view) = 0;
};

}  // namespace qmb
