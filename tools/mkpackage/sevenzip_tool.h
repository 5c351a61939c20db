// Running 7zz and the other tools: arguments go to the program as a vector (no shell, so passwords and
// names with blanks or quotes pass unchanged), its output is silenced and its error text kept.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qmb::mkpackage {

// Runs "7zz" with args in folder cwd, under a UTF-8 locale so that names and passwords are read as
// UTF-8. True when it exits with 0; otherwise error holds what it reported. With a progress
// callback, 7zz reports its progress and the callback receives each new percentage.
bool RunSevenZip(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                 std::string& error, const std::function<void(int)>& progress = {});

// Runs argv[0] (looked up in PATH) with the rest of argv in folder cwd under a UTF-8 locale; its
// output is kept for the error text (with a progress callback, its standard output goes to the
// percentage parser instead) and handed to output when given. True when it exits with 0.
bool RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& cwd,
                std::string& error, const std::function<void(int)>& progress = {},
                std::string* output = nullptr);

// A fresh folder that is removed with its content when the object goes.
class TempFolder {
 public:
  explicit TempFolder(const std::filesystem::path& parent);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  bool ok() const { return !path_.empty(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace qmb::mkpackage
