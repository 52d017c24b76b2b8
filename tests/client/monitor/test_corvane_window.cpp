// The main window against the device simulator, on an X server: start-up,
// the frame (resize, maximise, drag), navigation, clock, language and
// screenshots.

#include "ClientFolder.h"
#include "SearchDatabaseFill.h"

#include "core/FontSubstitution.h"
#include "data/ImplementInstance.h"
#include "core/IncidentVocabulary.h"
#include "core/LanguageManage.h"
#include "core/SettingsStore.h"
#include "core/SharedRecords.h"
#include "dialogs/ConfigDialog.h"
#include "monitor/ClientStartup.h"
#include "CorvaneParts.h"
#include "monitor/KvorPlayWindow.h"
#include "monitor/KvorSplitWndsCtrl.h"
#include "monitor/RtspDialog.h"
#include "monitor/QWinNativeEventFilter.h"
#include "monitor/SplitScreen.h"
#include "search/SearchFrame.h"

#include "QRangeDateTimeEditWithPopup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableWidget>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <atomic>
#include <memory>

namespace {

bool HasChinese(const QString& text)
{
    return text.contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]")));
}

// The texts the operator reads: labels, buttons and the window title, by object name.
QMap<QString, QString> VisibleTexts(QWidget* window)
{
    QMap<QString, QString> texts{{QStringLiteral("windowTitle"), window->windowTitle()}};
    // Only the window's own widgets: its pop-ups and dialogs are windows of their own.
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->window() == window)
            texts.insert(label->objectName(), label->text());
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->window() == window)
            texts.insert(button->objectName(), button->text());
    texts.remove(QStringLiteral("labelCurrentTime")); // the clock ticks on its own
    return texts;
}

// True when nothing listens on the port: it can be bound on every address.
bool PortIsFree(quint16 port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return free;
}

} // namespace

class CorvaneWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void startsWithStyleDatabaseListenerAndLogins();
    void handsIncidentsOverToTheWindow();
    void failureExitWhenTheFolderIsUnusable();
    void versionTextFromCompileDate_data();
    void versionTextFromCompileDate();
    void clockShowsWeekdayAndTime();
    void navigationShowsSearchPage();
    void partsOffTheFirstScreenAreBuiltWhenOpened();
    void languageSwitchRetranslatesEveryText();
    void resizesFromItsEdges_data();
    void resizesFromItsEdges();
    void maximiseAndRestoreChangeTheMargin();
    void titleBarDragsAndDoubleClickMaximises();
    void mainStreamBringsBackFourPanes_data();
    void mainStreamBringsBackFourPanes();
    void screenshots();
    void searchPageSearchesTheDatabase();
    void closingDuringASearchEndsPromptly();

private:
    void WaitForLogins();
    void ShowSearchPeriod(const QDateTime& begin, const QDateTime& end);
    // Press at a point of the window, move the pointer by `drag` and release
    // there: the release lands on the same screen point as the move, wherever
    // the window has gone meanwhile.
    void DragWithLeftButton(const QPoint& press, const QPoint& drag);

    ClientFolder folder;
    devsim::Simulator simulator;
    std::vector<devsim::DeviceSpec> devices;
    quint16 alarmPort = 0;
    std::unique_ptr<Corvane> window;
};

void CorvaneWindowTest::initTestCase()
{
    folder.PrepareApplication();
    // Saving the settings writes or removes the autostart entry: keep it in the test's folder.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.Path() + QStringLiteral("/xdg-config")));
    qApp->installEventFilter(new QWinNativeEventFilter(qApp));
    alarmPort = testsupport::reservePort();
    devices = SimulatedDevices(2, 1, alarmPort);
    std::string error;
    QVERIFY2(simulator.start(devices, devsim::Simulator::defaultClipPath(), error), error.c_str());
    QVERIFY(folder.StoreDevices(devices));
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
    QCOMPARE(LanguageManage::GetInstance()->CurrentLanguage(), LanguageManage::Chinese);
}

void CorvaneWindowTest::init()
{
    QVERIFY(TSR_Init());
    QVERIFY(ImplementInstance::CreateInstance());
    ImplementInstance::GetInstance()->InitImplementInstance();
    window = std::make_unique<Corvane>(nullptr, alarmPort);
    window->move(40, 40);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // Other tests share the X server: a large window kept on top would cover
    // theirs and stop their painting. Everything here works obscured.
    window->lower();
}

