// The login pass of the main window against simulated devices: from the
// window's construction until every device row holds its cameras and the
// summary toast shows. Anchor: the same devices logged in with plain SDK
// logins in a loop, measured in the same run.

#include "ConsoleSilencer.h"
#include "Simulator.h"
#include "TestSupport.h"

#include "core/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "core/SharedRecords.h"
#include "data/DatabaseOperation.h"
#include "dialogs/QPromptWidget.h"
#include "monitor/Corvane.h"

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
    QStandardItemModel* model = window.DeviceModel();
    if (model->rowCount() != devices)
        return false;
    for (int row = 0; row < devices; ++row)
        if (model->item(row)->rowCount() != cameras)
            return false;
    return true;
}

struct PassFigures
{
    double ms = -1;
    // The longest the GUI thread was away from its event loop during the pass.
    double longestStallMs = 0;
};

PassFigures WindowPass(quint16 alarmPort, int devices, int cameras)
{
    QElapsedTimer timer;
    timer.start();
    PassFigures figures;
    {
        Corvane window(nullptr, alarmPort);
        window.show();
        bool toastShown = false;
        QObject::connect(&window, &Corvane::DeviceLoginFinishedSig, &window,
                         [&](const QString& message) { toastShown = message.isEmpty(); }, Qt::DirectConnection);
        QElapsedTimer sinceLoop;
        sinceLoop.start();
        while (timer.elapsed() < 120000) {
            // The loop spins, so a turn handles little more than one hand-over.
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            figures.longestStallMs = std::max(figures.longestStallMs, sinceLoop.nsecsElapsed() / 1e6);
            sinceLoop.restart();
            if (toastShown && TreeFull(window, devices, cameras) && QPromptWidget::Current()) {
                figures.ms = timer.nsecsElapsed() / 1e6;
                break;
            }
        }
        window.close();
    }
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 64;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
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
    layout.port = testsupport::freePort();
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

    std::vector<double> ours, anchors, stalls;
    for (int run = 0; run < runs; ++run) {
        TSR_Init();
        const double anchor = PlainLogins(devices);
        TSR_Cleanup();
        TSR_Init();
        ImplementInstance::CreateInstance();
        ImplementInstance::GetInstance()->InitImplementInstance();
        const PassFigures figures = WindowPass(testsupport::freePort(), count, kCameras);
        const double pass = figures.ms;
        if (anchor < 0 || pass < 0) {
            silence.reset();
            std::fprintf(stderr, "run %d: %s did not finish\n", run, anchor < 0 ? "plain logins" : "login pass");
            return 1;
        }
        anchors.push_back(anchor);
        ours.push_back(pass);
        stalls.push_back(figures.longestStallMs);
    }
    silence.reset();
    std::sort(ours.begin(), ours.end());
    std::sort(anchors.begin(), anchors.end());
    const double median = ours[ours.size() / 2];
    const double anchor = anchors[anchors.size() / 2];
    std::printf("device login pass, %d devices x %d cameras (median of %d runs)\n", count, kCameras, runs);
    std::printf("  ours:   tree full and summary toast shown   %9.1f ms\n", median);
    std::printf("  anchor: %d plain TSR_Login calls in a loop  %9.1f ms\n", count, anchor);
    std::printf("  ratio:  %.2fx (goal at most 1.5x)\n", median / anchor);
    std::printf("  longest the GUI thread was busy in one go during a pass: %.1f ms\n",
                *std::max_element(stalls.begin(), stalls.end()));
    simulator.stop();
    return 0;
}
