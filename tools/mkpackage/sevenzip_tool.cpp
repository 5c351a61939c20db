// posix_spawn of 7zz and the other tools with a pipe on their output.
#include "sevenzip_tool.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace qmb::mkpackage {
namespace {

// The environment with LC_ALL forced to a UTF-8 locale.
std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (std::strncmp(*e, "LC_ALL=", 7) != 0) env.emplace_back(*e);
  }
  env.emplace_back("LC_ALL=C.UTF-8");
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> out;
  for (auto& t : texts) out.push_back(t.data());
  out.push_back(nullptr);
  return out;
}

// 7zz rewrites its progress in place ("  42% 3 + name" and backspaces); every number in front of
// a "%" is a percentage.
class PercentParser {
 public:
  explicit PercentParser(const std::function<void(int)>& report) : report_(report) {}
  void Feed(std::string_view text) {
    for (char c : text) {
      if (c >= '0' && c <= '9') {
        digits_ = digits_ * 10 + (c - '0');
        in_number_ = true;
        continue;
      }
      if (c == '%' && in_number_ && digits_ <= 100 && digits_ != last_) {
        last_ = digits_;
        report_(last_);
      }
      digits_ = 0;
      in_number_ = false;
    }
  }

 private:
  const std::function<void(int)>& report_;
  int digits_ = 0;
  bool in_number_ = false;
  int last_ = -1;
};

// Reads both pipes until both are closed: error text into messages, progress text to parser.
void ReadOutputs(int error_fd, int progress_fd, std::string& messages, PercentParser* parser) {
  pollfd fds[2] = {{error_fd, POLLIN, 0}, {progress_fd, POLLIN, 0}};
  int open = progress_fd >= 0 ? 2 : 1;
  char buffer[4096];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (pollfd& p : fds) {
      if (p.fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = read(p.fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        p.fd = -1;  // poll skips negative descriptors
        --open;
        continue;
      }
      if (p.fd == error_fd) messages.append(buffer, static_cast<size_t>(n));
      else if (parser) parser->Feed(std::string_view(buffer, static_cast<size_t>(n)));
    }
  }
}

}  // namespace

bool RunProgram(const std::vector<std::string>& argv_in, const std::filesystem::path& cwd,
                std::string& error, const std::function<void(int)>& progress, std::string* output) {
  std::vector<std::string> argv_texts = argv_in;
  std::vector<std::string> env_texts = ChildEnvironment();
  auto argv = Pointers(argv_texts);
  auto envp = Pointers(env_texts);
  const std::string& program = argv_in.front();

  int pipe_fds[2];
  int progress_fds[2] = {-1, -1};
  if (pipe2(pipe_fds, O_CLOEXEC) != 0 || (progress && pipe2(progress_fds, O_CLOEXEC) != 0)) {
    error = "cannot make a pipe for " + program;
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (progress) posix_spawn_file_actions_adddup2(&actions, progress_fds[1], 1);
  else posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 2);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  if (progress_fds[1] >= 0) close(progress_fds[1]);
  if (spawned != 0) {
    close(pipe_fds[0]);
    if (progress_fds[0] >= 0) close(progress_fds[0]);
    error = "cannot start " + program + ": " + std::strerror(spawned);
    return false;
  }
  std::string messages;
  PercentParser parser(progress);
  ReadOutputs(pipe_fds[0], progress_fds[0], messages, progress ? &parser : nullptr);
  close(pipe_fds[0]);
  if (progress_fds[0] >= 0) close(progress_fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (output) *output = messages;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  while (!messages.empty() && (messages.back() == '\n' || messages.back() == '\r')) {
    messages.pop_back();
  }
  error = program + " failed" + (messages.empty() ? std::string() : ": " + messages);
  return false;
}

bool RunSevenZip(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                 std::string& error, const std::function<void(int)>& progress) {
  // The command comes first, our quiet switches right after it, then the caller's arguments (which
  // may end with "--" and names).
  std::vector<std::string> argv{"7zz"};
  if (!args.empty()) argv.push_back(args.front());
  argv.insert(argv.end(), {"-bso0", progress ? "-bsp1" : "-bsp0", "-y"});
  if (!args.empty()) argv.insert(argv.end(), args.begin() + 1, args.end());
  return RunProgram(argv, cwd, error, progress);
}

TempFolder::TempFolder(const std::filesystem::path& parent) {
  std::string pattern = (parent / "mkpackage.XXXXXX").string();
  if (mkdtemp(pattern.data())) path_ = pattern;
}

TempFolder::~TempFolder() {
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace qmb::mkpackage
