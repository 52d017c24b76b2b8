// Live-video panes, the grid, the preview dialog and the layout chooser
// against the device simulator's H.264 cameras, on an X server.

#include "ClientFolder.h"
#include "PaneColours.h"

#include "core/FontSubstitution.h"
#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "core/Logging.h"
#include "core/SharedRecords.h"
#include "device/DeviceManager.h"
#include "dialogs/QPromptWidget.h"
#include "monitor/ClientStartup.h"
#include "monitor/KvorPlayWindow.h"
#include "monitor/KvorSplitWndsCtrl.h"
#include "monitor/PreviewDialog.h"
#include "monitor/RequstRunables.h"
#include "monitor/SplitScreen.h"

#include <QElapsedTimer>
#include <QApplication>
#include <QVBoxLayout>
#include <QLabel>
#include <QFrame>
#include <QGridLayout>
#include <QListWidget>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

stu_DeviceChannelInfo ChannelOf(const devsim::DeviceSpec& device, size_t camera)
{
    const devsim::CameraSpec& spec = device.cameras.at(camera);
    stu_DeviceChannelInfo channel;
    channel.deviceIp = QString::fromStdString(device.address);
    channel.channelIp = QString::fromStdString(spec.address);
    channel.channelPort = spec.port;
    channel.userName = QString::fromStdString(spec.user);
    channel.password = QString::fromStdString(spec.password);
    return channel;
}

} // namespace

class LiveVideoTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void paneCreatesItsNativeWindowOnFirstPlayOnly();
    void paneDrawsTheCameraAndCloseEndsTheStream();
    void restartStopsTheOldStreamFirst();
    void stopWhileStartingStopsTheLateStream();
    void panesGoAtOnceWhileTheirStartsWait();
    void reusesTheCameraLogin();
    void refusedCameraLeavesThePaneIdleWithOneToast();
    void droppedCameraDoesNotCrashThePane();
    void layoutsShowTheirPaneCounts_data();
    void layoutsShowTheirPaneCounts();
    void layoutAppliedTwicePlacesTheSamePanes();
    void idlePanesDrawTheirWholeArea();
    void selectionFollowsClicksAndLayouts();
    void expandAndRestore();
    void fullScreenAndBack();
    void fullScreenGridComesBackPlaying();
    void fullScreenVideoKeepsItsNativeWindow();
    void idlePaneIsOneEvenColour();
    void chooserIsAPopUpAboveTheGrid();
    void findsOnlyThePaneOfTheChannel();
    void previewDialogPlaysAndStopsWhenClosedFromOutside();
    void chooserEmitsTheClickedLayout();
    void screenshots();

private:
    int LiveStreams() const;
    devsim::SimDevice& Camera(size_t device, size_t camera);

    ClientFolder folder;
    devsim::Simulator simulator;
    std::vector<devsim::DeviceSpec> devices;
    std::unique_ptr<KvorSplitWndsCtrl> grid;
};

void LiveVideoTest::initTestCase()
{
    folder.PrepareApplication();
    devices = SimulatedDevices(2, 4, testsupport::reservePort());
    std::string error;
    QVERIFY2(simulator.start(devices, devsim::Simulator::defaultClipPath(), error), error.c_str());
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
    QVERIFY(TSR_Init());
    QVERIFY(ImplementInstance::CreateInstance());
    ImplementInstance::GetInstance()->InitImplementInstance();
}

void LiveVideoTest::init()
{
    grid = std::make_unique<KvorSplitWndsCtrl>();
    grid->resize(800, 600);
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
}

void LiveVideoTest::cleanup()
{
    if (grid)
        grid->StopAll();
    grid.reset();
    QTRY_COMPARE_WITH_TIMEOUT(LiveStreams(), 0, 10000);
}

void LiveVideoTest::cleanupTestCase()
{
    DeviceManager::DestroyInstance();
    TSR_Cleanup();
    ImplementInstance::DestroyInstance();
    simulator.stop();
}

int LiveVideoTest::LiveStreams() const
{
    int streams = 0;
    for (const devsim::DeviceSpec& device : devices)
        for (const devsim::CameraSpec& camera : device.cameras)
            streams += simulator.find(camera.address)->liveStreams();
    return streams;
}

