// posix_spawn of 7zz with a pipe on its error output.
#include "sevenzip_tool.h"

#include <fcntl.h>
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

}  // namespace

bool RunSevenZip(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                 std::string& error) {
  // The command comes first, our quiet switches right after it, then the caller's arguments (which
  // may end with "--" and names).
  std::vector<std::string> argv_texts{"7zz"};
  if (!args.empty()) argv_texts.push_back(args.front());
  argv_texts.insert(argv_texts.end(), {"-bso0", "-bsp0", "-y"});
  if (!args.empty()) argv_texts.insert(argv_texts.end(), args.begin() + 1, args.end());
  std::vector<std::string> env_texts = ChildEnvironment();
  auto argv = Pointers(argv_texts);
  auto envp = Pointers(env_texts);

  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    error = "cannot make a pipe for 7zz";
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 2);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "7zz", &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  if (spawned != 0) {
    close(pipe_fds[0]);
    error = std::string("cannot start 7zz: ") + std::strerror(spawned);
    return false;
  }
  std::string messages;
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipe_fds[0], buffer, sizeof buffer)) != 0) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    messages.append(buffer, static_cast<size_t>(n));
  }
  close(pipe_fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  while (!messages.empty() && (messages.back() == '\n' || messages.back() == '\r')) {
    messages.pop_back();
  }
  error = "7zz failed" + (messages.empty() ? std::string() : ": " + messages);
  return false;
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
