#pragma once
#include <string>
#include <utility>
#include <vector>

// The session's view of RTSP text: a request written as the server expects
// it, and lookups in a received message (status, headers, Transport
// parameters, body). Lookups are exact-case substring searches, as devices
// in the field answer.
class CRtspMessageText {
public:
    // A request: "<method> <url> RTSP/1.0", CSeq, then the headers in order.
    static std::string BuildRequest(const std::string& method, const std::string& url, int cseq,
                                    const std::vector<std::pair<std::string, std::string>>& headers,
                                    const std::string& body = std::string());

    explicit CRtspMessageText(std::string text);

    const std::string& Text() const { return m_strText; }
    // The status line splits into exactly three words; false otherwise.
    bool ParseStatusLine();
    // Position of the status code in the status table (1 for 200, 11 for 401); -1 when unknown.
    int StatusPosition() const { return m_iStatusPosition; }
    int StatusCode() const { return m_iStatusCode; }
    int CSeq() const;
    // The n-th "Name:" value up to its line end, trimmed; empty when absent.
    std::string Header(const std::string& name, int n = 0) const;
    bool HasHeader(const std::string& name) const;
    // Session id and timeout ("id;timeout=30"); the timeout stays 60 without one.
    std::string SessionId() const;
    int SessionTimeout() const;
    // Text after the first empty line, cut at a second one.
    std::string Body() const;
    // "name=value" inside a ';'-separated value such as Transport.
    static std::string Parameter(const std::string& text, const std::string& name);
    static bool HasToken(const std::string& text, const std::string& token);
    // Kind of a request sent by the server ("ANNOUNCE", "REDIRECT"); empty for a response.
    std::string RequestMethod() const;

    static int StatusPositionOf(const std::string& code);
    static std::string Trim(std::string text);

private:
    std::string m_strText;
    int m_iStatusPosition = -1;
    int m_iStatusCode = 0;
};
