// The redirection of file opens that makes a placeholder volume set read the real, irregularly
// named volumes: while installed, an open of a file named base + "." + VolumeSuffix(i), in any
// folder, opens volume i instead. On Windows it patches CreateFileW; natively it sits in the
// archive library's path mapper.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qmb {

class OpenRedirection {
 public:
  virtual ~OpenRedirection() = default;
  // Starts redirecting opens of base.001, base.002 ... to volumes[0], volumes[1] ...; false when
  // the redirection could not be started.
  virtual bool Install(const std::string& base, const std::vector<std::string>& volumes) = 0;
  // Stops redirecting; nothing happens when no redirection is installed.
  virtual void Remove() = 0;
};

// i in decimal, padded on the left with "0" to three digits: 1 -> "001", 1000 -> "1000".
std::string VolumeSuffix(int32_t index);

// The 0-based volume that path stands for: its last component (after the last "\" or "/") is
// exactly base + "." + VolumeSuffix(i + 1) for some i < count. Case matters.
std::optional<size_t> PlaceholderIndex(const std::string& base, size_t count,
                                       const std::string& path);

#if !defined(_WIN32)
// The native library's redirection: it wraps path_mapper (the mapper the library was bound with)
// and restores it on Remove.
std::unique_ptr<OpenRedirection> NativeOpenRedirection(
    std::function<std::string(const std::string&)> path_mapper);
#endif

}  // namespace qmb
