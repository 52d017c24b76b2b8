#pragma once

// Shared by the database tests: a QCoreApplication (Qt loads its SQL driver
// plug-ins only with one), a database file in a fresh temporary folder, record
// builders, and a capture of the database layer's log lines.

#include "RecordBuilders.h"

#include "data/DatabaseOperation.h"

#include "core/Logging.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <spdlog/sinks/ringbuffer_sink.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

class QtApplicationEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "corvane_database_test";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { application.reset(); }

private:
    std::unique_ptr<QCoreApplication> application;
};

// Log lines of one logger from the moment of construction.
class LogCapture
{
public:
    // `pattern` as spdlog's: "%l %v" puts the level before each text.
    explicit LogCapture(const std::string& loggerName, const std::string& pattern = "%v")
        : logger(LoggerFor(loggerName)), sink(std::make_shared<spdlog::sinks::ringbuffer_sink_mt>(256))
    {
        sink->set_pattern(pattern);
        logger->sinks().push_back(sink);
    }
    ~LogCapture()
    {
        auto& sinks = logger->sinks();
        sinks.erase(std::remove(sinks.begin(), sinks.end(), sink), sinks.end());
    }

    bool Contains(const std::string& text) const { return Count(text) > 0; }

    int Count(const std::string& text) const
    {
        const std::vector<std::string> lines = sink->last_formatted();
        return int(std::count_if(lines.begin(), lines.end(),
                                 [&](const std::string& line) { return line.find(text) != std::string::npos; }));
    }

private:
    std::shared_ptr<spdlog::logger> logger;
    std::shared_ptr<spdlog::sinks::ringbuffer_sink_mt> sink;
};

// Runs statements through a connection of the test's own; false on the first failure.
inline bool Change(const QString& path, const QStringList& statements)
{
    const QString name = QStringLiteral("test-changer");
    bool done = true;
    {
        QSqlDatabase changer = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        changer.setDatabaseName(path);
        done = changer.open();
        for (const QString& sql : statements)
            done = done && QSqlQuery(changer).exec(sql);
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

// A DatabaseOperation connected to a new Corvane.db in a temporary folder.
class DatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(database.ConnectDatabase(DatabasePath()));
    }

    QString DatabasePath() const { return folder.filePath(QStringLiteral("Corvane.db")); }

    QTemporaryDir folder;
    DatabaseOperation database;
};

inline stu_SearchCondition WholeRange()
{
    stu_SearchCondition condition;
    condition.startTime = "20000101000000000";
    condition.endTime = "20991231235959999";
    condition.laneNo = -1;
    return condition;
}
