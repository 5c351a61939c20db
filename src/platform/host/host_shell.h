// The recorded shell: opens, executes and taskbar verbs are kept for the test. A link is a small
// text file at its path (so existence checks work) plus the recorded LinkSpec.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "platform/host/host_files.h"
#include "platform/shell.h"

namespace qmb {

struct ShellCall {
  std::string verb;  // empty for Open
  std::string file;
  std::string parameters;
  std::string directory;
  ShowMode show = ShowMode::kNormal;
  bool wait = false;
};

struct TaskbarVerbCall {
  std::string folder;
  std::string file;
  bool pin = false;
};

class HostShell : public Shell {
 public:
  explicit HostShell(HostFiles& files) : files_(files) {}

  // Called for every Open and Execute; its result is theirs. Without a handler every call succeeds.
  using Handler = std::function<bool(const ShellCall&)>;
  void SetHandler(Handler handler) { handler_ = std::move(handler); }

  bool Open(const std::string& file, const std::string& parameters, const std::string& directory,
            ShowMode show) override;
  bool Execute(const std::string& verb, const std::string& file, const std::string& parameters,
               const std::string& directory, ShowMode show, bool wait) override;
  // Fails like the real one when the link's folder is missing.
  bool CreateLink(const LinkSpec& link) override;
  void InvokeTaskbarVerb(const std::string& folder, const std::string& file, bool pin) override {
    taskbar_verbs_.push_back({folder, file, pin});
  }

  const std::vector<ShellCall>& calls() const { return calls_; }
  const std::vector<LinkSpec>& links() const { return links_; }  // every link made, in order
  const std::vector<TaskbarVerbCall>& taskbar_verbs() const { return taskbar_verbs_; }
  // The last link written at path while its file still exists; nullptr otherwise.
  const LinkSpec* FindLink(const std::string& path) const;

 private:
  HostFiles& files_;
  Handler handler_;
  std::vector<ShellCall> calls_;
  std::vector<LinkSpec> links_;
  std::map<std::string, LinkSpec> links_by_host_path_;
  std::vector<TaskbarVerbCall> taskbar_verbs_;
};

}  // namespace qmb
