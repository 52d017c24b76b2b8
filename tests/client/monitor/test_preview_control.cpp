// The main window's preview control against the device simulator's H.264
// cameras: play all in every offered layout, paging through more cameras than
// panes, close all, whole-device play and close with the preview count,
// deleting a device under preview, the continuous-recording switch and the
// tip bubble.

#include "ClientFolder.h"
#include "QueuedSpy.h"

#include "ControlCommands.h"
#include "core/FontSubstitution.h"
#include "data/ImplementInstance.h"
#include "core/LanguageManage.h"
#include "core/SettingsStore.h"
#include "core/SharedRecords.h"
#include "dialogs/MessageInfoDlg.h"
#include "dialogs/OverTip.h"
#include "dialogs/QPromptWidget.h"
#include "monitor/ClientStartup.h"
#include "CorvaneParts.h"
#include "monitor/DeviceTreeRoles.h"
#include "monitor/KvorPlayWindow.h"
#include "monitor/KvorSplitWndsCtrl.h"
#include "monitor/RequstRunables.h"
#include "monitor/TipBox.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <memory>

namespace {

constexpr int kDevices = 2;
constexpr int kCamerasPerDevice = 9;
constexpr int kChannels = kDevices * kCamerasPerDevice;

} // namespace

class PreviewControlTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void playAllFillsThePanesOfTheLayout_data();
    void playAllFillsThePanesOfTheLayout();
    void pagesForwardAndBackThroughMoreChannelsThanPanes();
    void mainStreamRefusesLargeLayoutsAndExpandNeedsPanes();
    void closeAllStopsEveryStream();
    void deviceRowPlaysIntoFreePanesAndCountsThem();
    void closingAChannelStopsOnlyItsPane();
    void failedPreviewIsMarkedAndNotRetried();
    void cameraDroppedWhilePlayingIsReportedAndPlaysOn();
    void windowClosesPromptlyWhileAStartWaitsForACamera();
    void recordingSwitchStartsAndStopsContinuousRecording();
    void tipBoxCountsItsClicksAndHidesItsStrip();
    void rtspStartOverACameraLeavesItsRowIdle();
    void pagingBarShowsWhileCamerasFillMoreThanOnePage();
    // Last but one: deletes a stored device and stores it again.
    void deletingADeviceUnderPreviewStopsItsPanes();

private:
    int Streams();
    KvorSplitWndsCtrl* Grid() const { return FORM_WIDGET(window, widgetPreview); }
    // Channel rows in tree order.
    QList<QStandardItem*> ChannelRows() const;
    QStandardItem* DeviceRow(int i) const { return TreeOf(window)->Model()->item(i); }
    void ChooseLayout(const QString& text);
    // Panes 0 .. n-1 play `channels` in order; every other pane is idle.
    void ExpectPanesPlay(const QStringList& channels);
    QStringList ChannelIps(int first, int count) const;
    QString CurrentPage() const { return FORM_WIDGET(window, labelCurPage)->text(); }
    QString TotalPage() const { return FORM_WIDGET(window, labelTotalPage)->text(); }

    ClientFolder folder;
    devsim::Simulator simulator;
    std::vector<devsim::DeviceSpec> devices;
    quint16 alarmPort = 0;
    std::unique_ptr<Corvane> window;
};

void PreviewControlTest::initTestCase()
{
    folder.PrepareApplication();
    alarmPort = testsupport::reservePort();
    devices = SimulatedDevices(kDevices, kCamerasPerDevice, alarmPort);
    std::string error;
    QVERIFY2(simulator.start(devices, devsim::Simulator::defaultClipPath(), error), error.c_str());
    QVERIFY(folder.StoreDevices(devices));
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
}

void PreviewControlTest::init()
{
    QVERIFY(TSR_Init());
    // Drops are noticed after three missed heartbeats.
    QVERIFY(TSR_SetNetworkTimes(1000, 2000, 500));
    QVERIFY(ImplementInstance::CreateInstance());
    ImplementInstance::GetInstance()->InitImplementInstance();
    // The sub stream, so that every layout may be chosen.
    QVERIFY(ImplementInstance::GetInstance()->GetConfig()->SetValue(QStringLiteral("Param/StreamType"), 1));
    window = std::make_unique<Corvane>(nullptr, alarmPort);
    QueuedSpy<QString> passes(window.get(), &Corvane::DeviceLoginFinishedSig);
    window->resize(1280, 800);
    window->move(20, 20);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTRY_COMPARE_WITH_TIMEOUT(passes.count(), 1, 30000);
    QCoreApplication::processEvents();
    QCOMPARE(ChannelRows().size(), kChannels);
}

