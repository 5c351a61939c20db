#include "base/crypto.h"

#include <gtest/gtest.h>

#include "crypto_known_answers.h"

namespace qmb {
namespace {

// The Windows build runs the same answers against the system's CNG (tests/e2e/test_crypto.sh).
TEST(Crypto, GivesThePublishedAnswers) {
  EXPECT_EQ(crypto_test::KnownAnswerFailures(), std::vector<std::string>{});
}

}  // namespace
}  // namespace qmb
