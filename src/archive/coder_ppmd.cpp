// The PPMd coder of a folder: the properties bounded before the model's memory is taken, then
// one model symbol per output byte.
#include "archive/coder_ppmd.h"

#include "archive/ppmd_model.h"

namespace qmb::sevenzip {
namespace {

class PpmdDecoder final : public Source {
 public:
  PpmdDecoder(std::unique_ptr<Source> input, unsigned order) : in_(std::move(input), 1 << 16), rc_(in_), order_(order) {}
  bool Allocate(uint32_t memory) { return model_.Allocate(memory); }

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    if (failed_) return Status::kDataError;
    if (!started_) {
      if (!rc_.Init()) return Fail();
      model_.Init(order_);
      started_ = true;
    }
    // An end mark before the declared size, or damage, fails the stream.
    if (!model_.DecodeSymbols(rc_, data, size) || rc_.overrun()) return Fail();
    got = size;
    return Status::kOk;
  }

 private:
  Status Fail() {
    failed_ = true;
    return in_.status() != Status::kOk ? in_.status() : Status::kDataError;
  }

  InputBuffer in_;
  ppmd::RangeDecoder rc_;
  ppmd::Model model_;
  unsigned order_;
  bool started_ = false;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<Source> MakePpmdDecoder(const std::vector<uint8_t>& props, std::unique_ptr<Source> input,
                                        Status& status) {
  status = Status::kUnsupportedMethod;
  if (props.size() < 5) return nullptr;
  const unsigned order = props[0];
  const uint32_t memory = props[1] | props[2] << 8 | props[3] << 16 | uint32_t(props[4]) << 24;
  if (order < ppmd::Model::kMinOrder || order > ppmd::Model::kMaxOrder || memory < ppmd::Model::kMinMemory ||
      memory > ppmd::Model::kMaxMemory)
    return nullptr;
  status = Status::kTooLarge;
  if (memory > kMaxDictionary) return nullptr;
  auto decoder = std::make_unique<PpmdDecoder>(std::move(input), order);
  if (!decoder->Allocate(memory)) return nullptr;
  status = Status::kOk;
  return decoder;
}

}  // namespace qmb::sevenzip
