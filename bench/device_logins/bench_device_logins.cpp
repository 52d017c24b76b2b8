// The login pass of the main window against simulated devices: from its start
// at the end of the window's construction until every device row holds its
// cameras and the summary toast shows (the construction is printed beside).
// Anchor: the same devices logged in with plain SDK logins in a loop,
// measured in the same run.

#include "../BenchExit.h"
#include "ConsoleSilencer.h"
#include "Simulator.h"
#include "TestSupport.h"

#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "core/SharedRecords.h"
#include "data/DatabaseOperation.h"
#include "dialogs/QPromptWidget.h"
#include "CorvaneParts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The login pass against the same logins made one after another.
constexpr double kGoalRatio = 1.5;

double PlainLogins(const std::vector<devsim::DeviceSpec>& devices)
{
    std::vector<int32_t> ids;
    QElapsedTimer timer;
    timer.start();
    for (const devsim::DeviceSpec& device : devices) {
        TSR_USER_LOGIN_INFO login{};
        std::strncpy(login.sDeviceAddress, device.address.c_str(), sizeof login.sDeviceAddress - 1);
        login.wPort = device.port;
        std::strncpy(login.sUserName, device.user.c_str(), sizeof login.sUserName - 1);
        std::strncpy(login.sPassword, device.password.c_str(), sizeof login.sPassword - 1);
        ids.push_back(TSR_Login(&login, nullptr));
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    const bool all = std::none_of(ids.begin(), ids.end(), [](int32_t id) { return id < 0; });
    for (int32_t id : ids)
        TSR_Logout(id);
    return all ? ms : -1;
}

bool TreeFull(Corvane& window, int devices, int cameras)
{
    QStandardItemModel* model = TreeOf(window)->Model();
    if (model->rowCount() != devices)
        return false;
    for (int row = 0; row < devices; ++row)
        if (model->item(row)->rowCount() != cameras)
            return false;
    return true;
}

struct PassFigures
{
    // From the window's construction until the tree is full and the summary toast shows.
    double wholeMs = -1;
    // Of it, the construction; the pass starts at its end.
    double constructionMs = 0;
    // The longest the GUI thread was away from its event loop while the pass ran.
    double longestStallMs = 0;
    double PassMs() const { return wholeMs - constructionMs; }
};

PassFigures WindowPass(quint16 alarmPort, int devices, int cameras)
{
    QElapsedTimer timer;
    timer.start();
    PassFigures figures;
    {
        Corvane window(nullptr, alarmPort);
        figures.constructionMs = timer.nsecsElapsed() / 1e6;
        bool toastShown = false;
        QObject::connect(
            &window, &Corvane::DeviceLoginFinishedSig, &window,
            [&](const QString& message) { toastShown = message.isEmpty(); }, Qt::DirectConnection);
        window.show();
        QElapsedTimer sinceLoop;
        bool firstTurn = true;
        while (timer.elapsed() < 120000) {
            sinceLoop.start();
            // The loop spins, so a turn handles little more than one hand-over.
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            // The first turn lays out and paints the whole window once.
            if (!firstTurn)
                figures.longestStallMs = std::max(figures.longestStallMs, sinceLoop.nsecsElapsed() / 1e6);
            firstTurn = false;
            if (toastShown && TreeFull(window, devices, cameras) && QPromptWidget::Current()) {
                figures.wholeMs = timer.nsecsElapsed() / 1e6;
                break;
            }
        }
        window.close();
    }
    return figures;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 64;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    constexpr int kCameras = 2;
    // The client logs every login to the console; the figures are printed after.
    auto silence = std::make_unique<ConsoleSilencer>();

    QTemporaryDir folder;
    qputenv("CORVANE_APP_DIR", QFile::encodeName(folder.path()));
    RegisterSharedRecordTypes();
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);

    devsim::Layout layout;
    layout.devices = count;
    layout.camerasPerDevice = kCameras;
    layout.port = testsupport::reservePort();
    layout.alarmPort = 0;
    layout.alarmsPerSecond = 0;
    layout.firstSubnet = 100 + static_cast<int>(QCoreApplication::applicationPid() % (155 - count));
    const std::vector<devsim::DeviceSpec> devices = devsim::Simulator::devicesFor(layout);
    devsim::Simulator simulator;
    std::string error;
    if (!simulator.start(devices, devsim::Simulator::defaultClipPath(), error)) {
        silence.reset();
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    {
        DatabaseOperation database;
        if (!database.ConnectDatabase(folder.filePath(QStringLiteral("Corvane.db"))))
            return 1;
        for (const devsim::DeviceSpec& d : devices)
            database.AddDeviceInfo({QString::fromStdString(d.name), QString::fromStdString(d.address), d.port,
                                    QString::fromStdString(d.user), QString::fromStdString(d.password)});
        database.CloseDatabase();
    }

    std::vector<double> passes, wholes, anchors, stalls;
    for (int run = 0; run < runs; ++run) {
        TSR_Init();
        const double anchor = PlainLogins(devices);
        TSR_Cleanup();
        TSR_Init();
        ImplementInstance::CreateInstance();
        ImplementInstance::GetInstance()->InitImplementInstance();
        const PassFigures figures = WindowPass(testsupport::reservePort(), count, kCameras);
        if (anchor < 0 || figures.wholeMs < 0) {
            silence.reset();
            std::fprintf(stderr, "run %d: %s did not finish\n", run, anchor < 0 ? "plain logins" : "login pass");
            return 1;
        }
        anchors.push_back(anchor);
        passes.push_back(figures.PassMs());
        wholes.push_back(figures.wholeMs);
        stalls.push_back(figures.longestStallMs);
    }
    silence.reset();
    const double pass = Median(passes);
    const double whole = Median(wholes);
    const double anchor = Median(anchors);
    std::printf("device login pass, %d devices x %d cameras (median of %d runs)\n", count, kCameras, runs);
    std::printf("  ours:   login pass until the tree is full and the summary toast shows  %7.1f ms\n", pass);
    std::printf("  anchor: %d plain TSR_Login calls in a loop                             %7.1f ms\n", count, anchor);
    const bool met = pass / anchor <= kGoalRatio;
    std::printf("  ratio:  %.2fx (goal at most %.1fx): %s\n", pass / anchor, kGoalRatio, met ? "met" : "MISSED");
    std::printf("  with the window's construction before the pass: %.1f ms (%.2fx)\n", whole, whole / anchor);
    std::printf("  longest the GUI thread was busy in one go while the pass ran: %.1f ms\n",
                *std::max_element(stalls.begin(), stalls.end()));
    simulator.stop();
    return met ? 0 : kGoalMissed;
}