void CorvaneWindowTest::cleanup()
{
    if (window)
        window->close();
    window.reset();
    QVERIFY(!ImplementInstance::GetInstance());
    LanguageManage::GetInstance()->SwitchLanguage(LanguageManage::Chinese);
}

void CorvaneWindowTest::cleanupTestCase()
{
    simulator.stop();
}

void CorvaneWindowTest::WaitForLogins()
{
    QTRY_COMPARE_WITH_TIMEOUT(TreeOf(window)->LoggedInDevices().size(), int(devices.size()), 30000);
    // The pass ends by enabling the refresh button on the GUI thread.
    QTRY_VERIFY_WITH_TIMEOUT(FORM_WIDGET(window, qIconPbtnRefresh)->isEnabled(), 30000);
}

void CorvaneWindowTest::DragWithLeftButton(const QPoint& press, const QPoint& drag)
{
    QWindow* handle = window->windowHandle();
    const QPoint target = handle->mapToGlobal(press + drag);
    QTest::mousePress(handle, Qt::LeftButton, {}, press);
    QTest::mouseMove(handle, press + drag);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFromGlobal(target));
}

void CorvaneWindowTest::startsWithStyleDatabaseListenerAndLogins()
{
    // The style sheet paints the title bar dark.
    const QImage title = FORM_WIDGET(window, frameTitle)->grab().toImage();
    QCOMPARE(QColor(title.pixel(title.width() / 2, 2)), QColor(33, 43, 56));

    QList<stu_DeviceInfo> stored;
    QVERIFY(ImplementInstance::GetInstance()->GetDatabase()->GetAllDeviceInfo(stored));
    QCOMPARE(stored.size(), int(devices.size()));

    // The alarm listener holds its port.
    QVERIFY(!PortIsFree(alarmPort));

    WaitForLogins();
    QCOMPARE(AsObject(window)->findChild<QTimer*>(QStringLiteral("clockTimer"))->parent(), window.get());
    QVERIFY(AsObject(window)->findChild<QTimer*>(QStringLiteral("clockTimer"))->isActive());
}

void CorvaneWindowTest::handsIncidentsOverToTheWindow()
{
    WaitForLogins();
    std::atomic<int> handedOver{0};
    connect(
        window.get(), &Corvane::DealIncidentTableSig, this, [&] { ++handedOver; }, Qt::DirectConnection);
    simulator.devices().at(0)->fireAlarms(devsim::AlarmKind::Incident, 3);
    QTRY_COMPARE_WITH_TIMEOUT(handedOver.load(), 3, 30000);
}

