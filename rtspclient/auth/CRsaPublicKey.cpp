#include "CRsaPublicKey.h"

#include <openssl/bio.h>
#include <openssl/decoder.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

namespace {

struct BioFree
{
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct ContextFree
{
    void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
using BioPtr = std::unique_ptr<BIO, BioFree>;

BioPtr memoryBio(const std::string& pem)
{
    return BioPtr(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
}

EVP_PKEY* readKey(const std::string& pem)
{
    if (pem.find("-----BEGIN CERTIFICATE-----") != std::string::npos) {
        BioPtr bio = memoryBio(pem);
        X509* certificate = bio ? PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr) : nullptr;
        if (!certificate)
            return nullptr;
        EVP_PKEY* key = X509_get_pubkey(certificate);
        X509_free(certificate);
        return key;
    }
    // "PUBLIC KEY" and PKCS #1 "RSA PUBLIC KEY" blocks alike.
    EVP_PKEY* key = nullptr;
    OSSL_DECODER_CTX* decoder =
        OSSL_DECODER_CTX_new_for_pkey(&key, "PEM", nullptr, "RSA", EVP_PKEY_PUBLIC_KEY, nullptr, nullptr);
    if (!decoder)
        return nullptr;
    const auto* data = reinterpret_cast<const unsigned char*>(pem.data());
    size_t length = pem.size();
    if (OSSL_DECODER_from_data(decoder, &data, &length) != 1)
        key = nullptr;
    OSSL_DECODER_CTX_free(decoder);
    return key;
}

} // namespace

CRsaPublicKey::~CRsaPublicKey()
{
    EVP_PKEY_free(m_key);
}

std::unique_ptr<CRsaPublicKey> CRsaPublicKey::FromPem(const std::string& pem)
{
    if (pem.empty() || pem.size() > kMaxPemLength)
        return nullptr;
    EVP_PKEY* key = readKey(pem);
    if (!key)
        return nullptr;
    if (EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA) {
        EVP_PKEY_free(key);
        return nullptr;
    }
    return std::unique_ptr<CRsaPublicKey>(new CRsaPublicKey(key));
}

bool CRsaPublicKey::Encrypt(const uint8_t* data, size_t length, std::vector<uint8_t>& encrypted) const
{
    std::unique_ptr<EVP_PKEY_CTX, ContextFree> context(EVP_PKEY_CTX_new(m_key, nullptr));
    size_t size = 0;
    if (!context || EVP_PKEY_encrypt_init(context.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) <= 0 ||
        EVP_PKEY_encrypt(context.get(), nullptr, &size, data, length) <= 0)
        return false;
    encrypted.resize(size);
    if (EVP_PKEY_encrypt(context.get(), encrypted.data(), &size, data, length) <= 0)
        return false;
    encrypted.resize(size);
    return true;
}
