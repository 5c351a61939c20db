// The new-project template. The texts are kept as UTF-8 bytes (u8 literals), the form an author
// edits; mkpackage turns them into GBK when it packs.
#include "project_template.h"

#include <fstream>
#include <random>

#include "licence_input.h"
#include "settings_files.h"

namespace qmb::mkpackage {
namespace {

namespace fs = std::filesystem;

std::string Text(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::string RandomPassword() {
  std::random_device device;
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (int i = 0; i < 24; ++i) out += kDigits[device() % 16];
  return out;
}

std::string DataIni() {
  return Text(u8R"(; The main settings of the package. Keys and section names are typed exactly as below;
; "mkpackage check" names any it does not know. A switch is 真 (on) or 假 (off).
[禾木软件安装配置]
; The product name: captions, the uninstall entry and the start-menu group.
禾木软件名称=示例软件
软件版本=1.0
公司名称=示例公司
; The file the finish page offers to run and the uninstall entry shows the icon of.
包内的程序名=readme.txt
; The default install folder; a variable of variable.ini may stand in it.
安装位置=%ProgramFiles%\示例软件
; The password of the payload archive. Nobody types it; keep it secret and long.
safe=)") + RandomPassword() + Text(u8R"(
; 正常安装 (the wizard), 直接安装 (straight to the installing page) or 后台安装 (no window).
安装模式=正常安装
安装后是否显示完成界面=真
; 1: leave an uninstaller (uninst.exe) in the install folder.
是否生成卸载程序=1
; 真: no agreement box on the licence page (the licence is licence.txt beside settings/).
同意条款=假
; The folder dialog appends this subfolder to the folder the user picks when 自动添加路径=真.
浏览目录自动添加=示例软件
自动添加路径=真

; The optional pages of the wizard. Welcome, installing and finish always show; the licence page
; shows when the project has a licence.txt.
[界面_可视]
; The components of the install script's Treelists, for the user to tick.
选择组件可视=真
; The install folder, for the user to pick.
浏览目录可视=真

; The command-line switch words; "setup.exe -hp /D C:\Folder" installs into C:\Folder at once.
[安装包命令行]
p=/D
jp=-jp
hp=-hp
hideend=-hideend

; The shortcuts: a count, then the keys of record 1, 2 ... with the record number appended.
[新建快捷方式参数]
欲运行的次数=1
参数快捷方式名1=示例软件说明
; A file of the payload, relative to the install folder.
参数文件名1=readme.txt
; Folders separated by ","; the start-menu group follows the tick of the component bound to it.
参数生成位置1=%MenuDir%\示例软件
参数是否卸载1=真
)");
}

std::string VariableIni() {
  return Text(u8R"(; The variables: one section per name, percent signs included. The built-in ones
; (%ProductName%, %ProgramFiles%, %MenuDir% ...) get their value on the user's machine; your own
; take the value of their key 数据. Only names listed here are replaced.
[%ProductName%]
数据=
[%Version%]
数据=
[%ProgramFiles%]
数据=
[%MenuDir%]
数据=
[%InstallPath%]
数据=
)");
}

// The wizard's own texts; the README lists every record and the fonts, colours and images.
std::string LookIni() {
  return Text(u8R"(; The wizard's texts: one section per text, "\n" a line break. A section styles its text
; too (font, size, bold, colour, background; button-face is the pages' grey), and [images] names
; the page pictures (see the README).
[窗口标题]
text = %ProductName% %Version% 安装程序
[欢迎0]
text = 欢迎安装 %ProductName%
size = 12
bold = yes
background = button-face
[欢迎1]
text = 这个向导将指引你完成 %ProductName% %Version% 的安装。\n\n单击 [下一步(N)] 继续。
background = button-face
[协议1]
text = 在安装 %ProductName% 之前，请阅读授权协议。
background = button-face
[组件1]
text = 选择你想要安装的 %ProductName% 功能。
background = button-face
[目录2]
text = 安装向导将把 %ProductName% 安装在下列文件夹。要安装到其他文件夹，单击 [浏览] 并选择其他的文件夹。
background = button-face
[安装1]
text = 正在安装 %ProductName%，请稍候…
background = button-face
[完成0]
text = %ProductName% 安装完成
size = 12
bold = yes
background = button-face
[完成1]
text = %ProductName% 已安装在您的计算机上。\n单击 [完成] 关闭此向导。
background = button-face
)");
}

// The install script has no comment lines: every line is part of a block.
std::string Script() {
  return Text(u8R"(Treelists
｛
Install(){
主程序$,-1$,1$,真$,$,1
}
Unzip(){
}
finish(){
}
describe(){
}
｝

主程序
｛
Install(){
[真]setstartmenu()
}
Unzip(){
}
finish(){
}
describe(){
示例软件的全部文件。
}
｝

)");
}

bool Write(const fs::path& path, const std::string& data, std::string& error) {
  std::ofstream out(path, std::ios::binary);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  if (out) return true;
  error = "cannot write " + path.string();
  return false;
}

}  // namespace

bool WriteNewProject(const fs::path& dir, std::string& error) {
  std::error_code ec;
  if (fs::exists(dir, ec) && !fs::is_empty(dir, ec)) {
    error = dir.string() + " exists and is not empty";
    return false;
  }
  fs::create_directories(dir / "settings", ec);
  fs::create_directories(dir / "payload", ec);
  fs::create_directories(dir / "look", ec);
  if (ec) {
    error = "cannot make " + dir.string() + ": " + ec.message();
    return false;
  }
  return Write(dir / "settings" / "data.ini", WithCrLf(DataIni()), error) &&
         Write(dir / "settings" / "variable.ini", WithCrLf(VariableIni()), error) &&
         Write(dir / "settings" / "choolantern.ini", WithCrLf(Script()), error) &&
         Write(dir / "look" / "look.ini", WithCrLf(LookIni()), error) &&
         Write(dir / kLicenceFile,
               WithCrLf(Text(u8"示例软件 最终用户许可协议\n\nReplace this text with your "
                             "product's licence, or delete the file for no licence page.\n")),
               error) &&
         Write(dir / "payload" / "readme.txt",
               WithCrLf(Text(u8"示例软件\nReplace the files of payload/ with your product's files.\n")),
               error);
}

}  // namespace qmb::mkpackage
