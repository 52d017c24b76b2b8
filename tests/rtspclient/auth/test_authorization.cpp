// Basic and Digest against RFC vectors; "AES" and "SEP" opened by a test
// peer that holds the private keys.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "AuthTestPeer.h"
#include "auth/Authorization.h"
#include "auth/Base64.h"
#include "auth/CRsaPublicKey.h"
#include "auth/Md5.h"
#include "wexl.h"

namespace {

using Bytes = AuthTestPeer::Bytes;

std::string keyFile(const std::string& name)
{
    return std::string(AUTH_KEY_DIR) + "/" + name;
}

std::string publicKey(int bits)
{
    return AuthTestPeer::readFile(keyFile("rsa-" + std::to_string(bits) + ".pub.pem"));
}

std::string withoutTrailingZeros(const Bytes& bytes)
{
    std::string text(bytes.begin(), bytes.end());
    text.erase(text.find_last_not_of('\0') + 1);
    return text;
}

// ---- Base64 and MD5 --------------------------------------------------------

struct Base64Case
{
    std::string plain;
    std::string encoded;
};

// Cases print as their plain texts in test listings.
void PrintTo(const Base64Case& c, std::ostream* out)
{
    *out << '"' << c.plain << '"';
}

class Base64Vectors : public ::testing::TestWithParam<Base64Case>
{ };

TEST_P(Base64Vectors, EncodeAndDecodeRfc4648)
{
    EXPECT_EQ(base64::Encode(GetParam().plain), GetParam().encoded);
    Bytes decoded;
    ASSERT_TRUE(base64::Decode(GetParam().encoded, decoded));
    EXPECT_EQ(std::string(decoded.begin(), decoded.end()), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64Vectors,
                         ::testing::Values(Base64Case{"", ""}, Base64Case{"f", "Zg=="}, Base64Case{"fo", "Zm8="},
                                           Base64Case{"foo", "Zm9v"}, Base64Case{"foob", "Zm9vYg=="},
                                           Base64Case{"fooba", "Zm9vYmE="}, Base64Case{"foobar", "Zm9vYmFy"}));

TEST(Base64Decode, RefusesMalformedText)
{
    Bytes decoded;
    for (const char* bad : {"Zm9", "Zm9v!A==", "Z===", "Zg=a", "Zm 9v", "=Zm9"})
        EXPECT_FALSE(base64::Decode(bad, decoded)) << bad;
}

TEST(Md5, Rfc1321Suite)
{
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
}

// ---- Basic and Digest -------------------------------------------------------

TEST(Basic, Rfc2617ExampleAndEmptyPassword)
{
    EXPECT_EQ(BuildBasicCredentials("Aladdin", "open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    EXPECT_EQ(BuildBasicCredentials("admin", ""), base64::Encode("admin:"));
    EXPECT_EQ(
        BuildAuthorization("DESCRIBE", "rtsp://x/", "Basic realm=\"GStreamer RTSP Server\"", "Aladdin", "open sesame"),
        "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

TEST(Basic, LongCredentialsAreNeverCut)
{
    const std::string password(300, 'p');
    Bytes decoded;
    ASSERT_TRUE(base64::Decode(BuildBasicCredentials("user", password), decoded));
    EXPECT_EQ(std::string(decoded.begin(), decoded.end()), "user:" + password);
}

struct DigestCase
{
    const char* name;
    std::string method;
    std::string uri;
    std::string challenge;
    std::string user;
    std::string password;
    std::string expected;
    std::string cnonce = "0a4f113b";
};

// Cases print as their names in test listings.
void PrintTo(const DigestCase& c, std::ostream* out)
{
    *out << c.name;
}

class DigestVectors : public ::testing::TestWithParam<DigestCase>
{ };

TEST_P(DigestVectors, BuildsTheValue)
{
    const DigestCase& c = GetParam();
    EXPECT_EQ(BuildDigestAuthorization(c.method, c.uri, c.challenge, c.user, c.password, 1, c.cnonce), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DigestVectors,
    ::testing::Values(
        // RFC 2617 section 3.5: qop "auth" offered, answered with qop, nc,
        // cnonce and the opaque value, giving the RFC's response.
        DigestCase{"rfc2617", "GET", "/dir/index.html",
                   "Digest realm=\"testrealm@host.com\", qop=\"auth,auth-int\", "
                   "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"",
                   "Mufasa", "Circle Of Life",
                   "Digest username=\"Mufasa\", realm=\"testrealm@host.com\", "
                   "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", uri=\"/dir/index.html\", "
                   "response=\"6629fae49393a05397450978507c4ef1\", opaque=\"5ccc069c403ebaf9f0171e9517f40e41\", "
                   "qop=auth, nc=00000001, cnonce=\"0a4f113b\""},
        // RFC 7616 section 3.9.1, MD5.
        DigestCase{"rfc7616", "GET", "/dir/index.html",
                   "Digest realm=\"http-auth@example.org\", qop=\"auth, auth-int\", algorithm=MD5, "
                   "nonce=\"7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v\", "
                   "opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\"",
                   "Mufasa", "Circle of Life",
                   "Digest username=\"Mufasa\", realm=\"http-auth@example.org\", "
                   "nonce=\"7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v\", uri=\"/dir/index.html\", "
                   "algorithm=MD5, response=\"8ca523f5e9506fed4657c9700eebdbec\", "
                   "opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\", qop=auth, nc=00000001, "
                   "cnonce=\"f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ\"",
                   "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ"},
        // Only "auth-int" offered: the plain answer (no body digest is made).
        DigestCase{"onlyAuthInt", "DESCRIBE", "rtsp://x/", "Digest realm=r, nonce=n, qop=\"auth-int\"", "admin",
                   "12345",
                   "Digest username=\"admin\", realm=\"r\", nonce=\"n\", uri=\"rtsp://x/\", "
                   "response=\"87e4aaf7e1653addb3f6bd0f937de9dc\""},
        DigestCase{"unquotedParameters", "DESCRIBE", "rtsp://x/", "Digest realm=r, nonce=n", "admin", "12345",
                   "Digest username=\"admin\", realm=\"r\", nonce=\"n\", uri=\"rtsp://x/\", "
                   "response=\"87e4aaf7e1653addb3f6bd0f937de9dc\""},
        DigestCase{"otherAlgorithm", "DESCRIBE", "rtsp://x/", "Digest realm=r, nonce=n, algorithm=SHA-256", "admin",
                   "12345", ""},
        DigestCase{"rtspServer", "DESCRIBE", "rtsp://127.0.0.1:8554/test",
                   "Digest realm=\"GStreamer RTSP Server\", nonce=\"d8e6f4a1c2b3d4e5\"", "admin", "12345",
                   "Digest username=\"admin\", realm=\"GStreamer RTSP Server\", nonce=\"d8e6f4a1c2b3d4e5\", "
                   "uri=\"rtsp://127.0.0.1:8554/test\", response=\"5c2dbebda976d74c9c81056d1c519b78\""},
        DigestCase{"noRealm", "DESCRIBE", "rtsp://x/", "Digest nonce=\"abc\"", "admin", "12345", ""},
        DigestCase{"noNonce", "DESCRIBE", "rtsp://x/", "Digest realm=\"r\"", "admin", "12345", ""},
        DigestCase{"unterminatedQuote", "DESCRIBE", "rtsp://x/", "Digest realm=\"r\", nonce=\"abc", "admin", "1", ""},
        // A broken Digest challenge never turns into Basic credentials.
        DigestCase{"brokenDigestBesideBasic", "DESCRIBE", "rtsp://x/", "Digest realm=\"r\" Basic realm=\"r\"", "admin",
                   "12345", ""},
        DigestCase{"unknownScheme", "DESCRIBE", "rtsp://x/", "Negotiate abc", "admin", "12345", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Digest, NonceCountIsWrittenAsEightHexDigits)
{
    const std::string value =
        BuildAuthorization("PLAY", "rtsp://x/", "Digest realm=\"r\", nonce=\"n\", qop=\"auth\"", "u", "p", 26);
    EXPECT_NE(value.find("nc=0000001a"), std::string::npos) << value;
    EXPECT_NE(value.find("cnonce=\""), std::string::npos) << value;
}

TEST(Digest, StaleChallengeIsRecognised)
{
    EXPECT_TRUE(DigestChallengeIsStale("Digest realm=\"r\", nonce=\"n2\", stale=true"));
    EXPECT_TRUE(DigestChallengeIsStale("Digest realm=\"r\", stale=\"TRUE\", nonce=\"n2\""));
    EXPECT_FALSE(DigestChallengeIsStale("Digest realm=\"r\", nonce=\"n2\", stale=false"));
    EXPECT_FALSE(DigestChallengeIsStale("Digest realm=\"r\", nonce=\"n2\""));
    EXPECT_FALSE(DigestChallengeIsStale("Basic realm=\"stale=true\""));
}

TEST(SupportAuth, ModeOfTheLastMatch)
{
    EXPECT_EQ(AuthModeFromSupportAuth(""), AUTH_MODE_NONE);
    EXPECT_EQ(AuthModeFromSupportAuth("BASE64"), AUTH_MODE_BASIC);
    EXPECT_EQ(AuthModeFromSupportAuth("BASE64,AES"), AUTH_MODE_AES);
    EXPECT_EQ(AuthModeFromSupportAuth("Authenty,BASE64"), AUTH_MODE_SEP);
}

// ---- "AES" ------------------------------------------------------------------

class AesScheme : public ::testing::TestWithParam<int>
{
protected:
    void TearDown() override { RSA_PublicKey_Init(); }
};

// The peer opens the value and finds the credentials, zero padded to blocks.
void expectAesOpens(const AuthTestPeer& peer, const std::string& value, const std::string& credentials)
{
    const size_t colon = value.find(':');
    ASSERT_NE(colon, std::string::npos);
    const Bytes key = peer.rsaDecrypt(value.substr(0, colon));
    ASSERT_EQ(key.size(), 16u);
    const Bytes plain = AuthTestPeer::aes128EcbDecrypt(key, value.substr(colon + 1));
    EXPECT_EQ(plain.size(), std::max<size_t>(16, (credentials.size() + 15) / 16 * 16));
    EXPECT_EQ(withoutTrailingZeros(plain), credentials);
}

TEST_P(AesScheme, PeerWithTheLibraryKeyRecoversTheCredentials)
{
    const int bits = GetParam();
    AuthTestPeer peer(keyFile("rsa-" + std::to_string(bits) + ".pem"));
    ASSERT_TRUE(peer.valid());
    ASSERT_EQ(RSA_PublicKey_Init(publicKey(bits).c_str()), 0);
    std::string value;
    ASSERT_EQ(GenerateAuthAES("admin", "Corvane#2026", value), 0);
    EXPECT_EQ(value.find(':'), static_cast<size_t>(4 * ((bits / 8 + 2) / 3)));
    expectAesOpens(peer, value, "admin:Corvane#2026");
}

INSTANTIATE_TEST_SUITE_P(KeySizes, AesScheme, ::testing::Values(1024, 2048));

TEST(AesSchemeLimits, CredentialsOf63FitAnd64Or65AreRefusedNotCut)
{
    AuthTestPeer peer(keyFile("rsa-2048.pem"));
    ASSERT_EQ(RSA_PublicKey_Init(publicKey(2048).c_str()), 0);
    std::string value;
    const std::string user(40, 'u');
    ASSERT_EQ(GenerateAuthAES(user, std::string(22, 'p'), value), 0) << "63 characters with the colon";
    EXPECT_EQ(value.find(':'), 344u);
    expectAesOpens(peer, value, user + ":" + std::string(22, 'p'));
    EXPECT_EQ(GenerateAuthAES(user, std::string(23, 'p'), value), -1) << "64 characters";
    EXPECT_TRUE(value.empty());
    EXPECT_EQ(GenerateAuthAES(user, std::string(24, 'p'), value), -1) << "65 characters";
    EXPECT_EQ(GenerateAuthAES("", "p", value), -1);
    EXPECT_EQ(GenerateAuthAES("u", "", value), -1);
    RSA_PublicKey_Init();
}

TEST(AesSchemeLimits, KeyThatMakesTheValueTooLongIsRefused)
{
    ASSERT_EQ(RSA_PublicKey_Init(publicKey(4096).c_str()), 0);
    std::string value;
    EXPECT_EQ(GenerateAuthAES("admin", "12345", value), -1);
    ASSERT_EQ(RSA_PublicKey_Init(), 0) << "the built-in key";
    EXPECT_EQ(GenerateAuthAES("admin", "12345", value), 0);
    RSA_PublicKey_Free();
    EXPECT_EQ(GenerateAuthAES("admin", "12345", value), -1) << "no key after the library finished";
    EXPECT_EQ(RSA_PublicKey_Init("not a key"), -1);
    RSA_PublicKey_Init();
}

// The library's log lines, written to a file of the test's own.
class LogCapture
{
public:
    LogCapture() : m_path(std::filesystem::temp_directory_path() / ("auth-test-" + std::to_string(getpid()) + ".log"))
    {
        std::filesystem::remove(m_path);
        EXPECT_EQ(Wexl_SetLogFile(m_path.c_str()), 0);
    }
    ~LogCapture() { std::filesystem::remove(m_path); }

    std::string errorLines() const
    {
        std::string lines;
        std::istringstream text(AuthTestPeer::readFile(m_path.string()));
        for (std::string line; std::getline(text, line);) {
            if (line.find("[error] [PELLMAR]") != std::string::npos)
                lines += line + "\n";
        }
        return lines;
    }

private:
    std::filesystem::path m_path;
};

struct AesRefusal
{
    const char* name;
    size_t userLength;
    size_t passwordLength;
    std::string logged;
};

// Cases print as their names in test listings.
void PrintTo(const AesRefusal& c, std::ostream* out)
{
    *out << c.name;
}

class AesRefusals : public ::testing::TestWithParam<AesRefusal>
{ };

TEST_P(AesRefusals, AreLoggedWithTheirReason)
{
    ASSERT_EQ(RSA_PublicKey_Init(), 0);
    LogCapture log;
    std::string value;
    EXPECT_EQ(
        GenerateAuthAES(std::string(GetParam().userLength, 'u'), std::string(GetParam().passwordLength, 'p'), value),
        -1);
    EXPECT_NE(log.errorLines().find("] - " + GetParam().logged + "\n"), std::string::npos) << log.errorLines();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AesRefusals,
    ::testing::Values(
        AesRefusal{"emptyPassword", 5, 0, "GenerateAuthAES userName OR password is empty"},
        AesRefusal{"over64Together", 40, 25, "GenerateAuthAES userName ADD password len is over maxlen 64"},
        // 64 together fit the limit, but with the colon they would be cut.
        AesRefusal{"cutByTheColon", 40, 24, "GenerateAuthAES userName:password len 65 is over maxlen 63"},
        AesRefusal{"cutAtSixtyFour", 40, 23, "GenerateAuthAES userName:password len 64 is over maxlen 63"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RsaKeyInit, TextWithoutAKeyIsRefusedAndLogged)
{
    LogCapture log;
    EXPECT_EQ(RSA_PublicKey_Init("not a key"), -1);
    EXPECT_NE(log.errorLines().find("] - RSA_PublicKey_Init PEM_read_bio_RSA_PUBKEY failed\n"), std::string::npos)
        << log.errorLines();
    EXPECT_EQ(RSA_PublicKey_Init(), 0);
}

// ---- "SEP" ------------------------------------------------------------------

struct SepCase
{
    const char* name;
    std::string privateKey;
    std::string serverKey; // file name
    bool bareLineFeeds;
};

// Cases print as their names in test listings.
void PrintTo(const SepCase& c, std::ostream* out)
{
    *out << c.name;
}

class SepScheme : public ::testing::TestWithParam<SepCase>
{ };

const Bytes kServerRandom = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                             0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};

std::string withCrlf(const std::string& pem)
{
    std::string converted;
    for (char c : pem) {
        if (c == '\n')
            converted += '\r';
        converted += c;
    }
    return converted;
}

TEST_P(SepScheme, PeerOpensDataKeyAndIdentification)
{
    AuthTestPeer peer(keyFile(GetParam().privateKey));
    ASSERT_TRUE(peer.valid());
    std::string serverKey = AuthTestPeer::readFile(keyFile(GetParam().serverKey));
    if (!GetParam().bareLineFeeds)
        serverKey = withCrlf(serverKey);
    std::string value, keyText, identification;
    ASSERT_EQ(GenerateAuthWithSuite_0("12345", serverKey, "admin", base64::Encode(kServerRandom), "token-42", value,
                                      keyText, identification),
              0);

    const Bytes keyBlock = peer.rsaDecrypt(keyText);
    ASSERT_EQ(keyBlock.size(), 49u);
    EXPECT_EQ(keyBlock[16], ':');
    const Bytes iv(keyBlock.begin(), keyBlock.begin() + 16);
    const Bytes key(keyBlock.begin() + 17, keyBlock.end());
    EXPECT_EQ(Bytes(key.begin() + 16, key.end()), kServerRandom) << "second half of the key is the server's";

    const std::string prefix = "CIPHER_SUITE=\"0\",DATA=\"";
    ASSERT_EQ(value.compare(0, prefix.size(), prefix), 0);
    ASSERT_EQ(value.back(), '"');
    const Bytes data =
        AuthTestPeer::aes256CbcDecrypt(key, iv, value.substr(prefix.size(), value.size() - prefix.size() - 1));
    const std::string expected = std::string(kServerRandom.begin(), kServerRandom.end()) + ":admin:12345";
    EXPECT_EQ(data.size(), (expected.size() / 16 + 1) * 16);
    EXPECT_EQ(std::string(data.begin(), data.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_TRUE(
        std::all_of(data.begin() + static_cast<long>(expected.size()), data.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(withoutTrailingZeros(AuthTestPeer::aes256CbcDecrypt(key, iv, identification)), "token-42");
}

INSTANTIATE_TEST_SUITE_P(ServerKeys, SepScheme,
                         ::testing::Values(SepCase{"rsa1024", "rsa-1024.pem", "rsa-1024.pub.pem", false},
                                           SepCase{"rsa2048", "rsa-2048.pem", "rsa-2048.pub.pem", false},
                                           SepCase{"rsa4096", "rsa-4096.pem", "rsa-4096.pub.pem", false},
                                           SepCase{"bareLineFeeds", "rsa-2048.pem", "rsa-2048.pub.pem", true},
                                           SepCase{"certificate", "rsa-2048.pem", "cert-2048.pem", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SepRefusal
{
    const char* name;
    std::string user;
    std::string password;
    std::string serverKey;
    std::string random;
    std::string token;
};

// Cases print as their names in test listings.
void PrintTo(const SepRefusal& c, std::ostream* out)
{
    *out << c.name;
}

class SepRefusals : public ::testing::TestWithParam<SepRefusal>
{ };

TEST_P(SepRefusals, GiveNoValue)
{
    const SepRefusal& c = GetParam();
    const std::string serverKey = c.serverKey == "key" ? publicKey(2048) : c.serverKey;
    std::string value = "stale", keyText = "stale", identification = "stale";
    EXPECT_EQ(GenerateAuthWithSuite_0(c.password, serverKey, c.user, c.random, c.token, value, keyText, identification),
              -1);
    EXPECT_TRUE(value.empty() && keyText.empty() && identification.empty());
}

const std::string kRandom = base64::Encode(kServerRandom);

INSTANTIATE_TEST_SUITE_P(
    Cases, SepRefusals,
    ::testing::Values(SepRefusal{"randomOf15Bytes", "admin", "1", "key", base64::Encode(std::string(15, 'r')), "t"},
                      SepRefusal{"randomNotBase64", "admin", "1", "key", "%%%%", "t"},
                      SepRefusal{"emptyToken", "admin", "1", "key", kRandom, ""},
                      SepRefusal{"emptyKey", "admin", "1", "", kRandom, "t"},
                      SepRefusal{"emptyUser", "", "1", "key", kRandom, "t"},
                      SepRefusal{"garbageKey", "admin", "1",
                                 "-----BEGIN PUBLIC KEY-----\nAAAA\n-----END PUBLIC KEY-----\n", kRandom, "t"},
                      SepRefusal{"keyOver8KiB", "admin", "1", std::string(9000, 'k'), kRandom, "t"},
                      SepRefusal{"authTextOver81", std::string(40, 'u'), std::string(24, 'p'), "key", kRandom, "t"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SepChallenge, ReadsSuiteRandomAndKey)
{
    std::string suite, random, key;
    ASSERT_TRUE(ParseSepChallenge("SEP CIPHER_SUITE=\"0\", RAND=\"" + kRandom + "\"", "PEM", suite, random, key));
    EXPECT_EQ(suite, "0");
    EXPECT_EQ(random, kRandom);
    EXPECT_EQ(key, "PEM");
    EXPECT_FALSE(ParseSepChallenge("SEP RAND=\"x\"", "PEM", suite, random, key)) << "suite required";
    EXPECT_FALSE(ParseSepChallenge("SEP CIPHER_SUITE=\"0\", RAND=\"x\"", "", suite, random, key)) << "key required";
    EXPECT_FALSE(ParseSepChallenge("SEP CIPHER_SUITE=\"0\"", "PEM", suite, random, key)) << "random required";
    EXPECT_FALSE(ParseSepChallenge("SEP CIPHER_SUITE=\"1\", RAND=\"x\"", "PEM", suite, random, key))
        << "only suite 0 is answered";
    EXPECT_FALSE(ParseSepChallenge("Digest realm=\"x\"", "PEM", suite, random, key));
}

} // namespace
