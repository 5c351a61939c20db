// What the process keeps of its support DLLs: the loaded ones in load order and the argument copies
// whose addresses they were given.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace qmb {

class DllRequestWindow;

struct LoadedDll {
  std::string path;  // support DLL folder + "\" + MD5 name
  uintptr_t handle = 0;
};

struct SupportDllState {
  std::vector<LoadedDll> loaded;
  // Text and byte arguments, kept until the process ends: a DLL may hold on to the addresses.
  std::deque<std::string> kept_arguments;
  // Texts the request routines answered with, kept for the same reason.
  std::deque<std::string> kept_answers;
  // Tables of text addresses answered with (request 1014), kept likewise.
  std::deque<std::vector<intptr_t>> kept_tables;

  // What DLLs set for the wizard: the installing page is not brought forward (request 1009); a
  // stdcall routine called with the page number after each page change (request 1006); no 1001
  // notices while a page is inserted (request 1004).
  bool silent_page_switch = false;
  uintptr_t page_change_callback = 0;
  bool suppress_page_notices = false;
  // The stdcall routine without arguments that fills the components tree (request 1010), set by
  // the program's entry point.
  uintptr_t fill_tree_routine = 0;
  // The wizard window, for the requests that reach its controls; none in the background mode.
  DllRequestWindow* window = nullptr;
};

}  // namespace qmb
