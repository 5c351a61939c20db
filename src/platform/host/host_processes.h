// Recorded processes: every start, exit and sleep is kept for the test to inspect. A handler may
// stand in for the started program (create its files, fail the start).
#pragma once

#include <functional>
#include <vector>

#include "platform/processes.h"

namespace qmb {

struct StartCall {
  std::string command_line;
  ShowMode show = ShowMode::kNormal;
  bool wait = false;
  std::string directory;  // RunIn only
};

class HostProcesses : public Processes {
 public:
  // Called for every Start; its result is Start's result. Without a handler every start succeeds.
  using Handler = std::function<bool(const StartCall&)>;
  void SetHandler(Handler handler) { handler_ = std::move(handler); }
  void SetProcessId(uint32_t id) { process_id_ = id; }

  bool Start(const std::string& command_line, ShowMode show, bool wait) override;
  // RunIn's program ends with the code SetRunExitCode gave (0 unless set).
  std::optional<uint32_t> RunIn(const std::string& command_line,
                                const std::string& directory) override;
  void SetRunExitCode(uint32_t code) { run_exit_code_ = code; }
  void Exit(uint32_t code) override { exits_.push_back(code); }
  uint32_t CurrentProcessId() override { return process_id_; }
  void Sleep(uint32_t milliseconds) override { sleeps_.push_back(milliseconds); }

  const std::vector<StartCall>& starts() const { return starts_; }
  const std::vector<uint32_t>& exits() const { return exits_; }
  const std::vector<uint32_t>& sleeps() const { return sleeps_; }

 private:
  Handler handler_;
  uint32_t process_id_ = 1000;
  uint32_t run_exit_code_ = 0;
  std::vector<StartCall> starts_;
  std::vector<uint32_t> exits_;
  std::vector<uint32_t> sleeps_;
};

}  // namespace qmb
