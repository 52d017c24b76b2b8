#ifndef RTSPFIXTURE_H
#define RTSPFIXTURE_H

#include <fstream>
#include <sstream>
#include <string>

// Fixtures are stored with plain line feeds for reading; the wire has CRLF.
inline std::string LoadFixture(const std::string& name, bool crlf = true)
{
    std::ifstream in(std::string(RTSP_FIXTURE_DIR) + "/" + name, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    if (!crlf)
        return text;
    std::string converted;
    for (char c : text) {
        if (c == '\n')
            converted += '\r';
        converted += c;
    }
    return converted;
}

#endif
