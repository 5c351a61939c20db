// Modules for tests: a test registers a library by the bytes of its file and gives each export as
// a function; loading a file with those bytes yields that library. Loads and calls are counted.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/modules.h"

namespace qmb {

class HostFiles;

class HostModules : public Modules {
 public:
  using Export = std::function<int32_t(const DllArguments&)>;

  explicit HostModules(HostFiles& files) : files_(files) {}

  // A file holding exactly these bytes loads as a library with these exports.
  void Register(const std::string& bytes, std::map<std::string, Export> exports);

  // A routine a DLL hands over by address (a callback): the address to pass, called like an export.
  uintptr_t AddRoutine(Export routine);

  uintptr_t Load(const std::string& path) override;
  uintptr_t FindExport(uintptr_t module, const std::string& name) override;
  int32_t Call(uintptr_t function, const DllArguments& arguments) override;

  int load_attempts() const { return load_attempts_; }
  int loads() const { return loads_; }  // successful ones

 private:
  struct Library {
    std::string bytes;
    std::map<std::string, Export> exports;
  };
  HostFiles& files_;
  std::vector<Library> libraries_;
  std::deque<Export> routines_;  // a deque: the function list points into it
  // Function handles index this list (plus one), so 0 stays "none".
  std::vector<const Export*> functions_;
  int load_attempts_ = 0;
  int loads_ = 0;
};

}  // namespace qmb
