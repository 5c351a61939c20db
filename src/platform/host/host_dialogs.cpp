// Scripted dialog answers.
#include "platform/host/host_dialogs.h"

namespace qmb {

int HostDialogs::MessageBox(const std::string& text, const std::string& title, uint32_t flags) {
  message_boxes_.push_back({text, title, flags});
  if (message_answers_.empty()) return (flags & 0xF) == kMbYesNo ? kIdYes : kIdOk;
  int answer = message_answers_.front();
  message_answers_.pop_front();
  return answer;
}

std::optional<std::string> HostDialogs::InputBox(const std::string& prompt,
                                                 const std::string& title, bool password) {
  input_boxes_.push_back({prompt, title, password});
  if (input_answers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(input_answers_.front());
  input_answers_.pop_front();
  return answer;
}

}  // namespace qmb
