#pragma once

#include <QString>
#include <QStringList>

// Alarm rows spread over 90 days and 50 devices, as a roadside installation
// collects them: incident and violation times at random seconds, traffic
// parameters on five-minute periods, inserted in time order as they arrive.
struct BenchDataSize
{
    qint64 incidents = 1000000;
    qint64 violations = 1000000;
    qint64 trafficParams = 4000000;
};

// First day of the generated period, UTC, as seconds since the epoch.
qint64 BenchPeriodStart();
constexpr int kBenchDays = 90;
constexpr int kBenchDevices = 50;

// Fills the tables of a database made from the schema; the schema's indexes are
// rebuilt after the rows go in, except those named in `withoutIndexes`, which
// are dropped (to measure what an index is worth). Returns an error text or
// an empty string.
QString GenerateBenchData(const QString& path, const BenchDataSize& size, const QStringList& withoutIndexes);

// Makes `path` afresh from the schema and fills it with the default row counts
// times `scale`, then prints what it made and how long that took. Returns an
// error text or an empty string.
QString MakeBenchDatabase(const QString& path, double scale, const QStringList& withoutIndexes);
