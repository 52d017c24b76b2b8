#ifndef PELLMAR_CCOMMONRSP_H
#define PELLMAR_CCOMMONRSP_H

#include <string>

// Base of every RTSP response: status, CSeq, Server, Session with its
// timeout, Location, the authentication challenge and the device's extra
// error information.
class CCommonRsp
{
public:
    virtual ~CCommonRsp() = default;

    // Reads the response from `text` up to `length` or its first zero byte.
    // Fails only when the status line is malformed; an unknown status code
    // leaves the status position at -1.
    virtual bool ParseMsg(const char* text, int length);
    // The client never writes responses.
    virtual int BuildMsg(char* buffer, int size);

    bool ParseMsg(const std::string& text) { return ParseMsg(text.data(), static_cast<int>(text.size())); }

    int m_iCSeq = 0;
    std::string m_strServer;
    std::string m_strSession;
    std::string m_strText;
    int m_iStatus = 1;
    std::string m_strLocation;
    std::string m_strWwwAuthenticate;
    int m_iErrCode = 200;
    std::string m_strErrDescription = "OK";
    int m_iTimeout = 60;
    std::string m_strPkd;

protected:
    // The subclass's own fields, from the whole text; false fails the parse.
    virtual bool ParseOwn(const std::string& text);

private:
    bool parseStatusLine(const std::string& text);
    void parseSession(const std::string& text);
    void parseChallenge(const std::string& text);
    void parseExtErrInfo(const std::string& text);
};

#endif
