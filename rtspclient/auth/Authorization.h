#ifndef PELLMAR_AUTHORIZATION_H
#define PELLMAR_AUTHORIZATION_H

#include <memory>
#include <string>

class CRsaPublicKey;

// Authorization values for the four schemes: Basic and Digest (from a
// server challenge), and the encrypted "AES" and "SEP" schemes that carry
// the credentials under a random AES key wrapped by an RSA public key.
// Every refusal is logged and gives no value, so the request goes out
// without an Authorization header; no scheme keeps state between values.

enum AuthMode { AUTH_MODE_NONE = 0, AUTH_MODE_BASIC = 1, AUTH_MODE_AES = 2, AUTH_MODE_SEP = 3 };

// The mode the server offers in an OPTIONS "SupportAuth" value: "BASE64" 1,
// "AES" 2, "Authenty" 3, the last match winning; 0 when none.
int AuthModeFromSupportAuth(const std::string& supportAuth);

// "Basic <base64 of user:password>"-style value without the scheme name.
std::string BuildBasicCredentials(const std::string& user, const std::string& password);

// From a WWW-Authenticate challenge: "Digest ..." when it contains
// "Digest" (empty without realm or nonce: never Basic in its place), else
// "Basic ..." when it contains "Basic", else empty. `nonceCount` counts the
// Digest requests made with the challenge's nonce, from 1.
std::string BuildAuthorization(const std::string& method, const std::string& uri, const std::string& challenge,
                               const std::string& user, const std::string& password, unsigned int nonceCount = 1);

// The Digest value with a given client nonce. A challenge offering qop "auth"
// gets the answer of RFC 7616 (qop, nc, cnonce); one without qop the plain
// answer. An opaque value is returned as given; parameters may be quoted or
// not. Empty without realm or nonce, or for an algorithm other than MD5.
std::string BuildDigestAuthorization(const std::string& method, const std::string& uri, const std::string& challenge,
                                     const std::string& user, const std::string& password, unsigned int nonceCount,
                                     const std::string& cnonce);

// True for a Digest challenge with stale=true: the credentials were right,
// only the nonce rotated.
bool DigestChallengeIsStale(const std::string& challenge);

// "AES": 0 and the value, or -1. "user:password" longer than 63 characters
// is refused rather than cut.
int GenerateAuthAES(const std::string& user, const std::string& password, std::string& value);

// "SEP" with cipher suite 0: 0 with the Authorization value, the Key text and
// the Identification text, or -1.
int GenerateAuthWithSuite_0(const std::string& password, const std::string& serverPublicKey, const std::string& user,
                            const std::string& serverRandom, const std::string& token, std::string& value,
                            std::string& keyText, std::string& identification);

// A SEP challenge: the WWW-Authenticate value begins "SEP "; CIPHER_SUITE
// (which must be 0) and RAND are required, and the response's PKD gives the
// key. Each refusal is logged.
bool ParseSepChallenge(const std::string& wwwAuthenticate, const std::string& pkd, std::string& cipherSuite,
                       std::string& serverRandom, std::string& serverPublicKey);

std::unique_ptr<CRsaPublicKey> Get_RSA_PublicKeyWithCert(const std::string& pem);

// The library's RSA key of the "AES" scheme: read at initialisation from
// `pem`, or from the key built into the library when `pem` is null.
// 0 on success, -1 (logged) when the text holds no RSA public key.
int RSA_PublicKey_Init(const char* pem = nullptr);
void RSA_PublicKey_Free();

#endif
