// The uninstaller's texts.
#include "uninstall/uninstall_texts.h"

namespace qmb {

namespace {

constexpr int kRuleLength = 40;

std::string Product(const UninstallState& state) { return state.product_name + state.version; }

}  // namespace

UninstallTexts PageTexts(const UninstallState& state) {
  const std::string product = Product(state);
  UninstallTexts texts;
  texts.title = product + " 卸载向导";
  texts.heading = "卸载 “" + product + "”";
  texts.subheading = "从你的计算机卸载 “" + product + "”";
  texts.body = "这个向导将从你的计算机卸载“" + product + "”。 单击 [卸载] 开始解除安装程序。";
  texts.separator = state.publisher;
  for (int i = 0; i < kRuleLength; ++i) texts.separator += "—";
  texts.folder = state.install_folder;
  return texts;
}

std::string RemovingHeading() { return "正在卸载…"; }
std::string RemovingSubheading(const UninstallState& state) {
  return state.product_name + "正在卸载，请稍候…";
}
std::string DoneHeading() { return "已完成卸载！"; }
std::string DoneSubheading(const UninstallState& state) {
  return state.product_name + "已完成卸载，请点完成按钮~";
}

}  // namespace qmb
