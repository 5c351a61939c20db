// The install log: every step the program takes and every failure it passes over, one GBK line
// each. Where the lines go is set by whoever builds the context (SETUP_LOG names a file).
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace qmb {

class InstallLog {
 public:
  using Sink = std::function<void(std::string_view line)>;
  void SetSink(Sink sink) { sink_ = std::move(sink); }
  void Step(std::string_view text);
  void Failure(std::string_view text);

 private:
  void Write(std::string_view prefix, std::string_view text);
  Sink sink_;
};

}  // namespace qmb
