// Requests of controlling processes to the uninstall window.
#include "uninstall/uninstall_messages.h"

#include "base/text.h"
#include "context/context.h"
#include "startup/support_dlls.h"
#include "uninstall/uninstall_flow.h"
#include "uninstall/uninstall_view.h"

namespace qmb {

namespace {

const char* Boolean(bool value) { return value ? "真" : "假"; }

}  // namespace

std::string UninstallMessageCaption(uintptr_t entry_address) {
  return kUninstallMessageWindowPrefix + std::to_string(entry_address);
}

std::string ProductRecord(const Context& ctx) {
  const UninstallState& state = ctx.uninstall;
  std::string record = "窗口=" + std::to_string(state.window_handle) +
                       "\r\n软件名称=" + state.product_name + "\r\n软件版本=" + state.version +
                       "\r\n版权=" + state.publisher + "\r\n卸载目录=" + state.install_folder +
                       "\r\n次数=" + std::to_string(state.option_boxes.size());
  for (size_t i = 0; i < state.option_boxes.size(); ++i) {
    const OptionBox& box = state.option_boxes[i];
    const std::string k = std::to_string(i + 1);
    record += "\r\n标题" + k + "=" + box.caption + "\r\n可视" + k + "=" + Boolean(box.visible) +
              "\r\n选中" + k + "=" + Boolean(box.ticked);
  }
  return record;
}

intptr_t HandleUninstallMessage(Context& ctx, int code, intptr_t first, intptr_t) {
  UninstallState& state = ctx.uninstall;
  switch (code) {
    case kMessageProductRecord:
      state.product_answer = ProductRecord(ctx);
      return reinterpret_cast<intptr_t>(state.product_answer.c_str());
    case kMessageKeepList:
      state.keep_list = SplitGbk(DllText(first), ',');
      ctx.log.Step("uninstall: keep list \"" + DllText(first) + "\"");
      return 0;
    case kMessageShowUninstall:
      if (state.view != nullptr) state.view->SetVisible(first == 1);
      ctx.log.Step(std::string("uninstall: window ") + (first == 1 ? "shown" : "hidden") +
                   " on request");
      return 0;
    case kMessageTickList:
      state.tick_list = DllText(first);
      ctx.log.Step("uninstall: tick list \"" + state.tick_list + "\"");
      return 0;
    case kMessageStartRemoval: {
      ProgressCallback callback;
      if (first != 0) {
        // Through the guarded call, as the DLLs' exports are called.
        const auto routine = static_cast<uintptr_t>(first);
        callback = [&ctx, routine](intptr_t line) { CallDllRoutine(ctx, routine, {line}); };
      }
      RunRemoval(ctx, std::move(callback));
      return 0;
    }
    default:
      ctx.log.Step("uninstall: unanswered request " + std::to_string(code));
      return 0;
  }
}

bool NotifyRemoval(Context& ctx, int stage) {
  const bool taken = ctx.uninstall.notify && ctx.uninstall.notify(stage);
  ctx.log.Step("uninstall: notice " + std::to_string(kMessageRemovalNotice) + " stage " +
               std::to_string(stage) + (taken ? ", a controlling process takes over" : ""));
  return taken;
}

}  // namespace qmb
