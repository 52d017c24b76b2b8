// Compares the client's logging with spdlog's own rotating_file_sink_mt under
// the same line format and the same flush-every-line policy, with 1 and 8
// threads writing at once. The console sinks write to /dev/null during the runs.
// Afterwards the lines that reached each set of files are counted: a logger
// that dropped or failed lines does not get a figure, and the program fails.
// Goal: the client's logger with every sink it installs, at 1 thread, at least
// 0.8x the stock sink.
#include "../BenchExit.h"
#include "ConsoleSilencer.h"
#include "core/Logging.h"
#include "core/LogLineFormat.h"
#include "core/rotating_file_mod_sink.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t kMaxFileSize = 2 * 1024 * 1024;
constexpr std::uint32_t kMaxFiles = 100;
constexpr int kRepetitions = 3;

// Lines per second when `threads` threads share `totalLines` lines of the
// client's usual shape through `logger`.
double LinesPerSecond(const std::shared_ptr<spdlog::logger>& logger, int threads, int totalLines)
{
    const int perThread = totalLines / threads;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&logger, perThread, t] {
            for (int i = 0; i < perThread; ++i)
                logger->info("{}, device {} channel {} incident {} stored as row {}",
                             "DatabaseOperation::InsertIncident", "127.0.3.1", t, 524288, i);
        });
    }
    for (auto& worker : workers)
        worker.join();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return perThread * threads / elapsed.count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Contender
{
    const char* name;
    std::shared_ptr<spdlog::logger> logger;
    QString folder;          // where its files are
    long long linesSent = 0; // lines logged through it in all runs
};

const QByteArray kMarker = "DatabaseOperation::InsertIncident, device";

// Lines of the benchmark's shape in every file below `folder`.
long long LinesInFiles(const QString& folder)
{
    long long lines = 0;
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        while (!file.atEnd())
            lines += file.readLine().contains(kMarker) ? 1 : 0;
    }
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    const int totalLines = argc > 1 ? std::max(8, std::atoi(argv[1])) : 200000;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    qputenv("CORVANE_APP_DIR", dir.path().toLocal8Bit());
    const std::string folder = dir.path().toStdString();

    std::vector<Contender> contenders;
    {
        ConsoleSilencer quiet;
        if (!InitLogging(L"CorvaneLogs"))
            return 1;
    }
    auto stock = std::make_shared<spdlog::logger>("stock", std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
                                                               folder + "/stock/stock.log", kMaxFileSize, kMaxFiles));
    stock->set_formatter(MakeLogLineFormatter());
    stock->flush_on(spdlog::level::trace);
    auto fileOnly = std::make_shared<spdlog::logger>(
        "fileOnly", std::make_shared<spdlog::sinks::rotating_file_mod_sink_mt>("CorvaneLogs", "log", folder + "/own",
                                                                               kMaxFileSize, kMaxFiles, true));
    fileOnly->set_formatter(MakeLogLineFormatter());
    // The same two flushed writes a line as the client's files and console, in
    // stock spdlog: shows what the second write costs on this machine.
    auto stockWithConsole = std::make_shared<spdlog::logger>(
        "stockWithConsole", spdlog::sinks_init_list{std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
                                                        folder + "/stock-console/stock.log", kMaxFileSize, kMaxFiles),
                                                    std::make_shared<spdlog::sinks::stdout_sink_mt>()});
    stockWithConsole->set_formatter(MakeLogLineFormatter());
    stockWithConsole->flush_on(spdlog::level::trace);
    const QString clientFolder = dir.path() + "/CorvaneLogs";
    contenders = {{"spdlog rotating_file_sink_mt (anchor)", stock, dir.path() + "/stock"},
                  {"client logger, every sink it installs", LoggerFor("GUI"), clientFolder},
                  {"client rotating_file_mod_sink alone", fileOnly, dir.path() + "/own"},
                  {"spdlog rotating file + stdout sinks", stockWithConsole, dir.path() + "/stock-console"}};

    std::printf("%d lines a run, median of %d runs, every line flushed\n\n", totalLines, kRepetitions);
    std::printf("%-40s %8s %14s %14s %8s\n", "logger", "threads", "lines/s", "anchor lines/s", "ratio");
    double clientRatioAtOneThread = 0;
    for (int threads : {1, 8}) {
        std::vector<std::vector<double>> rates(contenders.size());
        {
            ConsoleSilencer quiet;
            for (int run = 0; run < kRepetitions; ++run)
                for (size_t c = 0; c < contenders.size(); ++c) {
                    rates[c].push_back(LinesPerSecond(contenders[c].logger, threads, totalLines));
                    contenders[c].linesSent += totalLines / threads * threads;
                }
        }
        const double stockRate = Median(rates[0]);
        for (size_t c = 0; c < contenders.size(); ++c) {
            const double rate = Median(rates[c]);
            std::printf("%-40s %8d %14.0f %14.0f %8.2f\n", contenders[c].name, threads, rate, stockRate,
                        rate / stockRate);
            if (c == 1 && threads == 1)
                clientRatioAtOneThread = rate / stockRate;
        }
    }
    ShutdownLogging();
    stock->flush();
    fileOnly->flush();

    // Every line must be in the files, or the figures above are of lost work.
    bool complete = true;
    std::printf("\n%-40s %14s %14s\n", "lines that reached the files", "sent", "in files");
    for (const Contender& contender : contenders) {
        const long long inFiles = LinesInFiles(contender.folder);
        std::printf("%-40s %14lld %14lld %s\n", contender.name, contender.linesSent, inFiles,
                    inFiles == contender.linesSent ? "ok" : "LINES MISSING");
        complete = complete && inFiles == contender.linesSent;
    }
    const bool met = clientRatioAtOneThread >= 0.8;
    std::printf("\ngoal: client logger at 1 thread >= 0.80x the anchor: %.2fx, %s\n", clientRatioAtOneThread,
                met ? "met" : "MISSED");
    std::printf("(the client writes each line twice, to its file and to standard output, both flushed;\n"
                " the last row is stock spdlog doing the same)\n");
    if (!complete) {
        std::fprintf(stderr, "bench_logging: lines were lost, the rates above do not count\n");
        return 1;
    }
    return met ? 0 : kGoalMissed;
}
