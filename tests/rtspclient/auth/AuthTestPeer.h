#ifndef AUTHTESTPEER_H
#define AUTHTESTPEER_H

#include <cstdint>
#include <string>
#include <vector>

// The server side of the encrypted schemes: holds an RSA private key made at
// build time and opens what the client sends.
class AuthTestPeer
{
public:
    using Bytes = std::vector<uint8_t>;

    explicit AuthTestPeer(const std::string& privateKeyFile);
    ~AuthTestPeer();
    AuthTestPeer(const AuthTestPeer&) = delete;
    AuthTestPeer& operator=(const AuthTestPeer&) = delete;

    bool valid() const { return m_key != nullptr; }
    // Base64 text of an RSA PKCS #1 v1.5 block -> plain bytes (empty on failure).
    Bytes rsaDecrypt(const std::string& base64) const;
    static Bytes aes128EcbDecrypt(const Bytes& key, const std::string& base64);
    static Bytes aes256CbcDecrypt(const Bytes& key, const Bytes& iv, const std::string& base64);
    static std::string readFile(const std::string& path);

private:
    struct evp_pkey_st* m_key = nullptr;
};

#endif
