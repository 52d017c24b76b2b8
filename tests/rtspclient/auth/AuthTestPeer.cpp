#include "AuthTestPeer.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "auth/Base64.h"

namespace {

AuthTestPeer::Bytes aesDecrypt(const EVP_CIPHER* cipher, const uint8_t* key, const uint8_t* iv,
                               const std::string& base64)
{
    AuthTestPeer::Bytes encrypted;
    if (!base64::Decode(base64, encrypted))
        return {};
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    AuthTestPeer::Bytes plain(encrypted.size() + 32);
    int written = 0;
    int tail = 0;
    if (EVP_DecryptInit_ex(context.get(), cipher, nullptr, key, iv) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
        EVP_DecryptUpdate(context.get(), plain.data(), &written, encrypted.data(),
                          static_cast<int>(encrypted.size())) != 1 ||
        EVP_DecryptFinal_ex(context.get(), plain.data() + written, &tail) != 1)
        return {};
    plain.resize(static_cast<size_t>(written + tail));
    return plain;
}

} // namespace

std::string AuthTestPeer::readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

AuthTestPeer::AuthTestPeer(const std::string& privateKeyFile)
{
    const std::string pem = readFile(privateKeyFile);
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    m_key = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
}

AuthTestPeer::~AuthTestPeer()
{
    EVP_PKEY_free(m_key);
}

AuthTestPeer::Bytes AuthTestPeer::rsaDecrypt(const std::string& base64) const
{
    Bytes encrypted;
    if (!base64::Decode(base64, encrypted))
        return {};
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> context(EVP_PKEY_CTX_new(m_key, nullptr),
                                                                        EVP_PKEY_CTX_free);
    size_t size = 0;
    if (EVP_PKEY_decrypt_init(context.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) <= 0 ||
        EVP_PKEY_decrypt(context.get(), nullptr, &size, encrypted.data(), encrypted.size()) <= 0)
        return {};
    Bytes plain(size);
    if (EVP_PKEY_decrypt(context.get(), plain.data(), &size, encrypted.data(), encrypted.size()) <= 0)
        return {};
    plain.resize(size);
    return plain;
}

AuthTestPeer::Bytes AuthTestPeer::aes128EcbDecrypt(const Bytes& key, const std::string& base64)
{
    return key.size() == 16 ? aesDecrypt(EVP_aes_128_ecb(), key.data(), nullptr, base64) : Bytes{};
}

AuthTestPeer::Bytes AuthTestPeer::aes256CbcDecrypt(const Bytes& key, const Bytes& iv, const std::string& base64)
{
    return key.size() == 32 && iv.size() == 16 ? aesDecrypt(EVP_aes_256_cbc(), key.data(), iv.data(), base64) : Bytes{};
}
