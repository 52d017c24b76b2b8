#include "Base64.h"

#include <openssl/evp.h>

namespace base64 {

namespace {

bool isAlphabet(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

size_t paddingOf(const std::string& text)
{
    size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    return padding;
}

} // namespace

std::string Encode(const uint8_t* data, size_t length)
{
    if (length == 0)
        return std::string();
    std::string text(4 * ((length + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&text[0]), data, static_cast<int>(length));
    text.resize(static_cast<size_t>(written));
    return text;
}

std::string Encode(const std::string& text)
{
    return Encode(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string Encode(const std::vector<uint8_t>& bytes)
{
    return Encode(bytes.data(), bytes.size());
}

bool Decode(const std::string& text, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    if (text.size() % 4 != 0)
        return false;
    const size_t padding = paddingOf(text);
    for (size_t i = 0; i < text.size() - padding; ++i) {
        if (!isAlphabet(text[i]))
            return false;
    }
    if (text.empty())
        return true;
    bytes.resize(text.size() / 4 * 3);
    const int decoded = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                        static_cast<int>(text.size()));
    if (decoded < 0) {
        bytes.clear();
        return false;
    }
    // EVP_DecodeBlock counts the padding as zero bytes.
    bytes.resize(static_cast<size_t>(decoded) - padding);
    return true;
}

} // namespace base64