void PreviewControlTest::cleanup()
{
    if (window)
        window->close();
    window.reset();
    delete QPromptWidget::Current();
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 0, 10000);
}

void PreviewControlTest::cleanupTestCase()
{
    simulator.stop();
}

int PreviewControlTest::Streams()
{
    const QString answer = QString::fromStdString(devsim::executeControl(simulator, "streams"));
    if (!answer.startsWith(QLatin1String("ok ")))
        return -1;
    return answer.mid(3).toInt();
}

QList<QStandardItem*> PreviewControlTest::ChannelRows() const
{
    QList<QStandardItem*> rows;
    QStandardItemModel* model = TreeOf(window)->Model();
    for (int d = 0; d < model->rowCount(); ++d)
        for (int c = 0; c < model->item(d)->rowCount(); ++c)
            rows << model->item(d)->child(c);
    return rows;
}

QStringList PreviewControlTest::ChannelIps(int first, int count) const
{
    QStringList ips;
    const QList<QStandardItem*> rows = ChannelRows();
    for (int i = first; i < first + count && i < rows.size(); ++i)
        ips << rows[i]->text();
    return ips;
}

void PreviewControlTest::ChooseLayout(const QString& text)
{
    // Through the pop-up, as the operator does.
    QTest::mouseClick(FORM_WIDGET(window, pictureBtnSplitScreen), Qt::LeftButton);
    QListWidget* list = window->findChild<QListWidget*>(QStringLiteral("listWidget"));
    QVERIFY(list && list->isVisible());
    const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items[0]).center());
    QVERIFY(!list->isVisible());
}

void PreviewControlTest::ExpectPanesPlay(const QStringList& channels)
{
    KvorSplitWndsCtrl* grid = Grid();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (int i = 0; i < channels.size(); ++i)
                if (!grid->GetPlayWindow(static_cast<unsigned short>(i))->IsPlaying())
                    return false;
            return true;
        }(),
        20000);
    for (unsigned short i = 0; i < KvorSplitWndsCtrl::kPaneCount; ++i) {
        KvorPlayWindow* pane = grid->GetPlayWindow(i);
        if (i < channels.size()) {
            QCOMPARE(pane->PlayingChannelIp(), channels[i]);
        } else {
            QVERIFY2(!pane->IsPlaying() && !pane->IsStarting(), qPrintable(QString::number(i)));
        }
    }
    // The tree marks exactly the channels that play.
    for (QStandardItem* row : ChannelRows())
        QCOMPARE(row->data(DeviceTreeRoles::PreviewState).toInt(), channels.contains(row->text()) ? 1 : 0);
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), channels.size(), 10000);
    for (const QString& ip : channels)
        QCOMPARE(simulator.find(ip.toStdString())->liveStreams(), 1);
}

void PreviewControlTest::playAllFillsThePanesOfTheLayout_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("panes");
    QTest::newRow("1") << QStringLiteral("1分屏") << 0 << 1;
    QTest::newRow("4") << QStringLiteral("4分屏") << 1 << 4;
    QTest::newRow("6") << QStringLiteral("6分屏") << 2 << 6;
    QTest::newRow("9") << QStringLiteral("9分屏") << 5 << 9;
    QTest::newRow("16") << QStringLiteral("16分屏") << 8 << 16;
}

void PreviewControlTest::playAllFillsThePanesOfTheLayout()
{
    QFETCH(QString, layout);
    QFETCH(int, mode);
    QFETCH(int, panes);
    ChooseLayout(layout);
    QCOMPARE(Grid()->SplitMode(), mode);
    QCOMPARE(int(Grid()->WindowNums()), panes);
    // Selection left on a later pane does not shift what play-all fills.
    Grid()->OnWndClicked(static_cast<unsigned short>(panes));
    FORM_WIDGET(window, qIconPBtnPlayAll)->click();
    ExpectPanesPlay(ChannelIps(0, panes));
    QCOMPARE(CurrentPage(), QStringLiteral("1"));
    QCOMPARE(TotalPage(), QString::number((kChannels + panes - 1) / panes));
    QVERIFY(!FORM_WIDGET(window, picBtnPrePage)->isEnabled());
    QVERIFY(FORM_WIDGET(window, picBtnNextPage)->isEnabled());
    // Video reaches the panes: the last pane of the layout draws more than its idle background.
    KvorPlayWindow* last = Grid()->GetPlayWindow(static_cast<unsigned short>(panes - 1));
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QImage picture = last->grab().toImage();
            QSet<QRgb> colours;
            for (int y = 0; y < picture.height(); y += 3)
                for (int x = 0; x < picture.width(); x += 3)
                    colours.insert(picture.pixel(x, y));
            return colours.size() > 20;
        }(),
        10000);
}

