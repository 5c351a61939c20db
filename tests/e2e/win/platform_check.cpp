// Runs each win32 port once against the real system: a file with a Chinese name, registry values in
// both views, a hidden child process and a link. Prints one line per check; exit code 0 when all pass.
#include <cstdio>
#include <string>

#include "platform/win32/win32_platform.h"

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s %s\n", ok ? "ok" : "FAILED", what);
  if (!ok) ++failures;
}

}  // namespace

int main() {
  qmb::Win32Platform win32;
  qmb::Platform& p = win32.platform();
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
  link.description = "说明";
  Check(p.shell.CreateLink(link) && p.files.Exists(link.link_path), "create link");

  Check(p.env.TempFolder().ends_with("\\") && p.files.IsDirectory(p.env.TempFolder()), "temp folder");
  Check(p.env.ModulePath().ends_with("platform_check.exe"), "module path");
  Check(p.env.GetWindowsVersion().major >= 5, "windows version");
  Check(!p.env.GetSpecialFolder(qmb::SpecialFolder::kDesktop).empty(), "desktop folder");
  std::printf("64-bit windows: %s\n", p.env.Is64BitWindows() ? "yes" : "no");

  std::printf("%s\n", failures ? "some checks failed" : "all checks passed");
  return failures ? 1 : 0;
}
