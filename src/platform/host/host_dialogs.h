// Recorded dialogs with scripted answers. Message boxes answer from a queue, or Yes for a yes/no
// box and OK otherwise; input boxes answer from their own queue, or as cancelled.
#pragma once

#include <deque>
#include <vector>

#include "platform/dialogs.h"

namespace qmb {

struct MessageBoxCall {
  std::string text;
  std::string title;
  uint32_t flags = 0;
};

struct InputBoxCall {
  std::string prompt;
  std::string title;
  bool password = false;
};

class HostDialogs : public Dialogs {
 public:
  void QueueMessageBoxAnswer(int answer) { message_answers_.push_back(answer); }
  void QueueInputBoxAnswer(std::optional<std::string> answer) {
    input_answers_.push_back(std::move(answer));
  }

  int MessageBox(const std::string& text, const std::string& title, uint32_t flags) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      bool password) override;
  void ProcessPendingMessages() override { ++pending_message_calls_; }

  const std::vector<MessageBoxCall>& message_boxes() const { return message_boxes_; }
  const std::vector<InputBoxCall>& input_boxes() const { return input_boxes_; }
  int pending_message_calls() const { return pending_message_calls_; }

 private:
  std::deque<int> message_answers_;
  std::deque<std::optional<std::string>> input_answers_;
  std::vector<MessageBoxCall> message_boxes_;
  std::vector<InputBoxCall> input_boxes_;
  int pending_message_calls_ = 0;
};

}  // namespace qmb