void PreviewControlTest::pagesForwardAndBackThroughMoreChannelsThanPanes()
{
    ChooseLayout(QStringLiteral("4分屏"));
    const int total = (kChannels + 3) / 4; // 5 pages, the last with 2 channels
    FORM_WIDGET(window, qIconPBtnPlayAll)->click();
    ExpectPanesPlay(ChannelIps(0, 4));
    struct Step
    {
        QAbstractButton* button;
        int page;
    };
    const Step steps[] = {{FORM_WIDGET(window, picBtnNextPage), 2},
                          {FORM_WIDGET(window, picBtnNextPage), 3},
                          {FORM_WIDGET(window, picBtnLastPage), total},
                          {FORM_WIDGET(window, picBtnPrePage), total - 1},
                          {FORM_WIDGET(window, picBtnFirstPage), 1}};
    for (const Step& step : steps) {
        step.button->click();
        QCOMPARE(CurrentPage(), QString::number(step.page));
        QCOMPARE(TotalPage(), QString::number(total));
        ExpectPanesPlay(ChannelIps((step.page - 1) * 4, 4));
        QCOMPARE(FORM_WIDGET(window, picBtnNextPage)->isEnabled(), step.page < total);
        QCOMPARE(FORM_WIDGET(window, picBtnLastPage)->isEnabled(), step.page < total);
        QCOMPARE(FORM_WIDGET(window, picBtnFirstPage)->isEnabled(), step.page > 1);
        QCOMPARE(FORM_WIDGET(window, picBtnPrePage)->isEnabled(), step.page > 1);
    }
    // Going past the last page stays on it.
    FORM_WIDGET(window, picBtnLastPage)->click();
    FORM_WIDGET(window, picBtnNextPage)->click();
    QCOMPARE(CurrentPage(), QString::number(total));
    ExpectPanesPlay(ChannelIps((total - 1) * 4, 4));
}

void PreviewControlTest::mainStreamRefusesLargeLayoutsAndExpandNeedsPanes()
{
    QVERIFY(ImplementInstance::GetInstance()->GetConfig()->SetValue(QStringLiteral("Param/StreamType"), 0));
    const QImage fourPanes = FORM_WIDGET(window, pictureBtnSplitScreen)->pixmap(Qt::ReturnByValue).toImage();
    QString message;
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(qobject_cast<MessageInfoDlg*>(QApplication::activeModalWidget()));
        QWidget* box = QApplication::activeModalWidget();
        message = box->findChild<QLabel*>(QStringLiteral("labelText"))->text();
        box->close();
    });
    ChooseLayout(QStringLiteral("9分屏"));
    QCOMPARE(message, QStringLiteral("如需选择9分屏，请在 配置-码流类型 选择【子码流】！"));
    QCOMPARE(Grid()->SplitMode(), 1);
    QCOMPARE(FORM_WIDGET(window, pictureBtnSplitScreen)->pixmap(Qt::ReturnByValue).toImage(), fourPanes);
    // The main stream still offers one pane; the expand button needs more than one.
    ChooseLayout(QStringLiteral("1分屏"));
    QCOMPARE(Grid()->SplitMode(), 0);
    QVERIFY(FORM_WIDGET(window, pictureBtnSplitScreen)->pixmap(Qt::ReturnByValue).toImage() != fourPanes);
    FORM_WIDGET(window, qIconPBtnExpandScreen)->click();
    QVERIFY(!Grid()->IsFullScreenShown());
    QVERIFY(!Grid()->GetPlayWindow(0)->IsPlayFrameFull());
    ChooseLayout(QStringLiteral("4分屏"));
    // Full screen takes the grid out of the window for a while.
    KvorSplitWndsCtrl* grid = Grid();
    FORM_WIDGET(window, qIconPBtnExpandScreen)->click();
    QVERIFY(grid->IsFullScreenShown());
    QVERIFY(grid->window() != window.get());
    QTRY_VERIFY(grid->window()->isFullScreen());
    QTest::keyClick(grid, Qt::Key_Escape);
    QVERIFY(!grid->IsFullScreenShown());
    QCOMPARE(grid->window(), window.get());
    // The split button opens its pop-up and a second press closes it.
    QTest::mouseClick(FORM_WIDGET(window, pictureBtnSplitScreen), Qt::LeftButton);
    QListWidget* list = window->findChild<QListWidget*>(QStringLiteral("listWidget"));
    QVERIFY(list->isVisible());
    QTest::mouseClick(FORM_WIDGET(window, pictureBtnSplitScreen), Qt::LeftButton);
    QVERIFY(!list->isVisible());
}

