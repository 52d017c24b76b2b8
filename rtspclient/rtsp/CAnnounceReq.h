#ifndef PELLMAR_CANNOUNCEREQ_H
#define PELLMAR_CANNOUNCEREQ_H

#include <map>

#include "CCommonReq.h"

class CAnnounceReq : public CCommonReq
{
public:
    CAnnounceReq() : CCommonReq(RTSP_METHOD_ANNOUNCE) { }

    std::string m_strBody;
    std::map<std::string, std::string> m_mapExtraHeaders;

protected:
    void AppendHeaders(std::string& text) override;
    void AppendBody(std::string& text) override;
};

#endif
