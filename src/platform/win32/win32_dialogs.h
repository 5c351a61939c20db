// Message boxes, the input box and the message pump. The boxes belong to the active window.
#pragma once

#include "platform/dialogs.h"

namespace qmb {

class Win32Dialogs : public Dialogs {
 public:
  int MessageBox(const std::string& text, const std::string& title, uint32_t flags) override;
  // A small modal dialog built in memory: the prompt, one edit box (masked for passwords), OK and
  // Cancel.
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      bool password) override;
  void ProcessPendingMessages() override;
};

}  // namespace qmb
