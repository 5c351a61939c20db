// Native code that calls libgcrypt directly (the packaging tool encrypts archives, which the
// program itself never does) readies the library through the same once-only set-up.
#pragma once

namespace qmb::crypto {

// Runs libgcrypt's version check and set-up on first use; safe from any thread, any number of times.
void EnsureGcryptReady();

}  // namespace qmb::crypto
