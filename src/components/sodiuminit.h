#pragma once
// libsodium must be initialised once before any of its functions is used; the
// operator's password hashes and the encryption object share this.
namespace zenlo {
// False only when libsodium cannot initialise (no usable random source).
bool sodiumReady();
} // namespace zenlo
