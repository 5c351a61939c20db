// Dialog keys for opted-in windows.
#include "platform/win32/dialog_keys.h"

namespace qmb {
namespace {

constexpr wchar_t kDialogKeysProp[] = L"QmbDialogKeys";

}  // namespace

void EnableDialogKeys(HWND window) { SetPropW(window, kDialogKeysProp, reinterpret_cast<HANDLE>(1)); }

bool HandleDialogKey(MSG& message) {
  if (message.hwnd == nullptr) return false;
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  if (root == nullptr || GetPropW(root, kDialogKeysProp) == nullptr) return false;
  if (!IsDialogMessageW(root, &message)) return false;
  if (IsWindow(root)) SendMessageW(root, kDialogKeyTaken, 0, 0);
  return true;
}

}  // namespace qmb