void PreviewControlTest::closeAllStopsEveryStream()
{
    ChooseLayout(QStringLiteral("16分屏"));
    FORM_WIDGET(window, qIconPBtnPlayAll)->click();
    ExpectPanesPlay(ChannelIps(0, 16));
    FORM_WIDGET(window, qIconPBtnCloseAll)->click();
    for (unsigned short i = 0; i < KvorSplitWndsCtrl::kPaneCount; ++i)
        QVERIFY(!Grid()->GetPlayWindow(i)->IsPlaying());
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 0, 10000);
    for (QStandardItem* row : ChannelRows())
        QCOMPARE(row->data(DeviceTreeRoles::PreviewState).toInt(), 0);
    // Closing right after starting stops the starts under way as well.
    FORM_WIDGET(window, qIconPBtnPlayAll)->click();
    FORM_WIDGET(window, qIconPBtnCloseAll)->click();
    QTRY_COMPARE_WITH_TIMEOUT(RequstRunables::PendingPreviews(), 0, 20000);
    QCoreApplication::processEvents();
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 0, 10000);
    for (unsigned short i = 0; i < KvorSplitWndsCtrl::kPaneCount; ++i)
        QVERIFY(!Grid()->GetPlayWindow(i)->IsPlaying());
}

void PreviewControlTest::deviceRowPlaysIntoFreePanesAndCountsThem()
{
    ChooseLayout(QStringLiteral("4分屏"));
    QStandardItem* device = DeviceRow(0);
    window->PlaySlot(device->index());
    ExpectPanesPlay(ChannelIps(0, 4));
    QCOMPARE(PreviewOf(window)->PreviewCount(), 4);
    QVERIFY(FORM_WIDGET(window, frameTurnPage)->isEnabled());
    // The layout is full: a second play starts nothing.
    window->PlaySlot(device->index());
    QCOMPARE(RequstRunables::PendingPreviews(), 0);
    QCOMPARE(Streams(), 4);
    window->ClosePlaySlot(device->index());
    QCOMPARE(PreviewOf(window)->PreviewCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 0, 10000);
    for (QStandardItem* row : ChannelRows())
        QCOMPARE(row->data(DeviceTreeRoles::PreviewState).toInt(), 0);
}

void PreviewControlTest::closingAChannelStopsOnlyItsPane()
{
    ChooseLayout(QStringLiteral("4分屏"));
    FORM_WIDGET(window, qIconPBtnPlayAll)->click();
    ExpectPanesPlay(ChannelIps(0, 4));
    // A channel that plays nowhere stops nothing (no fallback to the first pane).
    QStandardItem* idle = ChannelRows().at(10);
    window->ClosePlaySlot(idle->index());
    QCOMPARE(Streams(), 4);
    QVERIFY(Grid()->GetPlayWindow(0)->IsPlaying());
    QStandardItem* second = ChannelRows().at(1);
    window->ClosePlaySlot(second->index());
    QVERIFY(!Grid()->GetPlayWindow(1)->IsPlaying());
    QCOMPARE(second->data(DeviceTreeRoles::PreviewState).toInt(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 3, 10000);
    QCOMPARE(simulator.find(second->text().toStdString())->liveStreams(), 0);
    for (unsigned short i : {0, 2, 3})
        QVERIFY(Grid()->GetPlayWindow(i)->IsPlaying());
    // A tree double-click plays into the selected pane.
    Grid()->OnWndClicked(2);
    window->TreeDoubleClickedSlot(idle->index());
    QTRY_VERIFY_WITH_TIMEOUT(Grid()->GetPlayWindow(1)->IsPlaying(), 10000);
    QCOMPARE(Grid()->GetPlayWindow(1)->PlayingChannelIp(), idle->text());
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 4, 10000);
}

