#include "Authorization.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "Base64.h"
#include "CRsaPublicKey.h"
#include "Md5.h"
#include "rtsp/PellmarLog.h"
#include "rtsp/RtspText.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Stands in for the device family's key; a deployment builds its own in.
const char kBuiltInPublicKey[] = "-----BEGIN PUBLIC KEY-----\n"
                                 "MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEApdZ2zr61p7dGwD0DhYHV\n"
                                 "d+D/l+XYIUazz+4TewpK1kw+limah/gVtvu/VuRm5j/Oeps89QCYYD/jLXD8Efcb\n"
                                 "xf+zEkwjQIjbHWTmtQe0omvznfc2KHJ8kiK2PDPn8g3AzR+W8avKjtXpc7yhJqT+\n"
                                 "McXextn0ozIlzj4TPVOaPRiKTKUTBIwOjk9HtRwq2t4Dg47FD7V51YWloLka3b4F\n"
                                 "X0wfOmBoF4IkrAkrd0JvZyYDV6Y+6u7MbuPdFHHK2N47czyP/Fq9AJ2jOl0DGNh6\n"
                                 "ZsZheVaF7ocJuT+v0YIkjVTuyngOfE9q6fZ3vweVb7EYqX2LxnqIMBcGfXu5Jq31\n"
                                 "fwIDAQAB\n"
                                 "-----END PUBLIC KEY-----\n";

constexpr size_t kAesUserPasswordMax = 64;
constexpr size_t kAesCredentialsMax = 63; // "user:password" in a 64-byte buffer with its terminating zero
constexpr size_t kAesValueMax = 512;
constexpr size_t kSepAuthTextMax = 81;
constexpr size_t kAesBlock = 16;

std::mutex g_libraryKeyMutex;
std::shared_ptr<CRsaPublicKey> g_libraryKey;

std::shared_ptr<CRsaPublicKey> libraryKey()
{
    std::lock_guard<std::mutex> lock(g_libraryKeyMutex);
    return g_libraryKey;
}

bool randomBytes(uint8_t *bytes, size_t count)
{
    return RAND_bytes(bytes, static_cast<int>(count)) == 1;
}

// `plain` must be a whole number of blocks: there is no cipher padding.
bool aesEncrypt(const EVP_CIPHER *cipher, const uint8_t *key, const uint8_t *iv, const Bytes &plain, Bytes &encrypted)
{
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                          EVP_CIPHER_CTX_free);
    encrypted.assign(plain.size() + kAesBlock, 0);
    int written = 0;
    int tail = 0;
    if (!context || EVP_EncryptInit_ex(context.get(), cipher, nullptr, key, iv) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
        EVP_EncryptUpdate(context.get(), encrypted.data(), &written, plain.data(), static_cast<int>(plain.size())) !=
            1 ||
        EVP_EncryptFinal_ex(context.get(), encrypted.data() + written, &tail) != 1)
        return false;
    encrypted.resize(static_cast<size_t>(written + tail));
    return true;
}

// Zero padding to whole blocks, at least one block.
Bytes zeroPaddedToBlocks(const Bytes &text)
{
    Bytes padded(text);
    padded.resize(std::max<size_t>(1, (text.size() + kAesBlock - 1) / kAesBlock) * kAesBlock, 0);
    return padded;
}

// Zero padding up to the next multiple of 16 above the length, so at least
// one zero byte follows the text.
Bytes zeroPaddedAbove(const Bytes &text)
{
    Bytes padded(text);
    padded.resize((text.size() / kAesBlock + 1) * kAesBlock, 0);
    return padded;
}

