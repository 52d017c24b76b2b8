#include "TrafficParamExport.h"

#include "core/DeviceTime.h"
#include "core/IncidentVocabulary.h"
#include "core/Logging.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextCodec>

#include <vector>

namespace {

// Lines are gathered and written in blocks of about this size: few system calls,
// and still an exact count of the rows that reached the file when one fails.
constexpr int kBlockBytes = 256 * 1024;

// Encoded lines waiting to be written, with the end offset of each row's line.
class PendingBlock
{
public:
    void AddHeader(const QByteArray& bytes) { data += bytes; }
    void AddRow(const QByteArray& bytes)
    {
        data += bytes;
        rowEnds.push_back(data.size());
    }
    bool Full() const { return data.size() >= kBlockBytes; }

    // Writes the block; adds the rows wholly written to `written`. False on a short write.
    bool WriteTo(QFile& file, int& written)
    {
        const qint64 done = data.isEmpty() ? 0 : file.write(data);
        for (const int end : rowEnds)
            if (end <= done)
                ++written;
        const bool whole = done == data.size();
        data.clear();
        rowEnds.clear();
        return whole;
    }

private:
    QByteArray data;
    std::vector<int> rowEnds;
};

QString Failure(const QFile& file, const char* what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), file.errorString());
}

} // namespace

QString TrafficParamExport::HeaderLine()
{
    return QCoreApplication::translate(
               "SearchFrame",
               "序号,开始时间,结束时间,设备IP,通道,车道号,车道流量（辆/分）,小型车流量,中型车流量,"
               "大型车流量,车道速度（Km/h）,车头间距（m）,车头时距（m）,时间占有率,空间占有率,通行状态") +
           QLatin1Char('\n');
}

QStringList TrafficParamExport::FieldsOf(const TrafficParam& row)
{
    return {QString::number(row.rowNo),
            FormatCompactTime(row.startTime),
            FormatCompactTime(row.endTime),
            row.deviceIp,
            row.channelIp,
            QString::number(row.laneNo),
            QString::number(row.laneFlow),
            QString::number(row.lightVehicleNum),
            QString::number(row.midVehicleNum),
            QString::number(row.heavyVehicleNum),
            QString::number(row.laneSpeed),
            QString::number(row.spaceHeadWay),
            QString::number(row.timeHeadWay),
            QString::number(row.timeRation, 'g', 6),
            QString::number(row.spaceRation, 'g', 6),
            QString::fromStdString(TrafficStateName(row.trafficState))};
}

QString TrafficParamExport::LineOf(const TrafficParam& row)
{
    // Fields are neither quoted nor escaped: none of them holds a comma.
    return FieldsOf(row).join(QLatin1Char(',')) + QLatin1Char('\n');
}

TrafficParamExport::Outcome TrafficParamExport::Append(const QString& path, const QList<TrafficParam>& rows,
                                                       const QSet<int>& checkedRowNos)
{
    static const char* method = "SearchFrame::ExportTrafficParamThread";
    const auto logger = LoggerFor("SearchFrame");
    Outcome outcome;
    for (const TrafficParam& row : rows)
        if (checkedRowNos.contains(row.rowNo))
            ++outcome.failed;

    // Unbuffered: every block goes straight to the file, so a full disk shows
    // at the write of the rows it hits, not at a later flush.
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::Append | QIODevice::Unbuffered)) {
        outcome.error = path.isEmpty() ? QStringLiteral("no file chosen") : Failure(file, "open");
        logger->error("{}, 导出文件打开失败: {}", method, outcome.error.toStdString());
        return outcome;
    }
    QTextCodec* gbk = QTextCodec::codecForName("gbk");
    PendingBlock block;
    block.AddHeader(gbk->fromUnicode(HeaderLine()));
    bool whole = true;
    for (const TrafficParam& row : rows) {
        if (!checkedRowNos.contains(row.rowNo))
            continue;
        block.AddRow(gbk->fromUnicode(LineOf(row)));
        if (block.Full() && !(whole = block.WriteTo(file, outcome.written)))
            break;
    }
    if (whole)
        whole = block.WriteTo(file, outcome.written);
    if (!whole) {
        outcome.error = Failure(file, "write");
        logger->error("{}, 导出时写单元格失败: {}", method, outcome.error.toStdString());
    }
    if (whole && !file.flush()) {
        whole = false;
        outcome.error = Failure(file, "flush");
    }
    file.close();
    if (whole && file.error() != QFileDevice::NoError) {
        whole = false;
        outcome.error = Failure(file, "close");
    }
    if (!whole)
        logger->error("{}, 导出失败, {} rows written: {}", method, outcome.written, outcome.error.toStdString());
    outcome.failed -= outcome.written;
    outcome.ok = whole;
    return outcome;
}