void PreviewControlTest::failedPreviewIsMarkedAndNotRetried()
{
    // The camera is logged in, but refuses its stream.
    QStandardItem* row = ChannelRows().at(3);
    QCOMPARE(QString::fromStdString(devsim::executeControl(simulator, "drop " + row->text().toStdString())),
             QStringLiteral("ok"));
    Grid()->OnWndClicked(2);
    window->TreeDoubleClickedSlot(row->index());
    QTRY_COMPARE_WITH_TIMEOUT(row->data(DeviceTreeRoles::PreviewState).toInt(), 2, 20000);
    QCOMPARE(row->icon().pixmap(16).toImage(),
             QIcon(QStringLiteral(":images/preview/previewFailed.png")).pixmap(16).toImage());
    QCOMPARE(row->data(DeviceTreeRoles::PaneIndex).value<quint16>(), quint16(1));
    QVERIFY(!Grid()->GetPlayWindow(1)->IsPlaying());
    QCOMPARE(devsim::executeControl(simulator, "restore " + row->text().toStdString()), std::string("ok"));
    // A failed row is not played again by a double-click until it is closed.
    window->TreeDoubleClickedSlot(row->index());
    QCOMPARE(RequstRunables::PendingPreviews(), 0);
    window->ClosePlaySlot(row->index());
    QCOMPARE(row->data(DeviceTreeRoles::PreviewState).toInt(), 0);
    QCOMPARE(Streams(), 0);
}

