#pragma once

#include <QList>
#include <QMetaType>

#include <string>

// The filter of one record search. Texts are UTF-8 bytes.
struct stu_SearchCondition
{
    std::string startTime; // "yyyyMMddHHmmsszzz"
    std::string endTime;   // "yyyyMMddHHmmsszzz"
    std::string deviceIp;  // empty: every device
    std::string channelIp; // empty: every channel; applies only with a device address
    qint32 channelNo = 0;  // 0: every channel number
    qint32 laneNo = 0;     // -1: every lane (0 is a real lane)
    QList<quint32> types;  // incident or violation codes to accept; unused for traffic parameters
    std::string plateNo;   // part of a plate text (violations only); empty: no plate filter
    // Taken with the search's count: its pages hold only rows up to this row id,
    // so rows stored meanwhile shift no page (0: no bound); and a page in the
    // second half of the `counted` rows is read from the far end (-1: not counted).
    qint64 rowIdBound = 0;
    int counted = -1;
};

Q_DECLARE_METATYPE(stu_SearchCondition)
