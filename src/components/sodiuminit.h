#pragma once
// libsodium, for the operator's password hashes and the encryption object, is
// opened and initialised once, when a password is first checked or a secret
// first needed (not by every start: the login window is up before that).
#include <sodium.h>

namespace zenlo {

// The functions of libsodium the program uses (declared by <sodium.h>, resolved when first needed).
struct SodiumApi {
#define ZENLO_SODIUM_FUNCTIONS(X)                                                                                           \
    X(sodium_init) X(sodium_memzero) X(randombytes_buf) X(crypto_generichash) X(crypto_secretbox_easy)                      \
    X(crypto_secretbox_open_easy) X(crypto_pwhash_str_alg) X(crypto_pwhash_str_needs_rehash) X(crypto_pwhash_str_verify)
#define ZENLO_SODIUM_MEMBER(f) decltype(&::f) f = nullptr;
    ZENLO_SODIUM_FUNCTIONS(ZENLO_SODIUM_MEMBER)
#undef ZENLO_SODIUM_MEMBER
    template <typename F>
    void forEach(F &&visit)
    {
#define ZENLO_SODIUM_VISIT(f) visit(f, #f);
        ZENLO_SODIUM_FUNCTIONS(ZENLO_SODIUM_VISIT)
#undef ZENLO_SODIUM_VISIT
    }
};

// The initialised library, or null when it cannot be loaded or initialised (no usable random source).
const SodiumApi *sodium();
// False only when sodium() is null.
bool sodiumReady();

} // namespace zenlo
