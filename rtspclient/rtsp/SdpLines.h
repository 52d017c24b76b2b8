#ifndef PELLMAR_SDPLINES_H
#define PELLMAR_SDPLINES_H

#include <string>
#include <vector>

// Line lookups of the SDP layer. A line is found by its prefix at the start
// of a line (so "s=" never matches inside "sprop-parameter-sets="), and ends
// at the nearer of CRLF and LF; values are trimmed.
namespace sdp_line {

bool Find(const std::string& section, const std::string& prefix, std::string& value);
// Every line with the prefix, in order.
std::vector<std::string> FindAll(const std::string& section, const std::string& prefix);
// An attribute line such as "a=range": the value follows its first ":"; a
// line without ":" is present with an empty value.
bool FindAttribute(const std::string& section, const std::string& prefix, std::string& value);

} // namespace sdp_line

#endif
