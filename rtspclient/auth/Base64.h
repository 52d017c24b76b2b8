#ifndef PELLMAR_BASE64_H
#define PELLMAR_BASE64_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// RFC 4648 Base64, standard alphabet with "=" padding.
namespace base64 {

std::string Encode(const uint8_t* data, size_t length);
std::string Encode(const std::string& text);
std::string Encode(const std::vector<uint8_t>& bytes);
// Strict: a length that is a multiple of 4, only alphabet characters, and
// at most two "=" at the end. Anything else is refused.
bool Decode(const std::string& text, std::vector<uint8_t>& bytes);

} // namespace base64

#endif
