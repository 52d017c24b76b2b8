#ifndef PELLMAR_CDESCRIBEREQ_H
#define PELLMAR_CDESCRIBEREQ_H

#include <map>

#include "CCommonReq.h"

class CDescribeReq : public CCommonReq
{
public:
    CDescribeReq() : CCommonReq(RTSP_METHOD_DESCRIBE) { }

    int m_iStandardStream = -1;
    int m_iDevicePushData = -1;
    int m_iDownload = -1;
    // Written in name order, then emptied.
    std::map<std::string, std::string> m_mapExtraHeaders;

protected:
    void AppendHeaders(std::string& text) override;
};

#endif
