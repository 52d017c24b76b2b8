// Compares the client's logging with spdlog's own rotating_file_sink_mt under
// the same line format and the same flush-every-line policy, with 1 and 8
// threads writing at once. The console sinks write to /dev/null during the runs.
#include "ConsoleSilencer.h"
#include "core/Logging.h"
#include "core/LogLineFormat.h"
#include "core/rotating_file_mod_sink.h"

#include <QTemporaryDir>
#include <spdlog/sinks/rotating_file_sink.h>

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
};

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
    auto stock = std::make_shared<spdlog::logger>(
        "stock", std::make_shared<spdlog::sinks::rotating_file_sink_mt>(folder + "/stock/stock.log", kMaxFileSize,
                                                                        kMaxFiles));
    stock->set_formatter(MakeLogLineFormatter());
    stock->flush_on(spdlog::level::trace);
    auto fileOnly = std::make_shared<spdlog::logger>(
        "fileOnly", std::make_shared<spdlog::sinks::rotating_file_mod_sink_mt>("CorvaneLogs", "log", folder + "/own",
                                                                             kMaxFileSize, kMaxFiles, true));
    fileOnly->set_formatter(MakeLogLineFormatter());
    contenders = {{"spdlog rotating_file_sink_mt", stock},
                  {"client logger (file+stdout+stderr+recent)", LoggerFor("GUI")},
                  {"client rotating_file_mod_sink alone", fileOnly}};

    std::printf("%d lines a run, median of %d runs, every line flushed\n\n", totalLines, kRepetitions);
    std::printf("%-44s %8s %14s %8s\n", "logger", "threads", "lines/s", "ratio");
    for (int threads : {1, 8}) {
        std::vector<std::vector<double>> rates(contenders.size());
        {
            ConsoleSilencer quiet;
            for (int run = 0; run < kRepetitions; ++run)
                for (size_t c = 0; c < contenders.size(); ++c)
                    rates[c].push_back(LinesPerSecond(contenders[c].logger, threads, totalLines));
        }
        const double stockRate = Median(rates[0]);
        for (size_t c = 0; c < contenders.size(); ++c) {
            const double rate = Median(rates[c]);
            std::printf("%-44s %8d %14.0f %8.2f\n", contenders[c].name, threads, rate, rate / stockRate);
        }
    }
    ShutdownLogging();
    return 0;
}
