#ifndef PELLMAR_CCOMMONREQ_H
#define PELLMAR_CCOMMONREQ_H

#include <string>

#include "RtspVocabulary.h"

// Base of every RTSP request: the request line, CSeq, authorization,
// Session and User-Agent. Subclasses add their own headers and body.
class CCommonReq
{
public:
    // Size every caller gives BuildMsg.
    static constexpr int kBufferSize = 10240;

    explicit CCommonReq(int methodKind = RTSP_METHOD_UNKNOWN) : m_iMethod(methodKind) { }
    virtual ~CCommonReq() = default;

    // The client only writes requests; reading one is not supported here.
    virtual bool ParseMsg(const char* text, int length);
    // Writes the request and a terminating zero into `buffer`; returns its
    // length. A request that does not fit, or whose header values hold a line
    // break, is not written cut: the result is -1.
    virtual int BuildMsg(char* buffer, int size);
    // The same text as a string; empty when it cannot be made.
    std::string Build();

    int m_iBackChannel = 0;
    int m_iCSeq = 0;
    std::string m_strUrl;
    std::string m_strUserAgent;
    int m_iMethod;
    std::string m_strUserName;
    std::string m_strPassword;
    std::string m_strSession;
    // A ready Authorization value (from a challenge) wins over the mode.
    std::string m_strAuthorization;
    int m_iAuthMode = 1;
    std::string m_strSepRandom;
    std::string m_strSepPublicKey;
    std::string m_strSepCipherSuite;
    std::string m_strSepToken;

protected:
    // Headers of the subclass, each ending in CRLF.
    virtual void AppendHeaders(std::string& text);
    // What follows the empty line.
    virtual void AppendBody(std::string& text);
    void AppendBackChannelRequire(std::string& text) const;

private:
    void appendAuthorization(std::string& text) const;
};

// printf into a string, for the fixed header formats.
std::string RtspFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

#endif
