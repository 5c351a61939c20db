// The dialog port: message boxes, the input box, and letting pending window messages run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qmb {

// Flags and answers as MessageBox uses them.
enum MessageBoxFlags : uint32_t {
  kMbOk = 0x0,
  kMbYesNo = 0x4,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
};
enum MessageBoxAnswer : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual int MessageBox(const std::string& text, const std::string& title, uint32_t flags) = 0;
  // nullopt when the box is cancelled.
  virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                              bool password) = 0;
  // Lets pending window messages of this thread be processed once.
  virtual void ProcessPendingMessages() = 0;
};

}  // namespace qmb
