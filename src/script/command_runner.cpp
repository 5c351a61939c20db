// The program runner and its command-line rewrites.
#include "script/command_runner.h"

#include "base/path.h"
#include "base/text.h"

namespace qmb {

namespace {

constexpr char kQuote = '"';

ShowMode ModeOf(bool hidden) { return hidden ? ShowMode::kHidden : ShowMode::kNormal; }

std::string WithoutQuotes(std::string_view text) { return ReplaceAll(text, "\"", ""); }

// Where the program ends: after the closing quote when the line starts with one.
size_t SplitPoint(const std::string& line) {
  size_t from = 0;
  if (!line.empty() && line[0] == kQuote) {
    size_t closing = line.find(kQuote, 1);
    if (closing == std::string::npos) return std::string::npos;
    from = closing + 1;
  }
  return FindCharGbk(line, ' ', from);
}

}  // namespace

bool Is64BitWindows(Context& ctx) { return ctx.platform.env.Is64BitWindows(); }

void RunCommand(Context& ctx, const std::string& command_line, bool wait, bool hidden,
                bool shell_start) {
  std::string plain = WithoutQuotes(command_line);
  if (Trim(plain).empty()) {
    ctx.log.Step("run: empty command, nothing started");
    return;
  }
  if (StartsWith(plain, "http://")) {
    ctx.log.Step("open address: " + plain);
    if (!ctx.platform.shell.Open(plain, "", "", ShowMode::kNormal))
      ctx.log.Failure("open address: " + plain);
    return;
  }

  std::string program = command_line;
  std::string arguments;
  size_t split = SplitPoint(command_line);
  if (split != std::string::npos) {
    program = command_line.substr(0, split);
    arguments = command_line.substr(split + 1);
  }
  std::string path = WithoutQuotes(program);

  if (path.size() < 2 || path[1] != ':') {
    ctx.log.Step("start process: " + command_line);
    ctx.platform.dialogs.ProcessPendingMessages();
    if (!ctx.platform.processes.Start(command_line, ModeOf(hidden), wait))
      ctx.log.Failure("start process: " + command_line);
    return;
  }
  if (shell_start) {
    ctx.log.Step("shell open: " + path + " " + arguments);
    if (!ctx.platform.shell.Open(path, arguments, ParentFolder(path), ShowMode::kNormal))
      ctx.log.Failure("shell open: " + path);
    return;
  }
  ShellStart(ctx, path, arguments, wait, hidden);
}

void ShellStart(Context& ctx, const std::string& file, const std::string& arguments, bool wait,
                bool hidden) {
  ctx.log.Step("shell start: " + file + " " + arguments);
  if (!ctx.platform.shell.Execute("open", file, arguments, ParentFolder(file), ModeOf(hidden),
                                  wait))
    ctx.log.Failure("shell start: " + file);
}

std::string WriteBatchFile(Context& ctx, const std::string& command_line) {
  std::string text = ReplaceFirst(ReplaceAll(command_line, "%ET%", "\r\n"), "cmd /c ", "");
  Files& files = ctx.platform.files;
  std::string name = ctx.temp_names.Next(
      ctx.platform.env.TempFolder(), ctx.platform.env.TickCount(),
      [&files](const std::string& path) { return files.Exists(path); });
  if (name.empty()) {
    ctx.log.Failure("batch file: no free temporary name; command dropped");
    return {};
  }
  name += ".bat";
  if (!files.WriteAll(name, text)) ctx.log.Failure("write batch file " + name);
  else ctx.log.Step("batch file " + name);
  return std::string(1, kQuote) + name + kQuote;
}

std::string ApplySystemCondition(Context& ctx, const std::string& command_line) {
  std::string tag = TextBetween(command_line, "[sys=", "]");
  if (tag.empty()) return command_line;
  bool wants32 = tag.find("32") != std::string::npos;
  bool wants64 = tag.find("64") != std::string::npos;
  std::string line = ReplaceFirst(command_line, "[sys=" + tag + "]", "");
  if (wants32 && wants64) return line;
  bool keep = Is64BitWindows(ctx) ? wants64 : wants32;
  if (!keep) ctx.log.Step("system tag " + tag + ": command dropped on this Windows");
  return keep ? line : std::string();
}

}  // namespace qmb