void CorvaneWindowTest::failureExitWhenTheFolderIsUnusable()
{
    // A regular file where the application folder should be.
    QFile blocker(folder.Path() + QStringLiteral("/not-a-folder"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const quint16 port = testsupport::reservePort();

    QProcess client;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CORVANE_APP_DIR"), blocker.fileName() + QStringLiteral("/app"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    client.setProcessEnvironment(environment);
    client.start(QStringLiteral(CORVANE_PROGRAM), {QStringLiteral("--alarm-port"), QString::number(port)});
    QVERIFY(client.waitForFinished(30000));
    QCOMPARE(client.exitStatus(), QProcess::NormalExit);
    QCOMPARE(client.exitCode(), 255); // -1
    QVERIFY(QString::fromUtf8(client.readAllStandardError() + client.readAllStandardOutput())
                .contains(QStringLiteral("创建实例失败")));
    QVERIFY(PortIsFree(port));
}

void CorvaneWindowTest::versionTextFromCompileDate_data()
{
    QTest::addColumn<QString>("compileDate");
    QTest::addColumn<QString>("version");
    QTest::newRow("single-digit day") << "Mar  5 2024"
                                      << "V2.0.0 build20240305";
    QTest::newRow("last month") << "Dec 31 2026"
                                << "V2.0.0 build20261231";
    QTest::newRow("first month") << "Jan 10 2025"
                                 << "V2.0.0 build20250110";
}

void CorvaneWindowTest::versionTextFromCompileDate()
{
    QFETCH(QString, compileDate);
    QFETCH(QString, version);
    QCOMPARE(Corvane::BuildVersionText(compileDate.toLatin1().constData()), version);
    QVERIFY(Corvane::BuildVersionText().startsWith(QStringLiteral("V2.0.0 build20")));
}

void CorvaneWindowTest::clockShowsWeekdayAndTime()
{
    const QRegularExpression format(QStringLiteral("^\\S{1,3} \\d\\d:\\d\\d:\\d\\d$"));
    QLabel* clock = FORM_WIDGET(window, labelCurrentTime);
    QVERIFY2(format.match(clock->text()).hasMatch(), qPrintable(clock->text()));
    const QString first = clock->text();
    QTRY_VERIFY_WITH_TIMEOUT(clock->text() != first, 3000);
    QVERIFY2(format.match(clock->text()).hasMatch(), qPrintable(clock->text()));

    // The day name is in the interface language, whatever the machine's locale says.
    for (const int language : {LanguageManage::English, LanguageManage::Chinese}) {
        LanguageManage::GetInstance()->SwitchLanguage(language);
        const QLocale locale(language == LanguageManage::English ? QLocale::English : QLocale::Chinese);
        const QString day = locale.toString(QDate::currentDate(), QStringLiteral("ddd"));
        QTRY_VERIFY2_WITH_TIMEOUT(clock->text().startsWith(day + QLatin1Char(' ')), qPrintable(clock->text()), 3000);
    }
}

void CorvaneWindowTest::navigationShowsSearchPage()
{
    QSignalSpy conditions(window.get(), &Corvane::InsertConditionSig);
    // The layout chooser, left open on the preview, does not follow to the search page.
    QTest::mouseClick(FORM_WIDGET(window, pictureBtnSplitScreen), Qt::LeftButton);
    QWidget* chooser = window->findChild<SplitScreen*>();
    QVERIFY(chooser && chooser->isVisible());
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(1);
    QVERIFY(!chooser->isVisible());
    QCOMPARE(FORM_WIDGET(window, stackedWidget)->currentIndex(), 1);
    QCOMPARE(conditions.count(), 1);
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(0);
    QCOMPARE(FORM_WIDGET(window, stackedWidget)->currentIndex(), 0);
    QCOMPARE(conditions.count(), 1);
}

void CorvaneWindowTest::partsOffTheFirstScreenAreBuiltWhenOpened()
{
    const auto rtspDialogs = [] {
        int count = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            count += qobject_cast<RtspDialog*>(top) != nullptr;
        return count;
    };
    KvorSplitWndsCtrl* grid = FORM_WIDGET(window, widgetPreview);
    const auto panesMade = [grid] { return grid->findChildren<KvorPlayWindow*>().size(); };
    QVERIFY(!SearchPageOf(window));
    QCOMPARE(panesMade(), int(grid->WindowNums()));
    QCOMPARE(rtspDialogs(), 0);

    // Texts switched before the page and the dialog exist reach them when built.
    QTest::mouseClick(FORM_WIDGET(window, pBnSwitchLanguage), Qt::LeftButton);
    QCOMPARE(LanguageManage::GetInstance()->CurrentLanguage(), LanguageManage::English);
    QSignalSpy conditions(window.get(), &Corvane::InsertConditionSig);
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(1);
    SearchFrame* page = SearchPageOf(window);
    QVERIFY(page);
    QCOMPARE(conditions.count(), 1);
    auto* search = page->findChild<QPushButton*>(QStringLiteral("pBtnIncidentSearch"));
    QVERIFY(search && search->isVisible());
    QVERIFY2(!search->text().isEmpty() && !HasChinese(search->text()), qPrintable(search->text()));
    // The device lists were filled from the database when the page opened.
    auto* devicesBox = page->findChild<QComboBox*>(QStringLiteral("comIncidentDevIp"));
    QVERIFY(devicesBox);
    QCOMPARE(devicesBox->count(), int(devices.size()) + 1);
    QVERIFY2(!HasChinese(devicesBox->itemText(0)), qPrintable(devicesBox->itemText(0)));
    // Opened again, it is the same page.
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(0);
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(1);
    QCOMPARE(SearchPageOf(window), page);
    QCOMPARE(window->findChildren<SearchFrame*>().size(), 1);
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(0);

    auto* pane = grid->GetPlayWindow(0);
    QVERIFY(pane);
    RtspDialog* dialog = pane->GetRtspDialog();
    QCOMPARE(pane->GetRtspDialog(), dialog);
    QCOMPARE(rtspDialogs(), 1);
    auto* play = dialog->findChild<QPushButton*>(QStringLiteral("pBtnPlay"));
    QVERIFY(play);
    QVERIFY2(!HasChinese(play->text()), qPrintable(play->text()));

    // A larger layout makes the panes it shows, and a pane asked for by number is made then.
    SettingsStore* settings = ImplementInstance::GetInstance()->GetConfig();
    QVERIFY(settings->SetValue(QStringLiteral("Param/StreamType"), 1)); // sixteen panes need the sub stream
    window->ShowSplitScreenSLot(Corvane::tr("16分屏"));
    QVERIFY(settings->SetValue(QStringLiteral("Param/StreamType"), 0));
    QCOMPARE(int(grid->WindowNums()), 16);
    QCOMPARE(panesMade(), 16);
    for (unsigned short i = 0; i < 16; ++i)
        QVERIFY(grid->GetPlayWindow(i)->isVisible());
    KvorPlayWindow* last = grid->GetPlayWindow(KvorSplitWndsCtrl::kPaneCount - 1);
    QVERIFY(last && !last->isVisible());
    QCOMPARE(grid->GetPlayWindow(KvorSplitWndsCtrl::kPaneCount - 1), last);
    QCOMPARE(panesMade(), 17);
}

void CorvaneWindowTest::languageSwitchRetranslatesEveryText()
{
    // The search page is built when first opened: open it, so its texts are read too.
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(1);
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(0);
    QVERIFY(SearchPageOf(window));
    const QMap<QString, QString> chinese = VisibleTexts(window.get());
    // A switch made on the search page brings the window back to the preview.
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(1);
    QPushButton* toggle = FORM_WIDGET(window, pBnSwitchLanguage);

    QTest::mouseClick(toggle, Qt::LeftButton);
    QCOMPARE(LanguageManage::GetInstance()->CurrentLanguage(), LanguageManage::English);
    QCOMPARE(FORM_WIDGET(window, stackedWidget)->currentIndex(), 0);
    const QMap<QString, QString> english = VisibleTexts(window.get());
    int translated = 0;
    for (auto it = chinese.cbegin(); it != chinese.cend(); ++it) {
        QVERIFY2(!HasChinese(english.value(it.key())), qPrintable(it.key() + ": " + english.value(it.key())));
        if (HasChinese(it.value())) {
            QVERIFY2(english.value(it.key()) != it.value(), qPrintable(it.key()));
            ++translated;
        }
    }
    QVERIFY(translated >= 9);

    QTest::mouseClick(toggle, Qt::LeftButton);
    QCOMPARE(LanguageManage::GetInstance()->CurrentLanguage(), LanguageManage::Chinese);
    QCOMPARE(VisibleTexts(window.get()), chinese);

    // The live list names the incident types in the language of the moment;
    // its rows come last, as they are no texts of the window's own.
    QCOMPARE(LiveListTypeName(window, LowSpeed), QStringLiteral("低速行驶"));
    QTest::mouseClick(toggle, Qt::LeftButton);
    for (const IncidentTypeEntry& type : IncidentTypes()) {
        const QString name = LiveListTypeName(window, type.code);
        QVERIFY2(!name.isEmpty() && !HasChinese(name), qPrintable(QString::number(type.code) + ": " + name));
    }
    QCOMPARE(LiveListTypeName(window, LowSpeed), QStringLiteral("Low speed"));
    QTest::mouseClick(toggle, Qt::LeftButton);
    QCOMPARE(LiveListTypeName(window, LowSpeed), QStringLiteral("低速行驶"));
}

void CorvaneWindowTest::resizesFromItsEdges_data()
{
    QTest::addColumn<QString>("grip"); // where the press lands, from the window's edges
    QTest::addColumn<QPoint>("drag");
    QTest::addColumn<QRect>("change"); // of x, y, width, height
    QTest::newRow("right band") << "right" << QPoint(60, 0) << QRect(0, 0, 60, 0);
    QTest::newRow("left band") << "left" << QPoint(-40, 0) << QRect(-40, 0, 40, 0);
    QTest::newRow("bottom band") << "bottom" << QPoint(0, 50) << QRect(0, 0, 0, 50);
    QTest::newRow("bottom-right corner") << "bottom-right" << QPoint(30, 20) << QRect(0, 0, 30, 20);
    QTest::newRow("inside the shadow margin") << "margin" << QPoint(60, 0) << QRect(0, 0, 0, 0);
}

void CorvaneWindowTest::resizesFromItsEdges()
{
    QFETCH(QString, grip);
    QFETCH(QPoint, drag);
    QFETCH(QRect, change);
    const QRect before = window->geometry();
    const int w = before.width();
    const int h = before.height();
    const QMap<QString, QPoint> grips{{QStringLiteral("right"), {w - 14, h / 2}},
                                      {QStringLiteral("left"), {13, h / 2}},
                                      {QStringLiteral("bottom"), {w / 2, h - 13}},
                                      {QStringLiteral("bottom-right"), {w - 13, h - 13}},
                                      {QStringLiteral("margin"), {w - 11, h / 2}}};
    const QPoint press = grips.value(grip);
    DragWithLeftButton(press, drag);
    const QRect expected(before.x() + change.x(), before.y() + change.y(), w + change.width(), h + change.height());
    QTRY_COMPARE(window->geometry(), expected);
}

void CorvaneWindowTest::maximiseAndRestoreChangeTheMargin()
{
    QToolButton* maximise = FORM_WIDGET(window, toolButton_max);
    QCOMPARE(window->contentsMargins(), QMargins(12, 12, 12, 12));
    QTest::mouseClick(maximise, Qt::LeftButton);
    QVERIFY(window->isMaximized());
    QCOMPARE(window->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(maximise->property("maximizeProperty").toBool(), true);
    // Resizing has no bands while maximised.
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, QPoint(window->width() - 14, 300));
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, QPoint(window->width() - 14, 300));

    QTest::mouseClick(maximise, Qt::LeftButton);
    QVERIFY(!window->isMaximized());
    QCOMPARE(window->contentsMargins(), QMargins(12, 12, 12, 12));
    QCOMPARE(maximise->property("maximizeProperty").toBool(), false);
}

void CorvaneWindowTest::titleBarDragsAndDoubleClickMaximises()
{
    QFrame* title = FORM_WIDGET(window, frameTitle);
    // A free spot of the title bar, left of the clock.
    const QPoint grip = title->mapTo(window.get(), QPoint(FORM_WIDGET(window, frameTime)->x() - 30, 20));
    const QPoint before = window->pos();
    QWindow* handle = window->windowHandle();
    DragWithLeftButton(grip, QPoint(50, 30));
    QTRY_COMPARE(window->pos(), before + QPoint(50, 30));

    // The right button drags nothing.
    QTest::mousePress(handle, Qt::RightButton, {}, grip);
    QTest::mouseMove(handle, grip + QPoint(40, 40));
    QTest::mouseRelease(handle, Qt::RightButton, {}, grip + QPoint(40, 40));
    QCoreApplication::processEvents();
    QCOMPARE(window->pos(), before + QPoint(50, 30));

    QTest::mouseDClick(handle, Qt::LeftButton, {}, grip);
    QTRY_VERIFY(window->isMaximized());
    QTest::mouseDClick(handle, Qt::LeftButton, {},
                       title->mapTo(window.get(), QPoint(FORM_WIDGET(window, frameTime)->x() - 30, 20)));
    QTRY_VERIFY(!window->isMaximized());
}

void CorvaneWindowTest::mainStreamBringsBackFourPanes_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("Chinese") << int(LanguageManage::Chinese);
    QTest::newRow("English") << int(LanguageManage::English);
}

