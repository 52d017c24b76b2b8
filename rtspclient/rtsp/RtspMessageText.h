#ifndef PELLMAR_RTSPMESSAGETEXT_H
#define PELLMAR_RTSPMESSAGETEXT_H

#include <string>

// Header and parameter lookups of the RTSP text layer: case-sensitive
// substring searches in the whole message.
namespace rtsp_message {

// The n-th (from 0) "name:" up to the next CRLF, trimmed.
bool GetHeader(const std::string& text, const std::string& name, std::string& value, int n = 0);
// A header as a plain decimal number; `fallback` when absent.
int GetIntHeader(const std::string& text, const std::string& name, int fallback);
// "name=" up to the nearer of the next ";" and the next CRLF, trimmed.
bool GetParam(const std::string& text, const std::string& name, std::string& value);
// The token occurs followed by ";" or CRLF.
bool HasToken(const std::string& text, const std::string& token);
// A plain decimal conversion: optional sign, digits, anything after ignored.
int DecimalOf(const std::string& text);

} // namespace rtsp_message

#endif
