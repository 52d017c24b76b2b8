#ifndef PELLMAR_RTSPTEXT_H
#define PELLMAR_RTSPTEXT_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The splitting and trimming routines every RTSP and SDP lookup builds on.
namespace rtsp_text {

// Removes blanks, then carriage returns, from both ends; an empty text and a
// text of exactly one blank stay as they are.
void Trim(std::string& text);
// Removes double quotes from both ends.
void TrimQuotes(std::string& text);
bool Contains(const std::string& needle, const std::string& text);

// Splits `text` at the separators, trying them in the given order at each
// step (the first one found ends the part, not the nearest). At most
// `maxSplits` splits (<= 0 means 64); the rest is the last part. Returns the
// part count, at least 1.
int Split(const std::string& text, const std::vector<std::string>& separators, std::vector<std::string>& parts,
          int maxSplits = 0);
// Cuts each part at the first separator into a trimmed name and a value; a
// part without separator is a name with an empty value.
void SplitKeyValue(const std::vector<std::string>& parts, const std::string& separator,
                   std::map<std::string, std::string>& values);
// Two hexadecimal digits a byte; a character that is not a digit counts as 0.
// A text of odd length is refused.
bool HexDecode(const std::string& text, std::vector<uint8_t>& bytes);

} // namespace rtsp_text

#endif
