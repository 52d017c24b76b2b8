#ifndef PELLMAR_MD5_H
#define PELLMAR_MD5_H

#include <string>

// RFC 1321 MD5 of `text` as 32 lower-case hexadecimal digits.
std::string Md5Hex(const std::string& text);

#endif
