// bench_startup: time from process start to the first paint of the main
// window, with an empty Corvane.db and with 1 M stored incidents and 3
// simulated devices, next to an empty QMainWindow with the same style sheet
// started the same way (a child process, timed from its start to the line it
// prints at its first paint). Goal: at most 1.5x the empty window, under 1 s.
//   bench_startup [runs]   (median of `runs`, default 5)
#include "../db/BenchData.h"

#include "ClientFolder.h"

#include "monitor/ClientStartup.h"
#include "monitor/Corvane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char* const kPainted = "@@painted";

// Reports the first paint of a window and closes it right after.
class FirstPaintProbe : public QObject
{
public:
    explicit FirstPaintProbe(QWidget* window) : QObject(window), window(window) { window->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window && event->type() == QEvent::Paint && !reported) {
            reported = true;
            // After this paint has gone to the screen.
            QTimer::singleShot(0, window, [this] {
                std::printf("%s\n", kPainted);
                std::fflush(stdout);
                window->close();
            });
        }
        return false;
    }

private:
    QWidget* window;
    bool reported = false;
};

int RunEmptyWindow(int argc, char** argv)
{
    QApplication application(argc, argv);
    application.setStyleSheet(ClientStyleSheet());
    QMainWindow window;
    window.resize(1387, 854);
    new FirstPaintProbe(&window);
    window.show();
    return QApplication::exec();
}

int RunClientWindow(int argc, char** argv)
{
    return RunClient(argc, argv, [](const QStringList& arguments) {
        ClientStartOptions options = ParseClientOptions(arguments);
        options.onWindowBuilt = [](Corvane& window) { new FirstPaintProbe(&window); };
        return options;
    });
}

// Milliseconds from starting the child to its first-paint line; -1 when it never came.
qint64 TimeToFirstPaint(const QString& mode, const QString& appDir, quint16 alarmPort)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CORVANE_APP_DIR"), appDir);
    child.setProcessEnvironment(environment);
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(),
                {mode, QStringLiteral("--alarm-port"), QString::number(alarmPort)});
    QByteArray output;
    qint64 painted = -1;
    while (painted < 0 && clock.elapsed() < 30000 && child.state() != QProcess::NotRunning) {
        child.waitForReadyRead(1);
        output += child.readAllStandardOutput();
        if (output.contains(kPainted))
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
    QString mode;
    QString appDir;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--empty-window")
        return RunEmptyWindow(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--client")
        return RunClientWindow(argc, argv);

    QGuiApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const quint16 alarmPort = testsupport::freePort();

    // The two parts of the full case apart, to see which one costs.
    ClientFolder emptyFolder;
    ClientFolder incidentsFolder;
    ClientFolder devicesFolder;
    ClientFolder fullFolder;
    std::vector<devsim::DeviceSpec> devices = SimulatedDevices(3, 2, alarmPort);
    devsim::Simulator simulator;
    std::string error;
    if (!emptyFolder.StoreDevices({}) || !incidentsFolder.StoreDevices({}) || !devicesFolder.StoreDevices(devices)
        || !fullFolder.StoreDevices(devices) || !simulator.start(devices, devsim::Simulator::defaultClipPath(), error)) {
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

    const Measure measures[] = {
        {"empty QMainWindow, same style sheet", QStringLiteral("--empty-window"), emptyFolder.Path()},
        {"Corvane, empty database", QStringLiteral("--client"), emptyFolder.Path()},
        {"Corvane, 1 M incidents", QStringLiteral("--client"), incidentsFolder.Path()},
        {"Corvane, 3 devices", QStringLiteral("--client"), devicesFolder.Path()},
        {"Corvane, 1 M incidents, 3 devices", QStringLiteral("--client"), fullFolder.Path()},
    };
    // Runs take turns, so a change in the machine's load falls on every case alike.
    const size_t cases = sizeof measures / sizeof measures[0];
    std::vector<std::vector<qint64>> times(cases);
    for (int run = 0; run < runs; ++run) {
        for (size_t i = 0; i < cases; ++i) {
            const qint64 ms = TimeToFirstPaint(measures[i].mode, measures[i].appDir, alarmPort);
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

    const double anchor = static_cast<double>(medians[0]);
    bool met = true;
    for (size_t i = 1; i < medians.size(); ++i) {
        const double ratio = medians[i] / anchor;
        const bool ok = ratio <= 1.5 && medians[i] < 1000;
        met = met && ok;
        std::printf("%-40s ratio to the empty window %.2f (goal <= 1.5 and < 1000 ms): %s\n", measures[i].name, ratio,
                    ok ? "met" : "missed");
    }
    std::printf("goal %s\n", met ? "met" : "missed");
    return 0;
}