devsim::SimDevice& LiveVideoTest::Camera(size_t device, size_t camera)
{
    return *simulator.find(devices.at(device).cameras.at(camera).address);
}

void LiveVideoTest::paneCreatesItsNativeWindowOnFirstPlayOnly()
{
    for (unsigned short i = 0; i < KvorSplitWndsCtrl::kPaneCount; ++i)
        QVERIFY(!grid->GetPlayWindow(i)->HasNativeVideoWindow());
    KvorPlayWindow* pane = grid->GetPlayWindow(0);
    RequstRunables::RequestPreview(pane, ChannelOf(devices[0], 0), 0);
    QVERIFY(pane->HasNativeVideoWindow());
    QTRY_VERIFY_WITH_TIMEOUT(pane->IsPlaying(), 10000);
    QVERIFY(!grid->GetPlayWindow(1)->HasNativeVideoWindow());
}

void LiveVideoTest::paneDrawsTheCameraAndCloseEndsTheStream()
{
    KvorPlayWindow* pane = grid->GetPlayWindow(0);
    QVERIFY(pane->IsLogoVisible());
    const int idleColours = DistinctColours(pane->grab().toImage());
    bool done = false, ok = false;
    RequstRunables::RequestPreview(pane, ChannelOf(devices[0], 0), 0, [&](bool result) {
        done = true;
        ok = result;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
    QVERIFY(ok);
    QVERIFY(pane->IsPlaying());
    QVERIFY(!pane->IsLogoVisible());
    QCOMPARE(pane->PlayingChannelIp(), ChannelOf(devices[0], 0).channelIp);
    QCOMPARE(Camera(0, 0).liveStreams(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(DistinctColours(pane->grab().toImage()) > idleColours + 20, 10000);

    pane->StopPlay();
    QVERIFY(!pane->IsPlaying());
    QVERIFY(pane->IsLogoVisible());
    QTRY_COMPARE_WITH_TIMEOUT(Camera(0, 0).liveStreams(), 0, 10000);
}

void LiveVideoTest::restartStopsTheOldStreamFirst()
{
    KvorPlayWindow* pane = grid->GetPlayWindow(0);
    RequstRunables::RequestPreview(pane, ChannelOf(devices[0], 0), 0);
    QTRY_VERIFY_WITH_TIMEOUT(pane->IsPlaying(), 10000);
    RequstRunables::RequestPreview(pane, ChannelOf(devices[0], 1), 0);
    QTRY_VERIFY_WITH_TIMEOUT(pane->IsPlaying(), 10000);
    QCOMPARE(pane->PlayingChannelIp(), ChannelOf(devices[0], 1).channelIp);
    QTRY_COMPARE_WITH_TIMEOUT(Camera(0, 0).liveStreams(), 0, 10000);
    QCOMPARE(Camera(0, 1).liveStreams(), 1);
}

void LiveVideoTest::stopWhileStartingStopsTheLateStream()
{
    KvorPlayWindow* pane = grid->GetPlayWindow(0);
    bool called = false;
    RequstRunables::RequestPreview(pane, ChannelOf(devices[1], 0), 0, [&](bool) { called = true; });
    pane->StopPlay();
    QTRY_COMPARE_WITH_TIMEOUT(RequstRunables::PendingPreviews(), 0, 10000);
    QCoreApplication::processEvents();
    QVERIFY(!pane->IsPlaying());
    QVERIFY(!called);
    QTRY_COMPARE_WITH_TIMEOUT(Camera(1, 0).liveStreams(), 0, 10000);
}

void LiveVideoTest::panesGoAtOnceWhileTheirStartsWait()
{
    // The camera takes stream requests and never answers; starts wait for it
    // up to the reply time, and nobody who deletes their panes waits with them.
    QVERIFY(TSR_SetNetworkTimes(0, 4000, 0));
    Camera(1, 3).stall(true);
    RequstRunables::RequestPreview(grid->GetPlayWindow(0), ChannelOf(devices[1], 3), 0);
    auto* dialog = new PreviewDialog;
    dialog->StartSdkPreview(ChannelOf(devices[1], 3));
    QElapsedTimer clock;
    clock.start();
    delete dialog;
    grid.reset();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
    QCOMPARE(RequstRunables::PendingPreviews(), 2);
    Camera(1, 3).stall(false);
    QTRY_COMPARE_WITH_TIMEOUT(RequstRunables::PendingPreviews(), 0, 20000);
    QCoreApplication::processEvents(); // the late results find no pane
    QTRY_COMPARE_WITH_TIMEOUT(Camera(1, 3).liveStreams(), 0, 10000);
    QVERIFY(TSR_SetNetworkTimes(0, 5000, 0));
}

void LiveVideoTest::reusesTheCameraLogin()
{
    const stu_DeviceChannelInfo channel = ChannelOf(devices[0], 2);
    auto loginsOf = [&] {
        int count = 0;
        for (const stu_LoginInfo& login : DeviceManager::GetInstance()->GetLoginList())
            count += login.deviceIp == channel.channelIp;
        return count;
    };
    KvorPlayWindow* pane = grid->GetPlayWindow(0);
    for (int round = 0; round < 3; ++round) {
        RequstRunables::RequestPreview(pane, channel, 0);
        QTRY_VERIFY_WITH_TIMEOUT(pane->IsPlaying(), 10000);
        pane->StopPlay();
    }
    QCOMPARE(loginsOf(), 1);
}

void LiveVideoTest::refusedCameraLeavesThePaneIdleWithOneToast()
{
    Camera(1, 1).refuseLogins(true);
    KvorPlayWindow* pane = grid->GetPlayWindow(0);
    bool done = false, ok = true;
    RequstRunables::RequestPreview(pane, ChannelOf(devices[1], 1), 0, [&](bool result) {
        done = true;
        ok = result;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    Camera(1, 1).refuseLogins(false);
    QVERIFY(!ok);
    QVERIFY(!pane->IsPlaying());
    QVERIFY(pane->IsLogoVisible());
    QVERIFY(pane->PlayingChannelIp().isEmpty());
    int toasts = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        toasts += qobject_cast<QPromptWidget*>(widget) && widget->isVisible();
    QCOMPARE(toasts, 1);
    QCOMPARE(Camera(1, 1).liveStreams(), 0);
}

void LiveVideoTest::droppedCameraDoesNotCrashThePane()
{
    KvorPlayWindow* pane = grid->GetPlayWindow(0);
    RequstRunables::RequestPreview(pane, ChannelOf(devices[1], 2), 0);
    QTRY_VERIFY_WITH_TIMEOUT(pane->IsPlaying(), 10000);
    Camera(1, 2).drop();
    QTest::qWait(300);
    Camera(1, 2).restore();
    // The SDK resumes the play by itself once the camera is back.
    QTRY_COMPARE_WITH_TIMEOUT(Camera(1, 2).liveStreams(), 1, 15000);
    pane->StopPlay();
    QTRY_COMPARE_WITH_TIMEOUT(Camera(1, 2).liveStreams(), 0, 10000);
}

void LiveVideoTest::layoutsShowTheirPaneCounts_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("panes");
    const int counts[] = {1, 4, 6, 6, 8, 9, 9, 12, 16, 16, 24, 48};
    for (int mode = 0; mode < 12; ++mode)
        QTest::addRow("mode %d", mode) << mode << counts[mode];
    QTest::addRow("unknown mode") << 40 << 4;
}

void LiveVideoTest::layoutsShowTheirPaneCounts()
{
    QFETCH(int, mode);
    QFETCH(int, panes);
    grid->SetSplitMode(mode);
    QCOMPARE(int(grid->WindowNums()), panes);
    QCoreApplication::processEvents();
    for (int i = 0; i < panes; ++i) {
        KvorPlayWindow* pane = grid->GetPlayWindow(static_cast<unsigned short>(i));
        QVERIFY2(pane->isVisibleTo(grid.get()) && pane->width() > 10, qPrintable(QString::number(i)));
    }
    QVERIFY(!grid->GetPlayWindow(48));
}

void LiveVideoTest::layoutAppliedTwicePlacesTheSamePanes()
{
    grid->SetSplitMode(9);
    QCoreApplication::processEvents();
    QVector<QRect> first;
    for (unsigned short i = 0; i < 16; ++i)
        first << grid->GetPlayWindow(i)->geometry();
    const int layouts = grid->findChildren<QGridLayout*>().size();
    grid->SetSplitMode(1);
    grid->SetSplitMode(9);
    QCoreApplication::processEvents();
    QCOMPARE(grid->findChildren<QGridLayout*>().size(), layouts);
    for (unsigned short i = 0; i < 16; ++i)
        QCOMPARE(grid->GetPlayWindow(i)->geometry(), first[i]);
}

void LiveVideoTest::idlePanesDrawTheirWholeArea()
{
    // A pane once played and stopped, on a layout reached from a larger one,
    // draws its margins itself: nothing of the window behind shows through.
    grid->SetSplitMode(8);
    KvorPlayWindow* played = grid->GetPlayWindow(5);
    RequstRunables::RequestPreview(played, ChannelOf(devices[0], 0), 0);
    QTRY_VERIFY_WITH_TIMEOUT(played->IsPlaying(), 10000);
    played->StopPlay();
    grid->OnWndClicked(6);
    grid->SetSplitMode(5);
    QCoreApplication::processEvents();
    const QImage wall = grid->grab().toImage();
    const QSet<QRgb> allowed{QColor(47, 50, 55).rgb(), QColor(Qt::darkGray).rgb(), QColor(43, 248, 207).rgb()};
    for (unsigned short i = 0; i < 9; ++i) {
        KvorPlayWindow* pane = grid->GetPlayWindow(i);
        const QRect area(pane->mapTo(grid.get(), QPoint(0, 0)), pane->size());
        const QRect video = pane->findChild<QFrame*>(QStringLiteral("frame"))->geometry().translated(area.topLeft());
        int foreign = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (!video.contains(x, y) && !allowed.contains(wall.pixel(x, y)))
                    ++foreign;
        QVERIFY2(foreign == 0, qPrintable(QStringLiteral("pane %1: %2 pixels").arg(i).arg(foreign)));
    }
    QCOMPARE(QColor(wall.pixel(played->mapTo(grid.get(), QPoint(0, 0)))), QColor(43, 248, 207));
}

void LiveVideoTest::selectionFollowsClicksAndLayouts()
{
    grid->SetSplitMode(8);
    KvorPlayWindow* pane = grid->GetPlayWindow(12);
    QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(pane->width() / 2, pane->height() / 2));
    QCOMPARE(int(grid->GetCurWndIndex()), 12);
    QVERIFY(pane->IsHighlighted());
    QVERIFY(!grid->GetPlayWindow(0)->IsHighlighted());
    grid->SetSplitMode(1);
    QCOMPARE(int(grid->GetCurWndIndex()), 0);
    QVERIFY(!pane->IsHighlighted());
    grid->OnWndClicked(4);
    grid->SelectNextWnd();
    QCOMPARE(int(grid->GetCurWndIndex()), 3); // the last pane of the layout stays selected
    grid->SetSplitMode(5);
    QCOMPARE(int(grid->GetCurWndIndex()), 3);
    grid->OnWndClicked(49);
    QCOMPARE(int(grid->GetCurWndIndex()), 3);
    // The highlight frame is drawn in the operator's colour.
    QCoreApplication::processEvents();
    const QImage selected = grid->GetPlayWindow(3)->grab().toImage();
    QCOMPARE(selected.pixelColor(0, selected.height() / 2), QColor(43, 248, 207));
}

void LiveVideoTest::expandAndRestore()
{
    grid->SetSplitMode(1);
    grid->OnWndDoubleClicked(3);
    QVERIFY(grid->IsExpanded());
    QCoreApplication::processEvents();
    KvorPlayWindow* pane = grid->GetPlayWindow(2);
    QVERIFY(pane->isVisibleTo(grid.get()));
    QVERIFY(pane->width() > grid->width() - 10);
    grid->OnWndDoubleClicked(3);
    QVERIFY(!grid->IsExpanded());
    QCoreApplication::processEvents();
    QVERIFY(pane->width() < grid->width() / 2 + 5);
    QCOMPARE(int(grid->WindowNums()), 4);
}

void LiveVideoTest::fullScreenAndBack()
{
    grid->SetSplitMode(1);
    grid->SetFullScreen(true);
    QTRY_VERIFY(grid->isFullScreen());
    QTest::keyClick(grid.get(), Qt::Key_Escape);
    QTRY_VERIFY(!grid->isFullScreen());
    grid->SetSplitMode(0);
    grid->SetFullScreen(true);
    QVERIFY(grid->GetPlayWindow(0)->IsPlayFrameFull());
    QVERIFY(!grid->isFullScreen());
    grid->SetFullScreen(false);
    QVERIFY(!grid->GetPlayWindow(0)->IsPlayFrameFull());
}

namespace {

// The main window's part around the grid: the grid sits in a layout cell
// between other widgets, as in the real window.
struct GridHome
{
    GridHome()
    {
        auto* box = new QVBoxLayout(&window);
        box->addWidget(new QLabel(QStringLiteral("above")));
        grid = new KvorSplitWndsCtrl;
        box->addWidget(grid, 1);
        box->addWidget(new QLabel(QStringLiteral("below")));
        window.resize(900, 700);
        window.show();
    }
    ~GridHome() { grid->StopAll(); }
    // Pane 0 of `mode` playing `channel`; null when it does not play.
    KvorPlayWindow* PlayFirstPane(int mode, const stu_DeviceChannelInfo& channel)
    {
        if (!QTest::qWaitForWindowExposed(&window))
            return nullptr;
        grid->SetSplitMode(mode);
        KvorPlayWindow* pane = grid->GetPlayWindow(0);
        RequstRunables::RequestPreview(pane, channel, 0);
        return QTest::qWaitFor([pane] { return pane->IsPlaying(); }, 10000) ? pane : nullptr;
    }
    QWidget window;
    KvorSplitWndsCtrl* grid;
};

// Full-screen windows still shown.
int FullScreenWindowsShown()
{
    int shown = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->isFullScreen())
            ++shown;
    return shown;
}

} // namespace

// The grid used to be turned into a window of its own and back by its window
// flags; under a window manager it was left unmapped or as a separate window.
void LiveVideoTest::fullScreenGridComesBackPlaying()
{
    GridHome home;
    KvorSplitWndsCtrl* wall = home.grid;
    KvorPlayWindow* pane = home.PlayFirstPane(1, ChannelOf(devices[0], 0));
    QVERIFY(pane);
    const WId video = pane->GetPlayWndId();
    QTRY_VERIFY(wall->geometry().height() > 400);
    const QRect cell = wall->geometry();
    for (int cycle = 0; cycle < 3; ++cycle) {
        wall->SetFullScreen(true);
        QVERIFY(wall->IsFullScreenShown());
        QVERIFY(wall->window() != &home.window);
        QTRY_VERIFY(wall->window()->isFullScreen());
        QVERIFY(QTest::qWaitForWindowExposed(wall->window()));
        QTest::keyClick(wall, Qt::Key_Escape);
        QVERIFY(!wall->IsFullScreenShown());
        QCOMPARE(wall->window(), &home.window);
        QTRY_COMPARE(wall->geometry(), cell);
        QVERIFY(wall->isVisible());
        QCOMPARE(FullScreenWindowsShown(), 0);
        QVERIFY(pane->IsPlaying());
        QCOMPARE(pane->GetPlayWndId(), video);
    }
    QCOMPARE(Camera(0, 0).liveStreams(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(DistinctColours(pane->grab().toImage()) > 20, 10000);
    pane->StopPlay();
    QTRY_COMPARE_WITH_TIMEOUT(Camera(0, 0).liveStreams(), 0, 10000);
}

// A pane's video shown full screen moves, native window and all: the player
// keeps drawing into the window it was given.
void LiveVideoTest::fullScreenVideoKeepsItsNativeWindow()
{
    GridHome home;
    KvorSplitWndsCtrl* wall = home.grid;
    KvorPlayWindow* pane = home.PlayFirstPane(0, ChannelOf(devices[0], 1));
    QVERIFY(pane);
    const WId video = pane->GetPlayWndId();
    auto* frame = pane->findChild<QFrame*>(QStringLiteral("framePlay"));
    QWidget* parent = frame->parentWidget();
    wall->SetFullScreen(true);
    QVERIFY(pane->IsPlayFrameFull());
    QTRY_VERIFY(frame->window()->isFullScreen());
    QCOMPARE(frame->winId(), video);
    QTest::keyClick(frame->window(), Qt::Key_Escape);
    QVERIFY(!pane->IsPlayFrameFull());
    QCOMPARE(frame->parentWidget(), parent);
    QCOMPARE(frame->winId(), video);
    QCOMPARE(FullScreenWindowsShown(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(DistinctColours(pane->grab().toImage()) > 20, 10000);
    pane->StopPlay();
}

// The empty logo frame used to draw a strip across the middle of every idle pane.
void LiveVideoTest::idlePaneIsOneEvenColour()
{
    grid->SetSplitMode(1);
    KvorPlayWindow* pane = grid->GetPlayWindow(2);
    QCoreApplication::processEvents();
    const QImage image = pane->grab().toImage();
    const QRect video = pane->findChild<QFrame*>(QStringLiteral("frame"))->geometry();
    QVERIFY(video.height() > 100);
    QSet<QRgb> colours;
    QRect odd;
    for (int y = video.top(); y <= video.bottom(); ++y)
        for (int x = video.left(); x <= video.right(); ++x) {
            colours.insert(image.pixel(x, y));
            if (QColor(image.pixel(x, y)) != QColor(47, 50, 55))
                odd |= QRect(x, y, 1, 1);
        }
    QStringList names{QStringLiteral("%1,%2 %3x%4 in %5,%6 %7x%8")
                          .arg(odd.x())
                          .arg(odd.y())
                          .arg(odd.width())
                          .arg(odd.height())
                          .arg(video.x())
                          .arg(video.y())
                          .arg(video.width())
                          .arg(video.height())};
    for (QRgb colour : colours)
        names << QColor(colour).name();
    QVERIFY2(colours.size() == 1, qPrintable(names.join(QLatin1Char(' '))));
    QCOMPARE(QColor(*colours.begin()), QColor(47, 50, 55));
}

// Drawn as a plain child, the chooser ended up under the native video windows.
void LiveVideoTest::chooserIsAPopUpAboveTheGrid()
{
    GridHome home;
    QVERIFY(QTest::qWaitForWindowExposed(&home.window));
    RequstRunables::RequestPreview(home.grid->GetPlayWindow(0), ChannelOf(devices[0], 0), 0);
    QTRY_VERIFY_WITH_TIMEOUT(home.grid->GetPlayWindow(0)->IsPlaying(), 10000);
    auto* chooser = new SplitScreen(&home.window);
    auto* button = new QLabel(&home.window);
    chooser->PopUpOver(home.grid, button);
    QVERIFY(QTest::qWaitForWindowExposed(chooser));
    QVERIFY(chooser->isWindow());
    QCOMPARE(chooser->windowType(), Qt::Popup);
    QCOMPARE(QApplication::activePopupWidget(), chooser);
    QCOMPARE(chooser->geometry().bottomLeft(), home.grid->mapToGlobal(home.grid->rect().bottomLeft()));
    QVERIFY(button->testAttribute(Qt::WA_NoMouseReplay));
    QTest::keyClick(chooser, Qt::Key_Escape);
    QVERIFY(!chooser->isVisible());
    home.grid->StopAll();
}

void LiveVideoTest::findsOnlyThePaneOfTheChannel()
{
    grid->SetSplitMode(1);
    RequstRunables::RequestPreview(grid->GetPlayWindow(0), ChannelOf(devices[0], 0), 0);
    RequstRunables::RequestPreview(grid->GetPlayWindow(1), ChannelOf(devices[0], 1), 0);
    QTRY_VERIFY_WITH_TIMEOUT(grid->GetPlayWindow(0)->IsPlaying() && grid->GetPlayWindow(1)->IsPlaying(), 10000);
    unsigned short index = 99;
    QCOMPARE(grid->FindPlayWindowByIp(ChannelOf(devices[0], 1).channelIp, &index), grid->GetPlayWindow(1));
    QCOMPARE(int(index), 1);
    // A channel that plays nowhere names no pane (and so stops none).
    QVERIFY(!grid->FindPlayWindowByIp(ChannelOf(devices[1], 3).channelIp));
    QVERIFY(!grid->FindPlayWindowByIp(QString()));
    grid->FindPlayWindowByIp(ChannelOf(devices[0], 1).channelIp)->StopPlay();
    QVERIFY(grid->GetPlayWindow(0)->IsPlaying());
    QTRY_COMPARE_WITH_TIMEOUT(LiveStreams(), 1, 10000);
}

void LiveVideoTest::previewDialogPlaysAndStopsWhenClosedFromOutside()
{
    KvorPlayWindow* pane = grid->GetPlayWindow(0);
    RequstRunables::RequestPreview(pane, ChannelOf(devices[0], 3), 0);
    QTRY_VERIFY_WITH_TIMEOUT(pane->IsPlaying(), 10000);
    QTest::mouseDClick(pane, Qt::LeftButton, {}, QPoint(pane->width() / 2, pane->height() / 2));
    QPointer<PreviewDialog> dialog = pane->findChild<PreviewDialog*>();
    QVERIFY(dialog);
    QTRY_VERIFY_WITH_TIMEOUT(dialog->Pane()->IsPlaying(), 10000);
    QCOMPARE(dialog->Pane()->PlayingChannelIp(), pane->PlayingChannelIp());
    QTRY_COMPARE_WITH_TIMEOUT(Camera(0, 3).liveStreams(), 2, 10000);
    QTest::keyClick(dialog.data(), Qt::Key_Escape);
    QVERIFY(dialog && dialog->isVisible());
    dialog->close(); // as the window manager does
    QTRY_COMPARE_WITH_TIMEOUT(Camera(0, 3).liveStreams(), 1, 10000);
    QVERIFY(pane->IsPlaying());
    QTRY_VERIFY(!dialog); // deleted once closed
    // An idle pane opens no dialog.
    KvorPlayWindow* idle = grid->GetPlayWindow(1);
    QTest::mouseDClick(idle, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!idle->findChild<PreviewDialog*>());
}

void LiveVideoTest::chooserEmitsTheClickedLayout()
{
    QWidget parent;
    parent.resize(400, 400);
    parent.show();
    auto* chooser = new SplitScreen(&parent);
    chooser->show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QStringList texts;
    connect(chooser, &SplitScreen::ShowSplitScreenSig, this, [&](QString& text) {
        QVERIFY(!chooser->isVisible()); // closed before it reports
        texts << text;
    });
    auto* list = chooser->findChild<QListWidget*>();
    QCOMPARE(list->count(), 5);
    QVERIFY(!list->item(3)->icon().isNull());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(3)).center());
    QCOMPARE(texts, QStringList{QStringLiteral("9分屏")});
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::English);
    chooser->reTranslateUI();
    QCOMPARE(list->count(), 5);
    QVERIFY(list->item(4)->text() != QStringLiteral("16分屏"));
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
}

void LiveVideoTest::screenshots()
{
    grid->SetSplitMode(1);
    KvorPlayWindow* pane = grid->GetPlayWindow(0);
    RequstRunables::RequestPreview(pane, ChannelOf(devices[0], 0), 0);
    QTRY_VERIFY_WITH_TIMEOUT(pane->IsPlaying(), 10000);
    QDir().mkpath(QStringLiteral(CORVANE_SCREENSHOT_DIR));
    for (const int language : {LanguageManage::Chinese, LanguageManage::English}) {
        LanguageManage::GetInstance()->SwitchLanguage(language);
        const QString suffix = language == LanguageManage::Chinese ? "zh" : "en";
        QTRY_VERIFY_WITH_TIMEOUT(DistinctColours(pane->grab().toImage()) > 20, 10000);
        QVERIFY(grid->grab().save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/live-grid-%1.png").arg(suffix)));
        PreviewDialog dialog;
        dialog.StartSdkPreview(ChannelOf(devices[0], 1));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.Pane()->IsPlaying(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(DistinctColours(dialog.Pane()->grab().toImage()) > 20, 10000);
        QVERIFY(dialog.grab().save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/preview-dialog-%1.png").arg(suffix)));
        SplitScreen chooser;
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        QVERIFY(chooser.grab().save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/split-chooser-%1.png").arg(suffix)));
        dialog.close();
    }
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
}

int main(int argc, char* argv[])
{
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    LiveVideoTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_live_video.moc"