Bytes bytesOf(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

std::string quotedAfter(const std::string &text, const std::string &name, size_t from)
{
    const size_t start = text.find(name + "=\"", from);
    if (start == std::string::npos)
        return std::string();
    const size_t valueStart = start + name.size() + 2;
    const size_t end = text.find('"', valueStart);
    return end == std::string::npos ? std::string() : text.substr(valueStart, end - valueStart);
}

std::string digestValue(const std::string &method, const std::string &uri, const std::string &challenge,
                        const std::string &user, const std::string &password)
{
    const size_t digest = challenge.find("Digest");
    const std::string realm = quotedAfter(challenge, "realm", digest);
    const std::string nonce = quotedAfter(challenge, "nonce", digest);
    if (realm.empty() || nonce.empty()) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "BuildAuthorization Digest Fail, realm or nonce missing");
        return std::string();
    }
    const std::string ha1 = Md5Hex(user + ":" + realm + ":" + password);
    const std::string ha2 = Md5Hex(method + ":" + uri);
    const std::string response = Md5Hex(ha1 + ":" + nonce + ":" + ha2);
    return "Digest username=\"" + user + "\", realm=\"" + realm + "\", nonce=\"" + nonce + "\", uri=\"" + uri +
           "\", response=\"" + response + "\"";
}

bool rsaEncryptBase64(const CRsaPublicKey &key, const Bytes &plain, std::string &text)
{
    Bytes encrypted;
    if (!key.Encrypt(plain.data(), plain.size(), encrypted))
        return false;
    text = base64::Encode(encrypted);
    return true;
}

} // namespace

int AuthModeFromSupportAuth(const std::string &supportAuth)
{
    int mode = AUTH_MODE_NONE;
    if (rtsp_text::Contains("BASE64", supportAuth))
        mode = AUTH_MODE_BASIC;
    if (rtsp_text::Contains("AES", supportAuth))
        mode = AUTH_MODE_AES;
    if (rtsp_text::Contains("Authenty", supportAuth))
        mode = AUTH_MODE_SEP;
    return mode;
}

std::string BuildBasicCredentials(const std::string &user, const std::string &password)
{
    return base64::Encode(user + ":" + password);
}

std::string BuildAuthorization(const std::string &method, const std::string &uri, const std::string &challenge,
                               const std::string &user, const std::string &password)
{
    if (rtsp_text::Contains("Digest", challenge))
        return digestValue(method, uri, challenge, user, password);
    if (rtsp_text::Contains("Basic", challenge))
        return "Basic " + BuildBasicCredentials(user, password);
    return std::string();
}

int GenerateAuthAES(const std::string &user, const std::string &password, std::string &value)
{
    value.clear();
    if (user.empty() || password.empty()) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthAES userName OR password is empty");
        return -1;
    }
    if (user.size() + password.size() > kAesUserPasswordMax) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthAES userName ADD password len is over maxlen %d",
                          static_cast<int>(kAesUserPasswordMax));
        return -1;
    }
    // The colon can take the text past the buffer: refused, never cut.
    const std::string credentials = user + ":" + password;
    if (credentials.size() > kAesCredentialsMax) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthAES userName:password len %d is over maxlen %d",
                          static_cast<int>(credentials.size()), static_cast<int>(kAesCredentialsMax));
        return -1;
    }
    const std::shared_ptr<CRsaPublicKey> rsa = libraryKey();
    if (!rsa) {
        PELLMAR_LOG_ERROR(pellmar_log::kRsaKey, "GenerateAuthAES Fail, RSA key not initialised");
        return -1;
    }
    uint8_t key[kAesBlock];
    Bytes blocks;
    std::string wrappedKey;
    const Bytes plain = zeroPaddedToBlocks(bytesOf(credentials));
    if (!randomBytes(key, sizeof key) || !aesEncrypt(EVP_aes_128_ecb(), key, nullptr, plain, blocks) ||
        !rsaEncryptBase64(*rsa, Bytes(key, key + sizeof key), wrappedKey)) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthAES Fail, encryption failed");
        return -1;
    }
    const std::string result = wrappedKey + ":" + base64::Encode(blocks);
    if (result.size() > kAesValueMax) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthAES auth too long, len:%d", static_cast<int>(result.size()));
        return -1;
    }
    value = result;
    return 0;
}

