// bench_startup: time from process start to the first paint of the main
// window, with an empty Corvane.db and with 1 M stored incidents and 3
// simulated devices, next to bench_startup_anchor, a Qt Widgets-only program
// showing an empty QMainWindow with the same style sheet, started the same way
// (a child process, timed from its start to the line it prints at its first
// paint). The client is bench_startup_client, Corvane with that line added,
// which loads the libraries Corvane loads and not the simulator's. Goals: every case at most 1.5x the anchor and under
// 1 s; the 1 M incidents cost at most 10% over the same start without them. Exits non-zero when a goal is missed.
//   bench_startup [runs]   (median of `runs`, default 7)
#include "../BenchExit.h"
#include "../db/BenchData.h"
#include "FirstPaintProbe.h"

#include "ClientFolder.h"

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Milliseconds from starting the child to its first-paint line; -1 when it never came.
qint64 TimeToFirstPaint(const QString& program, const QString& appDir, quint16 alarmPort)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CORVANE_APP_DIR"), appDir);
    child.setProcessEnvironment(environment);
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    child.start(program, {QStringLiteral("--alarm-port"), QString::number(alarmPort)});
    QByteArray output;
    qint64 painted = -1;
    while (painted < 0 && clock.elapsed() < 30000 && child.state() != QProcess::NotRunning) {
        child.waitForReadyRead(100); // returns as soon as the line is there
        output += child.readAllStandardOutput();
        if (output.contains(FirstPaintProbe::kPainted))
            painted = clock.elapsed();
    }
    if (!child.waitForFinished(10000)) {
        child.kill();
        child.waitForFinished();
    }
    return painted;
}

qint64 Median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Measure
{
    const char* name;
    QString program;
    QString appDir;
};

// What stored incidents may add to a start, as a share of the same start without them.
constexpr double kIncidentsAllowance = 1.10;
constexpr double kAnchorAllowance = 1.5;
constexpr qint64 kFirstPaintLimitMs = 1000;

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    const quint16 alarmPort = testsupport::freePort();

    // The two parts of the full case apart, to see which one costs.
    ClientFolder emptyFolder;
    ClientFolder incidentsFolder;
    ClientFolder devicesFolder;
    ClientFolder fullFolder;
    std::vector<devsim::DeviceSpec> devices = SimulatedDevices(3, 2, alarmPort);
    devsim::Simulator simulator;
    std::string error;
    if (!emptyFolder.StoreDevices({}) || !incidentsFolder.StoreDevices({}) || !devicesFolder.StoreDevices(devices) ||
        !fullFolder.StoreDevices(devices) || !simulator.start(devices, devsim::Simulator::defaultClipPath(), error)) {
        std::fprintf(stderr, "cannot prepare the client folders: %s\n", error.c_str());
        return 1;
    }
    BenchDataSize size;
    size.violations = 0;
    size.trafficParams = 0;
    for (const ClientFolder* folder : {&incidentsFolder, &fullFolder}) {
        const QString generated = GenerateBenchData(folder->DatabasePath(), size, {});
        if (!generated.isEmpty()) {
            std::fprintf(stderr, "cannot store the incidents: %s\n", qPrintable(generated));
            return 1;
        }
    }

    const QString anchor = QStringLiteral(STARTUP_ANCHOR);
    const QString client = QStringLiteral(STARTUP_CLIENT);
    // The order matters below: each case with incidents follows its case without.
    const Measure measures[] = {
        {"anchor: Qt Widgets only, same style sheet", anchor, emptyFolder.Path()},
        {"Corvane, empty database", client, emptyFolder.Path()},
        {"Corvane, 1 M incidents", client, incidentsFolder.Path()},
        {"Corvane, 3 devices", client, devicesFolder.Path()},
        {"Corvane, 1 M incidents, 3 devices", client, fullFolder.Path()},
    };
    // Runs take turns, so a change in the machine's load falls on every case alike.
    const size_t cases = sizeof measures / sizeof measures[0];
    std::vector<std::vector<qint64>> times(cases);
    for (int run = 0; run < runs; ++run) {
        for (size_t i = 0; i < cases; ++i) {
            const qint64 ms = TimeToFirstPaint(measures[i].program, measures[i].appDir, alarmPort);
            if (ms < 0) {
                std::fprintf(stderr, "%s: no first paint\n", measures[i].name);
                return 1;
            }
            times[i].push_back(ms);
        }
    }
    std::vector<qint64> medians;
    for (size_t i = 0; i < cases; ++i) {
        medians.push_back(Median(times[i]));
        std::printf("%-40s first paint after %5lld ms (median of %d)\n", measures[i].name,
                    static_cast<long long>(medians.back()), runs);
    }
    simulator.stop();

    const double anchorMs = static_cast<double>(medians[0]);
    bool met = true;
    for (size_t i = 1; i < medians.size(); ++i) {
        const double ratio = medians[i] / anchorMs;
        const bool ok = ratio <= kAnchorAllowance && medians[i] < kFirstPaintLimitMs;
        met = met && ok;
        std::printf("%-40s ratio to the anchor %.2f (goal <= %.1f and < %lld ms): %s\n", measures[i].name, ratio,
                    kAnchorAllowance, static_cast<long long>(kFirstPaintLimitMs), ok ? "met" : "MISSED");
    }
    for (size_t i : {size_t(2), size_t(4)}) {
        const double ratio = double(medians[i]) / double(medians[i - 1]);
        const bool ok = ratio <= kIncidentsAllowance;
        met = met && ok;
        std::printf("%-40s ratio to \"%s\" %.2f (goal <= %.2f): %s\n", measures[i].name, measures[i - 1].name, ratio,
                    kIncidentsAllowance, ok ? "met" : "MISSED");
    }
    std::printf("goals %s\n", met ? "met" : "MISSED");
    return met ? 0 : kGoalMissed;
}
