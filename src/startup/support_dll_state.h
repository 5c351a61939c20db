// What the process keeps of its support DLLs: the loaded ones in load order and the argument copies
// whose addresses they were given.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace qmb {

struct LoadedDll {
  std::string path;  // support DLL folder + "\" + MD5 name
  uintptr_t handle = 0;
};

struct SupportDllState {
  std::vector<LoadedDll> loaded;
  // Text and byte arguments, kept until the process ends: a DLL may hold on to the addresses.
  std::deque<std::string> kept_arguments;
  // Texts the message entry routine answered with, kept for the same reason.
  std::deque<std::string> kept_answers;
};

}  // namespace qmb
