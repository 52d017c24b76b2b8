#include "LoginProof.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <stdexcept>

namespace tessoran::wire {
namespace {

std::string bytesOf(const Nonce& nonce)
{
    return std::string(nonce.begin(), nonce.end());
}

Proof keyedProof(const std::string& password, const std::string& message)
{
    Proof proof{};
    unsigned int length = 0;
    HMAC(EVP_sha256(), password.data(), static_cast<int>(password.size()),
         reinterpret_cast<const unsigned char*>(message.data()), message.size(), proof.data(), &length);
    return proof;
}

} // namespace

Proof deviceLoginProof(const std::string& password, const Nonce& clientNonce, const Nonce& deviceNonce,
                       const std::string& user)
{
    return keyedProof(password, "device" + bytesOf(clientNonce) + bytesOf(deviceNonce) + user);
}

Proof clientLoginProof(const std::string& password, const Nonce& deviceNonce, const Nonce& clientNonce,
                       const std::string& user)
{
    return keyedProof(password, "client" + bytesOf(deviceNonce) + bytesOf(clientNonce) + user);
}

Proof alarmProof(const std::string& password, const Nonce& listenerNonce, const std::string& signedFields)
{
    return keyedProof(password, "alarm" + bytesOf(listenerNonce) + signedFields);
}

bool proofMatches(const Proof& expected, const Proof& received)
{
    return CRYPTO_memcmp(expected.data(), received.data(), expected.size()) == 0;
}

void randomBytes(uint8_t* data, size_t size)
{
    if (RAND_bytes(data, static_cast<int>(size)) != 1)
        throw std::runtime_error("RAND_bytes failed");
}

} // namespace tessoran::wire
