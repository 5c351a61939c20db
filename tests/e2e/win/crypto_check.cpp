// Runs the published crypto test vectors against the system's CNG, through the same interface the
// runtime and the archive library use. Prints one line per failed check; exit code 0 when none.
#include <cstdio>

#include "crypto_known_answers.h"

int main() {
  auto failed = qmb::crypto_test::KnownAnswerFailures();
  for (const auto& name : failed) std::printf("FAILED %s\n", name.c_str());
  if (failed.empty()) std::printf("ok every known answer\n");
  return failed.empty() ? 0 : 1;
}
