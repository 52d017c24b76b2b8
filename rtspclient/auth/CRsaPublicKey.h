#ifndef PELLMAR_CRSAPUBLICKEY_H
#define PELLMAR_CRSAPUBLICKEY_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct evp_pkey_st EVP_PKEY;

// An RSA public key for PKCS #1 v1.5 encryption.
class CRsaPublicKey
{
public:
    // Longest PEM text read; far above a 4096-bit key or its certificate.
    static constexpr size_t kMaxPemLength = 8192;

    ~CRsaPublicKey();
    CRsaPublicKey(const CRsaPublicKey&) = delete;
    CRsaPublicKey& operator=(const CRsaPublicKey&) = delete;

    // Reads a "PUBLIC KEY", "RSA PUBLIC KEY" or "CERTIFICATE" block, with
    // CRLF or bare LF line ends. Null when none is found or it is no RSA key.
    static std::unique_ptr<CRsaPublicKey> FromPem(const std::string& pem);

    bool Encrypt(const uint8_t* data, size_t length, std::vector<uint8_t>& encrypted) const;

private:
    explicit CRsaPublicKey(EVP_PKEY* key) : m_key(key) { }

    EVP_PKEY* m_key;
};

#endif
