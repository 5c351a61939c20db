// The control table. Positions are in client pixels of a 497 x 334 client area: the pages fill the
// top 290 pixels, the bottom row stands below the rule.
#include "wizard/win32/wizard_controls.h"

#include <iterator>

namespace qmb {
namespace {

using K = ControlKind;
constexpr int W = kWindowControl;

constexpr char kWelcomeText[] =
    "这个向导将指引你完成“禾木软件版本”的安装进程。\r\n\r\n在开始安装之前，建议先关闭其他所有应用程序。"
    "这将允许“安装程序”更新指定的系统文件，而不需要重新启动你的计算机。\r\n\r\n单击 [下一步(N)] 继续。";
constexpr char kLicenceEnd[] =
    "如果你接受协议中的条款，单击 [我接受(I)] 继续安装。如果你选定 [取消(C)] ，安装程序将会关闭。"
    "必须接受协议才能安装本程序。";
constexpr char kFolderText[] =
    "安装向导将安装 “禾木软件版本” 在下列文件夹。要安装到不同文件夹，单击 [浏览] 并选择其他的文件夹。"
    "单击 [安装] 开始安装进程。";
constexpr char kCompany[] = "禾木公司版权所有";

const ControlEntry kControls[] = {
    // Bottom row and the spare header controls that support DLLs clone.
    {"外形框7", K::kLine, W, "", 0, 290, 497, 2, false},
    {"外形框8", K::kFrame, W, "", 0, 292, 497, 42, false},
    {"上一步_按钮", K::kButton, W, "上一步(&P)", 240, 300, 80, 25, false},
    {"下一步_按钮", K::kButton, W, "下一步(&N)", 322, 300, 80, 25, false},
    {"取消按钮_主窗口", K::kButton, W, "取消(&C)", 410, 300, 80, 25, false},
    {"备用_外形框1", K::kFrame, W, "", 0, 0, 501, 53, true},
    {"备用_主标题", K::kTitle, W, "备用的传递消息", 15, 5, 90, 23, true},
    {"备用_备注标题", K::kLabel, W, "", 16, 23, 347, 24, true},
    {"备用_图片框", K::kPicture, W, "", 440, 0, 57, 53, true},
    {"备用_编辑框版权", K::kLabel, W, "", 10, 276, 250, 14, true},

    // 0 welcome
    {"外形框1", K::kFrame, 0, "", 0, 0, 164, 290, false},
    {"图片框1", K::kPicture, 0, "", 0, 0, 164, 290, false},
    {"编辑框_欢迎0", K::kTitle, 0, "欢迎使用 禾木软件 版本-安装向导", 176, 14, 305, 40, false},
    {"编辑框_欢迎1", K::kLabel, 0, kWelcomeText, 176, 64, 305, 200, false},

    // 1 licence
    {"外形框6", K::kFrame, 1, "", 0, 0, 497, 57, false},
    {"图片框6", K::kPicture, 1, "", 440, 0, 57, 57, false},
    {"编辑框_协议0", K::kTitle, 1, "许可证协议", 15, 8, 400, 18, false},
    {"编辑框_协议1", K::kLabel, 1, "在安装“禾木软件版本”之前，请阅读授权协议", 25, 30, 400, 18, false},
    {"编辑框3", K::kLabel, 1, kCompany, 10, 274, 250, 14, false},
    {"编辑框_协议2", K::kLabel, 1, "按 [PgDn] 阅读“授权协议”的其余部分。", 20, 64, 460, 16, false},
    {"编辑框4", K::kText, 1, "", 20, 82, 460, 118, false},
    {"编辑框_协议3", K::kLabel, 1, kLicenceEnd, 20, 204, 460, 44, false},
    {"选择框_条款", K::kCheck, 1, "同意本协议的条款", 20, 250, 300, 20, false},

    // 2 components
    {"外形框3", K::kFrame, 2, "", 0, 0, 497, 57, false},
    {"图片框2", K::kPicture, 2, "", 440, 0, 57, 57, false},
    {"编辑框_组件0", K::kTitle, 2, "选择组件", 15, 8, 400, 18, false},
    {"编辑框_组件1", K::kLabel, 2, "选择你想要安装“禾木软件版本”的那些功能。", 25, 30, 400, 18, false},
    {"编辑框2", K::kLabel, 2, kCompany, 10, 274, 250, 14, false},
    {"编辑框_组件2", K::kLabel, 2,
     "勾选你想要安装的组件，并解除勾选你不希望安装的组件。 单击 [下一步(N)] 继续。", 20, 64, 460, 30,
     false},
    {"编辑框_组件3", K::kLabel, 2, "选择安装的组件", 20, 100, 200, 16, false},
    {"树型框1", K::kTree, 2, "", 20, 118, 230, 150, false},
    {"分组框1", K::kGroup, 2, "描述", 262, 112, 218, 156, false},
    {"提示", K::kLabel, 2, "", 272, 132, 198, 130, false},
    {"编辑框_组件4", K::kLabel, 2, "提示", 272, 100, 100, 12, true},

    // 3 folder
    {"外形框4", K::kFrame, 3, "", 0, 0, 497, 57, false},
    {"图片框3", K::kPicture, 3, "", 440, 0, 57, 57, false},
    {"编辑框_目录0", K::kTitle, 3, "选择安装位置", 15, 8, 400, 18, false},
    {"编辑框_目录1", K::kLabel, 3, "", 25, 30, 400, 18, false},
    {"编辑框1", K::kLabel, 3, kCompany, 10, 274, 250, 14, false},
    {"编辑框_目录2", K::kLabel, 3, kFolderText, 20, 64, 460, 48, false},
    {"分组框_目标文件夹", K::kGroup, 3, "目标文件夹", 20, 120, 460, 58, false},
    {"安装路径_编辑框", K::kEdit, 3, "", 34, 143, 322, 22, false},
    {"浏览目录", K::kButton, 3, "浏览目录...", 366, 141, 102, 26, false},
    {"外形框_显示空间", K::kFrame, 3, "", 20, 186, 460, 44, true},
    {"标签_所需空间", K::kLabel, 3, "所需空间: XXMB", 30, 190, 300, 16, true},
    {"标签_可用空间", K::kLabel, 3, "可用空间: XXGB", 30, 208, 300, 16, true},
    {"编辑框_目录3", K::kLabel, 3, "浏览文件夹", 20, 240, 200, 16, true},

    // 4 installing
    {"外形框5", K::kFrame, 4, "", 0, 0, 497, 57, false},
    {"图片框5", K::kPicture, 4, "", 440, 0, 57, 57, false},
    {"编辑框_安装0", K::kTitle, 4, "正在安装", 15, 8, 400, 18, false},
    {"编辑框_安装1", K::kLabel, 4, "“禾木软件版本”正在安装，请稍后…", 25, 30, 400, 18, false},
    {"编辑框5", K::kLabel, 4, kCompany, 10, 274, 250, 14, false},
    {"解压_标签", K::kLabel, 4, "Waiting……", 20, 66, 460, 16, false},
    {"进度条1", K::kProgress, 4, "", 20, 86, 460, 18, false},
    {"超级列表框", K::kList, 4, "", 20, 112, 460, 156, false},
    {"按钮_显示细节", K::kButton, 4, "显示细节(&D)", 20, 112, 100, 25, true},
    {"图片框_界面安装时图片", K::kPicture, 4, "", 20, 112, 460, 156, true},

    // 5 finish
    {"外形框2", K::kFrame, 5, "", 0, 0, 164, 290, false},
    {"图片框4", K::kPicture, 5, "", 0, 0, 164, 290, false},
    {"编辑框_完成0", K::kTitle, 5, "已完成 禾木软件 版本-安装程序", 176, 14, 305, 40, false},
    {"编辑框_完成1", K::kLabel, 5, "“禾木软件”已安装在您的系统。\r\n单击 [完成] 关闭此向导。", 176, 64, 305,
     60, false},
    {"初始化的选择框", K::kCheck, 5, "立即运行 禾木软件", 176, 132, 305, 20, true},
};

}  // namespace

const ControlEntry* WizardControls(size_t* count) {
  *count = std::size(kControls);
  return kControls;
}

}  // namespace qmb