int GenerateAuthWithSuite_0(const std::string &password, const std::string &serverPublicKey,
                            const std::string &user, const std::string &serverRandom, const std::string &token,
                            std::string &value, std::string &keyText, std::string &identification)
{
    value.clear();
    keyText.clear();
    identification.clear();
    if (user.empty() || password.empty()) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthWithSuite_0 userName OR password is empty");
        return -1;
    }
    if (serverPublicKey.empty() || serverRandom.empty()) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthWithSuite_0 publicKey OR serverRandom is empty");
        return -1;
    }
    if (token.empty()) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthWithSuite_0 Token is empty");
        return -1;
    }
    Bytes random;
    if (!base64::Decode(serverRandom, random) || random.size() != kAesBlock) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthWithSuite_0 serverRandom base64 Decode failed");
        return -1;
    }
    Bytes authText(random);
    const std::string credentials = ":" + user + ":" + password;
    authText.insert(authText.end(), credentials.begin(), credentials.end());
    if (authText.size() > kSepAuthTextMax) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthWithSuite_0 auth text len %d over %d",
                          static_cast<int>(authText.size()), static_cast<int>(kSepAuthTextMax));
        return -1;
    }
    const std::unique_ptr<CRsaPublicKey> serverKey = Get_RSA_PublicKeyWithCert(serverPublicKey);
    if (!serverKey) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthWithSuite_0 Get_RSA_PublicKeyWithCert failed");
        return -1;
    }
    // 256-bit key: 16 drawn bytes, then the server's 16 random bytes.
    uint8_t key[2 * kAesBlock];
    uint8_t iv[kAesBlock];
    std::copy(random.begin(), random.end(), key + kAesBlock);
    Bytes data;
    Bytes tokenData;
    if (!randomBytes(key, kAesBlock) || !randomBytes(iv, sizeof iv) ||
        !aesEncrypt(EVP_aes_256_cbc(), key, iv, zeroPaddedAbove(authText), data) ||
        !aesEncrypt(EVP_aes_256_cbc(), key, iv, zeroPaddedAbove(bytesOf(token)), tokenData)) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthWithSuite_0 AES encryption failed");
        return -1;
    }
    Bytes keyBlock(iv, iv + sizeof iv);
    keyBlock.push_back(':');
    keyBlock.insert(keyBlock.end(), key, key + sizeof key);
    std::string wrapped;
    if (!rsaEncryptBase64(*serverKey, keyBlock, wrapped)) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "GenerateAuthWithSuite_0 RSA encryption failed");
        return -1;
    }
    value = "CIPHER_SUITE=\"0\",DATA=\"" + base64::Encode(data) + "\"";
    keyText = wrapped;
    identification = base64::Encode(tokenData);
    return 0;
}

bool ParseSepChallenge(const std::string &wwwAuthenticate, const std::string &pkd, std::string &cipherSuite,
                       std::string &serverRandom, std::string &serverPublicKey)
{
    if (wwwAuthenticate.compare(0, 4, "SEP ") != 0 || pkd.empty())
        return false;
    std::string rest = wwwAuthenticate.substr(4);
    rtsp_text::Trim(rest);
    std::vector<std::string> pairs;
    rtsp_text::Split(rest, {","}, pairs);
    std::map<std::string, std::string> values;
    rtsp_text::SplitKeyValue(pairs, "=", values);
    const auto suite = values.find("CIPHER_SUITE");
    if (suite == values.end())
        return false;
    auto clean = [](std::string text) {
        rtsp_text::Trim(text);
        rtsp_text::TrimQuotes(text);
        return text;
    };
    cipherSuite = clean(suite->second);
    const auto random = values.find("RAND");
    serverRandom = random == values.end() ? std::string() : clean(random->second);
    serverPublicKey = pkd;
    return true;
}

std::unique_ptr<CRsaPublicKey> Get_RSA_PublicKeyWithCert(const std::string &pem)
{
    return CRsaPublicKey::FromPem(pem);
}

int RSA_PublicKey_Init(const char *pem)
{
    std::shared_ptr<CRsaPublicKey> key = CRsaPublicKey::FromPem(pem ? pem : kBuiltInPublicKey);
    if (!key) {
        PELLMAR_LOG_ERROR(pellmar_log::kRsaKey, "RSA_PublicKey_Init PEM_read_bio_RSA_PUBKEY failed");
        return -1;
    }
    std::lock_guard<std::mutex> lock(g_libraryKeyMutex);
    g_libraryKey = std::move(key);
    return 0;
}

void RSA_PublicKey_Free()
{
    std::lock_guard<std::mutex> lock(g_libraryKeyMutex);
    g_libraryKey.reset();
}
