#include "LoginProof.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <stdexcept>
#include <vector>

namespace tessoran::wire {

Proof loginProof(const std::string& password, const Nonce& nonce, const std::string& user) {
  std::vector<uint8_t> message(nonce.begin(), nonce.end());
  message.insert(message.end(), user.begin(), user.end());
  Proof proof{};
  unsigned int length = 0;
  HMAC(EVP_sha256(), password.data(), static_cast<int>(password.size()), message.data(),
       message.size(), proof.data(), &length);
  return proof;
}

bool proofMatches(const Proof& expected, const Proof& received) {
  return CRYPTO_memcmp(expected.data(), received.data(), expected.size()) == 0;
}

void randomBytes(uint8_t* data, size_t size) {
  if (RAND_bytes(data, static_cast<int>(size)) != 1) throw std::runtime_error("RAND_bytes failed");
}

}  // namespace tessoran::wire
