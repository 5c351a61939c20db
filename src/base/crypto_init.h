// One-time set-up of libgcrypt, shared by the digests and the data cipher.
#pragma once

namespace qmb {

// Initialises libgcrypt on first use; safe to call from any thread, any number of times.
void EnsureCryptoReady();

}  // namespace qmb
