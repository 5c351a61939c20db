// Reading ahead on a borrowed thread against reading straight through: the same bytes and the same
// end or failure, whatever the share lends, and a stop that ends the helper.
#include "archive/coder_test_support.h"
#include "archive/read_ahead.h"
#include "archive/reader_test_support.h"

namespace qmb::sevenzip {
namespace {

// The bytes in pieces of a few kilobytes, then `end`: kOk for a clean end, or a failure.
class EndingSource final : public Source {
 public:
  EndingSource(std::string bytes, Status end) : bytes_(std::move(bytes)), end_(end) {}
  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = std::min({size, size_t(5000), bytes_.size() - pos_});
    if (got == 0) return end_;
    std::copy_n(bytes_.data() + pos_, got, data);
    pos_ += got;
    return Status::kOk;
  }

 private:
  std::string bytes_;
  size_t pos_ = 0;
  Status end_;
};

TEST(ReadAhead, GivesTheInnerBytesAndEndWhateverTheShareLends) {
  const std::string bytes = reader_test::RandomBytes(3000000, 9);
  struct Case {
    unsigned threads;
    uint64_t budget;
    Status end;
  } cases[] = {{1, 1 << 30, Status::kOk}, {1, 1 << 30, Status::kDataError}, {0, 1 << 30, Status::kOk},
               {1, 0, Status::kCrcError}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, budget " << c.budget);
    CountingShare share(c.threads, c.budget);
    {
      auto source = MakeReadAhead(std::make_unique<EndingSource>(bytes, c.end), 65536, share);
      Status status = Status::kOk;
      const std::string out = ReadAll(*source, status, 70000);
      EXPECT_EQ(status, c.end);
      EXPECT_TRUE(out == bytes) << out.size() << " bytes against " << bytes.size();
      // Read on past the end: the end again, no bytes.
      uint8_t byte = 0;
      size_t got = 1;
      EXPECT_EQ(source->Read(&byte, 1, got), c.end);
      EXPECT_EQ(got, 0u);
    }
    EXPECT_EQ(share.threads_taken, c.threads > 0 && c.budget > 0 ? 1u : 0u);
    EXPECT_EQ(share.lent_threads(), 0u);
    EXPECT_EQ(share.memory(), 0u);
  }
}

TEST(ReadAhead, AStopEndsTheHelperAfterTheBytesItRead) {
  const std::string bytes = reader_test::RandomBytes(20000000, 10);
  CountingShare share(1, 1 << 30);
  {
    auto source = MakeReadAhead(std::make_unique<EndingSource>(bytes, Status::kOk), 65536, share);
    std::string first(100000, '\0');
    size_t got = 0;
    ASSERT_EQ(ReadFull(*source, reinterpret_cast<uint8_t*>(first.data()), first.size(), got), Status::kOk);
    ASSERT_EQ(got, first.size());
    share.Stop();
    Status status = Status::kOk;
    const std::string rest = ReadAll(*source, status, 65536);
    EXPECT_EQ(status, Status::kCancelled);
    EXPECT_LT(first.size() + rest.size(), bytes.size());
    EXPECT_TRUE(bytes.compare(0, first.size() + rest.size(), first + rest) == 0);
  }
  EXPECT_EQ(share.lent_threads(), 0u);
  EXPECT_EQ(share.memory(), 0u);
}

}  // namespace
}  // namespace qmb::sevenzip
