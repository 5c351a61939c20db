// Notifications to the support DLLs.
#include "startup/dll_notifications.h"

#include "startup/support_dlls.h"

namespace qmb {

namespace {

constexpr int kVeto = 1;

std::string N(int value) { return std::to_string(value); }

}  // namespace

bool PageChangeVetoed(Context& ctx, int current_page, int direction) {
  return DllResultsContain(SendDllMessage(ctx, "消息，整数型，1002\r\n参数一，整数型，" +
                                                   N(current_page) + "\r\n参数二，整数型，" +
                                                   N(direction) + "\r\n"),
                           kVeto);
}

void NotifyInstallDone(Context& ctx, int installing_page) {
  SendDllMessage(ctx, "消息，整数型，1002\r\n参数一，整数型，" + N(installing_page) +
                          "\r\n参数二，整数型，1\r\n");
}

void NotifyPageChanged(Context& ctx, int page) {
  SendDllMessage(ctx, "，整数型，1001\r\n，整数型，" + N(page) + "\r\n");
}

bool ExitVetoed(Context& ctx, bool user_said_yes) {
  const auto results = SendDllMessage(ctx, std::string("，整数型，1003……，整数型，") +
                                               (user_said_yes ? "1" : "0"));
  return user_said_yes && DllResultsContain(results, kVeto);
}

void NotifyWindowEvent(Context& ctx, int value) {
  SendDllMessage(ctx, "，整数型，1004……，整数型，" + N(value));
}

void NotifyInstallFinished(Context& ctx) { SendDllMessage(ctx, "，整数型，1005"); }

bool RemovalTakenOver(Context& ctx, int stage) {
  return DllResultsContain(SendDllMessage(ctx, "，整数型，2000……，整数型，" + N(stage)), kVeto);
}

}  // namespace qmb