void CorvaneWindowTest::mainStreamBringsBackFourPanes()
{
    QFETCH(int, language);
    LanguageManage::GetInstance()->SwitchLanguage(language);
    SettingsStore* settings = ImplementInstance::GetInstance()->GetConfig();
    QVERIFY(settings->SetValue(QStringLiteral("Param/StreamType"), 1));
    // Nine panes need the sub stream; the layout is chosen by its shown name.
    window->ShowSplitScreenSLot(Corvane::tr("9分屏"));
    QCOMPARE(int(FORM_WIDGET(window, widgetPreview)->WindowNums()), 9);

    // Saving the main stream in the settings dialog returns to four panes.
    bool saved = false;
    QTimer look;
    connect(&look, &QTimer::timeout, this, [&] {
        auto* dialog = window->findChild<ConfigDialog*>();
        if (!dialog || !dialog->isVisible())
            return;
        look.stop();
        dialog->findChild<QComboBox*>(QStringLiteral("cBbStreamType"))->setCurrentIndex(0);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("pBtnConfigSave")), Qt::LeftButton);
        saved = !dialog->isVisible();
    });
    look.start(20);
    QTest::mouseClick(FORM_WIDGET(window, qIconPtnSet), Qt::LeftButton);
    QVERIFY(saved);
    QCOMPARE(settings->GetValue(QStringLiteral("Param/StreamType"), true).toInt(), 0);
    QCOMPARE(int(FORM_WIDGET(window, widgetPreview)->WindowNums()), 4);
}