void PreviewControlTest::cameraDroppedWhilePlayingIsReportedAndPlaysOn()
{
    QStandardItem* row = ChannelRows().at(5);
    const std::string ip = row->text().toStdString();
    window->TreeDoubleClickedSlot(row->index());
    QTRY_VERIFY_WITH_TIMEOUT(Grid()->GetPlayWindow(0)->IsPlaying(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 1, 10000);
    auto toast = [] {
        QPromptWidget* current = QPromptWidget::Current();
        QLabel* label = current ? current->findChild<QLabel*>(QStringLiteral("labMsg")) : nullptr;
        return label ? label->text() : QString();
    };
    QCOMPARE(devsim::executeControl(simulator, "drop " + ip), std::string("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(toast(), row->text() + QStringLiteral("异常掉线"), 20000);
    QCOMPARE(row->icon().pixmap(16).toImage(),
             QIcon(QStringLiteral(":images/preview/exceptionChannel.png")).pixmap(16).toImage());
    QCOMPARE(devsim::executeControl(simulator, "restore " + ip), std::string("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(toast(), row->text() + QStringLiteral("恢复连接"), 20000);
    QCOMPARE(row->icon().pixmap(16).toImage(),
             QIcon(QStringLiteral(":images/preview/previewChannel.png")).pixmap(16).toImage());
    QCOMPARE(row->data(DeviceTreeRoles::PreviewState).toInt(), 1);
    // The pane plays on: the SDK opens the stream again by itself.
    QVERIFY(Grid()->GetPlayWindow(0)->IsPlaying());
    QTRY_COMPARE_WITH_TIMEOUT(simulator.find(ip)->liveStreams(), 1, 20000);
}

void PreviewControlTest::windowClosesPromptlyWhileAStartWaitsForACamera()
{
    // The camera takes the stream request and never answers; the start would
    // wait ten seconds for it.
    QVERIFY(TSR_SetNetworkTimes(1000, 10000, 500));
    QStandardItem* row = ChannelRows().at(7);
    const std::string ip = row->text().toStdString();
    QCOMPARE(devsim::executeControl(simulator, "stall " + ip + " on"), std::string("ok"));
    window->TreeDoubleClickedSlot(row->index());
    QTRY_VERIFY(RequstRunables::PendingPreviews() == 1 && Grid()->GetPlayWindow(0)->IsStarting());
    QElapsedTimer clock;
    clock.start();
    window->close();
    window.reset();
    const qint64 closing = clock.elapsed();
    QCOMPARE(devsim::executeControl(simulator, "stall " + ip + " off"), std::string("ok"));
    QVERIFY2(closing < 3000, qPrintable(QStringLiteral("%1 ms").arg(closing)));
    QCOMPARE(RequstRunables::PendingPreviews(), 0);
}

void PreviewControlTest::recordingSwitchStartsAndStopsContinuousRecording()
{
    const QList<QStandardItem*> rows = ChannelRows();
    QList<QStandardItem*> ticked{rows[0], rows[kCamerasPerDevice + 1]};
    for (QStandardItem* row : ticked) {
        row->setCheckState(Qt::Checked);
        window->on_treeViewDevice_clicked(row->index());
        window->on_treeViewDevice_clicked(row->index()); // ticked twice, recorded once
    }
    DeviceManager* link = DeviceManager::GetInstance();
    window->OpenIllegalRecordSlot(0);
    window->OpenIllegalRecordSlot(0); // the switch turned on twice records each camera once
    QTRY_COMPARE_WITH_TIMEOUT(link->RecordingHandles().size(), 2, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 2, 10000);
    for (QStandardItem* row : ticked)
        QCOMPARE(simulator.find(row->text().toStdString())->liveStreams(), 1);
    // Recordings are not previews: the panes stay idle and play-all still works beside them.
    QVERIFY(!Grid()->GetPlayWindow(0)->IsPlaying());
    window->OpenIllegalRecordSlot(1);
    QVERIFY(link->RecordingHandles().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 0, 10000);
    // Switched on and off at once: the stop waits for the starts under way.
    window->OpenIllegalRecordSlot(0);
    window->OpenIllegalRecordSlot(1);
    QVERIFY(link->RecordingHandles().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 0, 10000);
}

void PreviewControlTest::tipBoxCountsItsClicksAndHidesItsStrip()
{
    QVERIFY(!PreviewOf(window)->Tip());
    QDir().mkpath(QStringLiteral(CORVANE_SCREENSHOT_DIR));
    int round = 0;
    for (const int language : {LanguageManage::Chinese, LanguageManage::English}) {
        LanguageManage::GetInstance()->SwitchLanguage(language);
        const bool chinese = language == LanguageManage::Chinese;
        PreviewOf(window)->ShowTipBox(chinese ? QStringLiteral("通道已全部预览") : QStringLiteral("All cameras play"),
                                      chinese ? QStringLiteral("知道了") : QStringLiteral("Got it"), QPoint(300, 300));
        TipBox* tip = PreviewOf(window)->Tip();
        QVERIFY(tip && tip->isVisible());
        QCOMPARE(tip->size(), QSize(168, 78));
        QCOMPARE(tip->pos(), QPoint(300, 300));
        QVERIFY(tip->grab().save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/tip-box-%1.png").arg(chinese ? "zh" : "en")));
        QSignalSpy times(tip, &TipBox::TimesSig);
        QPushButton* button = tip->findChild<QPushButton*>();
        QCOMPARE(button->text(), chinese ? QStringLiteral("知道了") : QStringLiteral("Got it"));
        QWidget* strip = window->findChild<OverTip*>();
        QVERIFY(strip && strip->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(times.count(), 1);
        QCOMPARE(times.at(0).at(0).toInt(), ++round);
        QVERIFY(!tip->isVisible());
        QVERIFY(!strip->isVisible());
    }
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
}

void PreviewControlTest::rtspStartOverACameraLeavesItsRowIdle()
{
    QStandardItem* camera = ChannelRows().at(0);
    window->TreeDoubleClickedSlot(camera->index());
    auto paneOf = [&] { return Grid()->FindPlayWindowByIp(camera->text()); };
    QTRY_VERIFY_WITH_TIMEOUT(paneOf() && paneOf()->IsPlaying(), 20000);
    KvorPlayWindow* pane = paneOf();
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 1, 10000);

    // The pane's RTSP dialog starts a stream (that nobody serves): the camera makes way.
    const quint16 port = testsupport::reservePort();
    pane->StartRtspPlaySlot(QStringLiteral("rtsp://127.0.0.1:%1/live").arg(port), QStringLiteral("admin"),
                            QStringLiteral("none"));
    QVERIFY(!pane->IsPlaying());
    QCOMPARE(camera->data(DeviceTreeRoles::PreviewState).toInt(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!pane->IsRtspStarting(), 20000);

    // Played again from the tree, the camera has one stream.
    window->TreeDoubleClickedSlot(camera->index());
    QTRY_VERIFY_WITH_TIMEOUT(paneOf() && paneOf()->IsPlaying(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 1, 10000);
    QCOMPARE(camera->data(DeviceTreeRoles::PreviewState).toInt(), 1);
    QCOMPARE(simulator.find(camera->text().toStdString())->liveStreams(), 1);
}

void PreviewControlTest::pagingBarShowsWhileCamerasFillMoreThanOnePage()
{
    QWidget* bar = FORM_WIDGET(window, frameTurnPage);
    // Shown from the start; its buttons wait for play-all.
    QVERIFY(bar->isVisible());
    QVERIFY(!bar->isEnabled());
    for (const char* layout : {"1分屏", "4分屏", "6分屏", "9分屏", "16分屏"}) {
        ChooseLayout(QString::fromUtf8(layout));
        QVERIFY2(bar->isVisible(), layout);
    }

    // With one device left, its nine cameras fit some layouts on one page.
    struct StoredAgain
    {
        ~StoredAgain() { folder.StoreDevices({device}); }
        ClientFolder& folder;
        devsim::DeviceSpec device;
    } storedAgain{folder, devices[1]};
    FORM_WIDGET(window, treeViewDevice)->setCurrentIndex(DeviceRow(1)->index());
    FORM_WIDGET(window, qIconPBtnDelDevice)->click();
    QCOMPARE(ChannelRows().size(), kCamerasPerDevice);
    struct Case
    {
        const char* layout;
        bool shown;
        int total;
    };
    const Case cases[] = {{"16分屏", false, 1}, {"9分屏", false, 1}, {"4分屏", true, 3}, {"6分屏", true, 2}};
    for (const Case& c : cases) {
        ChooseLayout(QString::fromUtf8(c.layout));
        QCOMPARE(bar->isVisible(), c.shown);
        if (c.shown)
            QCOMPARE(TotalPage(), QString::number(c.total));
    }

    // Six panes: the second page plays the last three cameras.
    FORM_WIDGET(window, qIconPBtnPlayAll)->click();
    QVERIFY(bar->isEnabled());
    ExpectPanesPlay(ChannelIps(0, 6));
    FORM_WIDGET(window, picBtnNextPage)->click();
    QCOMPARE(CurrentPage(), QStringLiteral("2"));
    QVERIFY(bar->isVisible());
    ExpectPanesPlay(ChannelIps(6, 3));
    QVERIFY(!FORM_WIDGET(window, picBtnNextPage)->isEnabled());
    QVERIFY(FORM_WIDGET(window, picBtnPrePage)->isEnabled());

    QVERIFY(QDir().mkpath(QStringLiteral(CORVANE_SCREENSHOT_DIR)));
    for (const auto language : {LanguageManage::English, LanguageManage::Chinese}) {
        LanguageManage::GetInstance()->SwitchLanguage(language);
        QCoreApplication::processEvents();
        const char* name = language == LanguageManage::Chinese ? "zh" : "en";
        QVERIFY(window->grab().save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/paging-bar-page-2-%1.png").arg(name)));
    }
}

void PreviewControlTest::deletingADeviceUnderPreviewStopsItsPanes()
{
    ChooseLayout(QStringLiteral("16分屏"));
    QStandardItem* deleted = DeviceRow(1);
    window->PlaySlot(deleted->index());
    QStringList playing;
    for (int c = 0; c < deleted->rowCount(); ++c)
        playing << deleted->child(c)->text();
    // One camera of the other device plays beside them, in the next pane.
    QStandardItem* kept = DeviceRow(0)->child(0);
    window->TreeDoubleClickedSlot(kept->index());
    ExpectPanesPlay(playing + QStringList{kept->text()});
    QCOMPARE(PreviewOf(window)->PreviewCount(), kCamerasPerDevice);

    QTreeView* tree = FORM_WIDGET(window, treeViewDevice);
    tree->setCurrentIndex(deleted->index());
    FORM_WIDGET(window, qIconPBtnDelDevice)->click();
    QCOMPARE(TreeOf(window)->Model()->rowCount(), 1);
    QCOMPARE(PreviewOf(window)->PreviewCount(), 0);
    for (int i = 0; i < kCamerasPerDevice; ++i)
        QVERIFY(!Grid()->GetPlayWindow(static_cast<unsigned short>(i))->IsPlaying());
    QVERIFY(Grid()->GetPlayWindow(kCamerasPerDevice)->IsPlaying());
    QTRY_COMPARE_WITH_TIMEOUT(Streams(), 1, 10000);
    QCOMPARE(simulator.find(kept->text().toStdString())->liveStreams(), 1);
}

int main(int argc, char* argv[])
{
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    PreviewControlTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_preview_control.moc"
