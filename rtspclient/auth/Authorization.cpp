#include "Authorization.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

#include "Base64.h"
#include "CRsaPublicKey.h"
#include "Md5.h"
#include "common/PellmarLog.h"
#include "common/RtspText.h"

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

bool randomBytes(uint8_t* bytes, size_t count)
{
    return RAND_bytes(bytes, static_cast<int>(count)) == 1;
}

// `plain` must be a whole number of blocks: there is no cipher padding.
bool aesEncrypt(const EVP_CIPHER* cipher, const uint8_t* key, const uint8_t* iv, const Bytes& plain, Bytes& encrypted)
{
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
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
Bytes zeroPaddedToBlocks(const Bytes& text)
{
    Bytes padded(text);
    padded.resize(std::max<size_t>(1, (text.size() + kAesBlock - 1) / kAesBlock) * kAesBlock, 0);
    return padded;
}

// Zero padding up to the next multiple of 16 above the length, so at least
// one zero byte follows the text.
Bytes zeroPaddedAbove(const Bytes& text)
{
    Bytes padded(text);
    padded.resize((text.size() / kAesBlock + 1) * kAesBlock, 0);
    return padded;
}

Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// The parameters of the Digest challenge in `challenge`: name=value pairs
// after the word Digest, values quoted or plain tokens (some servers send
// "Digest realm=r, nonce=n"). An unterminated quote ends the reading: what
// it started is not taken.
std::map<std::string, std::string> digestParameters(const std::string& challenge)
{
    std::map<std::string, std::string> parameters;
    const size_t digest = challenge.find("Digest");
    if (digest == std::string::npos)
        return parameters;
    size_t at = digest + 6;
    const size_t size = challenge.size();
    while (at < size) {
        while (at < size && (challenge[at] == ' ' || challenge[at] == ',' || challenge[at] == '\t'))
            ++at;
        const size_t nameStart = at;
        while (at < size && challenge[at] != '=' && challenge[at] != ' ' && challenge[at] != ',')
            ++at;
        if (at >= size || challenge[at] != '=')
            break; // another scheme's word (or garbage): the Digest part ended
        const std::string name = challenge.substr(nameStart, at - nameStart);
        ++at;
        std::string value;
        if (at < size && challenge[at] == '"') {
            const size_t end = challenge.find('"', at + 1);
            if (end == std::string::npos)
                break;
            value = challenge.substr(at + 1, end - at - 1);
            at = end + 1;
        } else {
            const size_t end = std::min(challenge.find(',', at), size);
            value = challenge.substr(at, end - at);
            rtsp_text::Trim(value);
            at = end;
        }
        parameters.emplace(name, value);
    }
    return parameters;
}

std::string parameterOf(const std::map<std::string, std::string>& parameters, const std::string& name)
{
    const auto found = parameters.find(name);
    return found == parameters.end() ? std::string() : found->second;
}

// RFC 7616: "auth" among the qop options the server offers.
bool offersQopAuth(const std::string& qop)
{
    std::vector<std::string> options;
    rtsp_text::Split(qop, {","}, options);
    for (std::string option : options) {
        rtsp_text::Trim(option);
        if (option == "auth")
            return true;
    }
    return false;
}

std::string randomHex(size_t bytes)
{
    std::vector<uint8_t> drawn(bytes);
    if (!randomBytes(drawn.data(), drawn.size()))
        return std::string();
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : drawn) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

bool rsaEncryptBase64(const CRsaPublicKey& key, const Bytes& plain, std::string& text)
{
    Bytes encrypted;
    if (!key.Encrypt(plain.data(), plain.size(), encrypted))
        return false;
    text = base64::Encode(encrypted);
    return true;
}

} // namespace

int AuthModeFromSupportAuth(const std::string& supportAuth)
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

std::string BuildBasicCredentials(const std::string& user, const std::string& password)
{
    return base64::Encode(user + ":" + password);
}

