// Runs each win32 port once against the real system: a file with a Chinese name, registry values in
// both views, a hidden child process, a link, the dialogs (answered by a helper thread like a user
// would) and the SETUP_LOG file. Prints one line per check; exit code 0 when all pass.
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "context/context.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_include.h"
#include "shell_link.h"

#include <shlobj.h>

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s %s\n", ok ? "ok" : "FAILED", what);
  std::fflush(stdout);
  if (!ok) ++failures;
}

// Runs show while a helper thread plays the user: it waits for the dialog titled title, types text
// into its edit box when given, and presses button. True when the helper found the dialog. The
// dialog window carries its title before its controls exist; it turns visible once they all do.
bool Answered(const wchar_t* title, const wchar_t* text, int button,
              const std::function<void()>& show) {
  std::atomic<bool> found = false;
  std::thread helper([&] {
    for (int i = 0; i < 300 && !found; ++i) {
      HWND dialog = FindWindowW(L"#32770", title);
      if (dialog != nullptr && IsWindowVisible(dialog)) {
        if (text) SetWindowTextW(FindWindowExW(dialog, nullptr, L"Edit", nullptr), text);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        found = true;
      } else {
        Sleep(100);
      }
    }
  });
  show();
  helper.join();
  return found;
}

// Adds the resources that the "--resources" run looks for to a copy of this program.
bool AddResources(const std::wstring& exe) {
  HANDLE update = BeginUpdateResourceW(exe.c_str(), FALSE);
  if (!update) return false;
  char numbered[] = "uninst";
  char named[] = "\x89PNG";
  bool ok = UpdateResourceW(update, L"UNINST_DAT", MAKEINTRESOURCEW(100), 0, numbered, 6) &&
            UpdateResourceW(update, L"PNG", L"LOGO", 0, named, 4);
  return EndUpdateResourceW(update, !ok) && ok;
}

