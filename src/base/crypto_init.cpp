// libgcrypt wants its version check before any other call; a function-local static runs it exactly
// once even when threads race for it.
#include "base/crypto_init.h"

#include <gcrypt.h>

namespace qmb {

void EnsureCryptoReady() {
  static const bool ready = [] {
    gcry_check_version(nullptr);
    // Nothing here keeps long-lived secrets, so the locked secure-memory pool is not needed.
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)ready;
}

}  // namespace qmb