std::string BuildDigestAuthorization(const std::string& method, const std::string& uri, const std::string& challenge,
                                     const std::string& user, const std::string& password, unsigned int nonceCount,
                                     const std::string& cnonce)
{
    const std::map<std::string, std::string> parameters = digestParameters(challenge);
    const std::string realm = parameterOf(parameters, "realm");
    const std::string nonce = parameterOf(parameters, "nonce");
    if (realm.empty() || nonce.empty()) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "BuildAuthorization Digest Fail, realm or nonce missing");
        return std::string();
    }
    const std::string algorithm = parameterOf(parameters, "algorithm");
    if (!algorithm.empty() && strcasecmp(algorithm.c_str(), "MD5") != 0) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "BuildAuthorization Digest Fail, algorithm<%s> not supported",
                          algorithm.c_str());
        return std::string();
    }
    const bool qop = offersQopAuth(parameterOf(parameters, "qop"));
    char nc[9];
    std::snprintf(nc, sizeof nc, "%08x", nonceCount);
    const std::string ha1 = Md5Hex(user + ":" + realm + ":" + password);
    const std::string ha2 = Md5Hex(method + ":" + uri);
    // Without qop the plain answer, which servers that ask for no qop expect.
    const std::string response = qop ? Md5Hex(ha1 + ":" + nonce + ":" + nc + ":" + cnonce + ":auth:" + ha2)
                                     : Md5Hex(ha1 + ":" + nonce + ":" + ha2);
    std::string value =
        "Digest username=\"" + user + "\", realm=\"" + realm + "\", nonce=\"" + nonce + "\", uri=\"" + uri + "\"";
    if (!algorithm.empty())
        value += ", algorithm=" + algorithm;
    value += ", response=\"" + response + "\"";
    if (parameters.count("opaque"))
        value += ", opaque=\"" + parameterOf(parameters, "opaque") + "\"";
    if (qop)
        value += ", qop=auth, nc=" + std::string(nc) + ", cnonce=\"" + cnonce + "\"";
    return value;
}

bool DigestChallengeIsStale(const std::string& challenge)
{
    return strcasecmp(parameterOf(digestParameters(challenge), "stale").c_str(), "true") == 0;
}

std::string BuildAuthorization(const std::string& method, const std::string& uri, const std::string& challenge,
                               const std::string& user, const std::string& password, unsigned int nonceCount)
{
    if (rtsp_text::Contains("Digest", challenge))
        return BuildDigestAuthorization(method, uri, challenge, user, password, nonceCount, randomHex(8));

    if (rtsp_text::Contains("Basic", challenge))
        return "Basic " + BuildBasicCredentials(user, password);
    return std::string();
}

int GenerateAuthAES(const std::string& user, const std::string& password, std::string& value)
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

int GenerateAuthWithSuite_0(const std::string& password, const std::string& serverPublicKey, const std::string& user,
                            const std::string& serverRandom, const std::string& token, std::string& value,
                            std::string& keyText, std::string& identification)
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

bool ParseSepChallenge(const std::string& wwwAuthenticate, const std::string& pkd, std::string& cipherSuite,
                       std::string& serverRandom, std::string& serverPublicKey)
{
    if (wwwAuthenticate.compare(0, 4, "SEP ") != 0) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "Must Be SEP mode");
        return false;
    }
    std::string rest = wwwAuthenticate.substr(4);
    rtsp_text::Trim(rest);
    std::vector<std::string> pairs;
    rtsp_text::Split(rest, {","}, pairs);
    std::map<std::string, std::string> values;
    rtsp_text::SplitKeyValue(pairs, "=", values);
    auto clean = [](std::string text) {
        rtsp_text::Trim(text);
        rtsp_text::TrimQuotes(text);
        return text;
    };
    const auto suite = values.find("CIPHER_SUITE");
    if (suite == values.end()) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "CIPHER_SUITE not Find");
        return false;
    }
    const auto random = values.find("RAND");
    if (random == values.end() || clean(random->second).empty()) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "RAND not Find");
        return false;
    }
    if (pkd.empty()) {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "publickKey is Empty");
        return false;
    }
    // Suite 0 is the only one the library can answer.
    if (clean(suite->second) != "0") {
        PELLMAR_LOG_ERROR(pellmar_log::kAuth, "CIPHER_SUITE<%s> not supported", clean(suite->second).c_str());
        return false;
    }
    cipherSuite = clean(suite->second);
    serverRandom = clean(random->second);
    serverPublicKey = pkd;
    return true;
}

std::unique_ptr<CRsaPublicKey> Get_RSA_PublicKeyWithCert(const std::string& pem)
{
    return CRsaPublicKey::FromPem(pem);
}

int RSA_PublicKey_Init(const char* pem)
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
