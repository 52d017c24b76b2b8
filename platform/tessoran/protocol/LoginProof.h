#pragma once
// Challenge-response login: the device sends a random nonce, the client answers
// with HMAC-SHA256(key = password, message = nonce || user name). The password
// never crosses the wire.

#include <array>
#include <cstdint>
#include <string>

namespace tessoran::wire {

using Nonce = std::array<uint8_t, 32>;
using Proof = std::array<uint8_t, 32>;
using Token = std::array<uint8_t, 16>;

Proof loginProof(const std::string& password, const Nonce& nonce, const std::string& user);
bool proofMatches(const Proof& expected, const Proof& received);
// Cryptographically random bytes (nonces and session tokens).
void randomBytes(uint8_t* data, size_t size);

}  // namespace tessoran::wire