void CorvaneWindowTest::screenshots()
{
    WaitForLogins();
    QDir().mkpath(QStringLiteral(CORVANE_SCREENSHOT_DIR));
    for (const int language : {LanguageManage::Chinese, LanguageManage::English}) {
        LanguageManage::GetInstance()->SwitchLanguage(language);
        // The layouts take the new texts' sizes before the picture is taken.
        QCoreApplication::processEvents();
        const QString file = QStringLiteral(CORVANE_SCREENSHOT_DIR "/main-window-%1.png")
                                 .arg(language == LanguageManage::Chinese ? "zh" : "en");
        QVERIFY(window->grab().save(file));
    }
}

void CorvaneWindowTest::ShowSearchPeriod(const QDateTime& begin, const QDateTime& end)
{
    FORM_WIDGET(window, topSliderNavigation)->setCurrentIndex(1);
    SearchFrame* page = SearchPageOf(window);
    page->findChild<QRangeDateTimeEditWithPopup*>(QStringLiteral("qIncidentDateTime"))->setDateTime(begin, end);
}

void CorvaneWindowTest::searchPageSearchesTheDatabase()
{
    const QDateTime start(QDate(2026, 11, 2), QTime(8, 0));
    QVERIFY(SearchDatabaseFill::InsertIncidents(folder.DatabasePath(), 40, QStringLiteral("10.9.0.1"), start));
    ShowSearchPeriod(start, start.addSecs(3600));
    SearchFrame* page = SearchPageOf(window);
    QVERIFY(page->isVisible());
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("pBtnIncidentSearch")), Qt::LeftButton);
    auto* table = page->findChild<QTableWidget*>(QStringLiteral("tableWidgetIncident"));
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 30, 10000);
    QCOMPARE(table->item(0, 3)->text(), QStringLiteral("10.9.0.1"));
    const QWidget* pager = page->findChild<QWidget*>(QStringLiteral("widgetIncidentPage"));
    QCOMPARE(pager->findChild<QLabel*>(QStringLiteral("labelTotalNum"))->text(), QStringLiteral("40"));
}

void CorvaneWindowTest::closingDuringASearchEndsPromptly()
{
    // Enough rows that counting them takes a while.
    const QDateTime start(QDate(2026, 10, 1), QTime(0, 0));
    QVERIFY(SearchDatabaseFill::InsertIncidents(folder.DatabasePath(), 300000, QStringLiteral("10.9.0.2"), start));
    ShowSearchPeriod(start, start.addDays(5));
    SearchFrame* page = SearchPageOf(window);
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("pBtnIncidentSearch")), Qt::LeftButton);
    QVERIFY(page->RunningSearches() > 0);
    QElapsedTimer timer;
    timer.start();
    window->close();
    window.reset();
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!ImplementInstance::GetInstance());
}

QTEST_MAIN(CorvaneWindowTest)
#include "test_corvane_window.moc"