// The "--resources" run: writes C:\qmbtest\resources.txt when both resources load.
int CheckResources(qmb::Platform& p) {
  bool ok = p.env.LoadResource("UNINST_DAT", 100) == "uninst" &&
            p.env.LoadResource("png", "logo") == "\x89PNG" &&
            !p.env.LoadResource("UNINST_DAT", 101).has_value();
  return ok && p.files.WriteAll("C:\\qmbtest\\resources.txt", "ok") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  qmb::Win32Platform win32;
  qmb::Platform& p = win32.platform();
  if (argc > 1 && std::string(argv[1]) == "--resources") return CheckResources(p);
  using qmb::RegRoot;
  using qmb::RegView;

  const std::string folder = "C:\\qmbtest";
  const std::string file = folder + "\\测试文件.txt";
  const std::string content = "内容 ok";
  Check(p.files.CreateDirectory(folder), "create folder");
  Check(p.files.WriteAll(file, content), "write GBK-named file");
  Check(p.files.ReadAll(file) == content, "read it back");
  Check(p.files.Append(file, "\r\n追加"), "append");
  Check(p.files.Size(file) == content.size() + 6, "size after append");
  bool listed = false;
  for (const qmb::DirEntry& entry : p.files.List(folder))
    listed = listed || (entry.name == "测试文件.txt" && !entry.is_dir);
  Check(listed, "listing holds the GBK name");
  Check(p.files.CopyFile(file, folder + "\\副本.txt"), "copy");
  Check(p.files.SetAttributes(folder + "\\副本.txt", qmb::kAttrHidden | qmb::kAttrReadOnly) &&
            (*p.files.GetAttributes(folder + "\\副本.txt") & qmb::kAttrHidden),
        "hidden attribute");
  Check(!p.files.RemoveFile(folder + "\\副本.txt"), "read-only file resists deletion");
  Check(p.files.CreateDirectory(folder + "\\树\\子") == false, "folder needs its parent");
  Check(p.files.CreateDirectory(folder + "\\树") && p.files.CreateDirectory(folder + "\\树\\子") &&
            p.files.WriteAll(folder + "\\树\\子\\f.txt", "x") && p.files.RemoveTree(folder + "\\树") &&
            !p.files.Exists(folder + "\\树"),
        "tree removal");
  Check(p.files.FreeSpace("C:\\no such folder").value_or(0) > 0, "free space");

  const std::string key = "Software\\qmbtest";
  Check(p.registry.SetValue(RegRoot::kCurrentUser, key, "名称", qmb::kRegSz, "值",
                            RegView::kDefault),
        "set string value");
  Check(p.registry.QueryString(RegRoot::kCurrentUser, key, "名称", RegView::kDefault) == "值",
        "query string value");
  const std::string dword("\x2A\x00\x00\x00", 4);
  Check(p.registry.SetValue(RegRoot::kCurrentUser, key, "v64", qmb::kRegDword, dword, RegView::k64),
        "set value in the 64-bit view");
  Check(p.registry.QueryString(RegRoot::kCurrentUser, key, "v64", RegView::k64) == "42",
        "query the 64-bit view");
  // HKLM\Software is split on 64-bit Windows: the test script looks for these two values where
  // each view keeps them.
  Check(p.registry.SetValue(RegRoot::kLocalMachine, key, "v32", qmb::kRegSz, "32", RegView::k32),
        "set value in the 32-bit view");
  Check(p.registry.SetValue(RegRoot::kLocalMachine, key, "natural", qmb::kRegSz, "n",
                            RegView::kDefault),
        "set value in the process's own view");
  Check(p.registry.SetValue(RegRoot::kCurrentUser, key + "\\gone\\deeper", "x", qmb::kRegSz, "1",
                            RegView::kDefault) &&
            p.registry.DeleteKey(RegRoot::kCurrentUser, key + "\\gone", RegView::kDefault) &&
            !p.registry.KeyExists(RegRoot::kCurrentUser, key + "\\gone", RegView::kDefault),
        "delete a key with subkeys");

  Check(p.processes.Start("cmd /c echo ok > C:\\qmbtest\\proc.txt", qmb::ShowMode::kHidden, true),
        "start hidden and wait");
  Check(p.files.Exists(folder + "\\proc.txt"), "the started program's file is there");

  qmb::LinkSpec link;
  link.link_path = folder + "\\链接.lnk";
  link.target = p.env.WindowsFolder() + "\\notepad.exe";
  link.working_dir = p.env.WindowsFolder() + "\\";
  link.arguments = "-x \"a b\"";
  link.description = "说明";
  link.icon = link.target + ",2";
  link.hotkey = "Ctrl+Alt+Q";
  Check(p.shell.CreateLink(link) && p.files.Exists(link.link_path), "create link");
  std::wstring expected_link = qmb::Wide(link.target) + L"|-x \"a b\"|说明|" + qmb::Wide(link.target) +
                               L",2|" + std::to_wstring(MAKEWORD('Q', HOTKEYF_CONTROL | HOTKEYF_ALT));
  Check(ReadLink(qmb::Wide(link.link_path)) == expected_link, "link fields read back");

  int answer = 0;
  Check(Answered(L"问题", nullptr, IDNO, [&] {
          answer = p.dialogs.MessageBox("要继续吗？", "问题", qmb::kMbYesNo | qmb::kMbIconQuestion);
        }) && answer == qmb::kIdNo,
        "message box answer");
  std::optional<std::string> typed;
  Check(Answered(L"输入密码", L"密码abc", IDOK,
                 [&] { typed = p.dialogs.InputBox("请输入密码：", "输入密码", true); }) &&
            typed == "密码abc",
        "input box text");
  Check(Answered(L"输入密码", nullptr, IDCANCEL,
                 [&] { typed = p.dialogs.InputBox("请输入密码：", "输入密码", false); }) &&
            !typed.has_value(),
        "input box cancelled");
  PostQuitMessage(7);
  p.dialogs.ProcessPendingMessages();
  MSG message;
  Check(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && message.wParam == 7,
        "pending messages keep the quit request");

  // The script sets SETUP_LOG to a file in the test folder.
  qmb::Context ctx(p);
  qmb::AttachLogFile(ctx);
  ctx.log.Step("日志一行");
  Check(p.files.ReadAll(p.env.GetVariable("SETUP_LOG")) == "日志一行\r\n", "SETUP_LOG file");

  const std::string copy = folder + "\\resource_copy.exe";
  Check(p.files.CopyFile(p.env.ModulePath(), copy) && AddResources(qmb::Wide(copy)) &&
            p.processes.Start("\"" + copy + "\" --resources", qmb::ShowMode::kHidden, true) &&
            p.files.ReadAll(folder + "\\resources.txt") == "ok",
        "resources by number and by name");

  Check(p.env.TempFolder().ends_with("\\") && p.files.IsDirectory(p.env.TempFolder()), "temp folder");
  Check(p.env.ModulePath().ends_with("platform_check.exe"), "module path");
  Check(p.env.GetWindowsVersion().major >= 5, "windows version");
  Check(!p.env.GetSpecialFolder(qmb::SpecialFolder::kDesktop).empty(), "desktop folder");
  std::printf("64-bit windows: %s\n", p.env.Is64BitWindows() ? "yes" : "no");

  std::printf("%s\n", failures ? "some checks failed" : "all checks passed");
  return failures ? 1 : 0;
}
