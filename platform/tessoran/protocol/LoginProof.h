#pragma once
// Proofs of knowing a password: HMAC-SHA256 keyed with the password over a label,
// fresh nonces and names. The password never crosses the wire; the label keeps a
// proof made for one purpose (device, client, alarm connection) from being
// replayed for another, and the nonces keep it from being replayed at all.

#include <array>
#include <cstdint>
#include <string>

namespace tessoran::wire {

using Nonce = std::array<uint8_t, 32>;
using Proof = std::array<uint8_t, 32>;
using Token = std::array<uint8_t, 16>;

// Login: the device proves itself first, over the client's nonce; the client
// answers over the device's nonce.
Proof deviceLoginProof(const std::string& password, const Nonce& clientNonce, const Nonce& deviceNonce,
                       const std::string& user);
Proof clientLoginProof(const std::string& password, const Nonce& deviceNonce, const Nonce& clientNonce,
                       const std::string& user);

// Alarm connection: the device proves itself over the listener's nonce and the
// fields of its hello (address, port, user, alarm run).
Proof alarmProof(const std::string& password, const Nonce& listenerNonce, const std::string& signedFields);

bool proofMatches(const Proof& expected, const Proof& received);
// Cryptographically random bytes (nonces and session tokens).
void randomBytes(uint8_t* data, size_t size);
template <class Array>
Array randomArray()
{
    Array array;
    randomBytes(array.data(), array.size());
    return array;
}

} // namespace tessoran::wire
