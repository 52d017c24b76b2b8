// The search page on a real Corvane.db: conditions built from the widgets, the
// result tables and paging, the latest search winning, the toasts and the
// placeholder, closing during a search, and screenshots in both languages.
#include "PageTestSupport.h"
#include "LogLines.h"
#include "../data/RecordBuilders.h"
#include "SearchDatabaseFill.h"

#include "search/SearchFrame.h"
#include "search/SearchPageManage.h"

#include "data/ImplementInstance.h"
#include "core/IncidentVocabulary.h"
#include "core/Logging.h"
#include "dialogs/BusyWaitDialog.h"
#include "dialogs/DefaultNoDataPic.h"

#include "QRangeDateTimeEditWithPopup.h"
#include "QSimpleSliderNavigation.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(QList<quint32>)

using namespace PageTestSupport;

namespace {

const QString kDay = QStringLiteral("20261201");

QDateTime At(const QString& compact)
{
    return QDateTime::fromString(compact, QStringLiteral("yyyyMMddHHmmss"));
}

} // namespace

class TestSearchFrame : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<SearchFrame> page;

    DatabaseOperation* Database() { return ImplementInstance::GetInstance()->GetDatabase(); }
    QString DatabasePath() const { return folder->filePath(QStringLiteral("Corvane.db")); }

    template <class T>
    T* Child(const char* name) const
    {
        T* child = page->findChild<T*>(QLatin1String(name));
        if (!child)
            qFatal("no child %s", name);
        return child;
    }
    QTableWidget* Table(const char* name) const { return Child<QTableWidget>(name); }
    QString Cell(const char* table, int row, int column) const
    {
        const QTableWidgetItem* item = Table(table)->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    QString PagerText(const char* pager, const char* label) const
    {
        return Child<SearchPageManage>(pager)->findChild<QLabel*>(QLatin1String(label))->text();
    }
    void ClickPager(const char* pager, const char* button)
    {
        QTest::mouseClick(Child<SearchPageManage>(pager)->findChild<QPushButton*>(QLatin1String(button)),
                          Qt::LeftButton);
    }
    bool Busy() const
    {
        const QWidget* busy = page->findChild<QWidget*>(QStringLiteral("BusyWaitDialog"));
        return busy && busy->isVisible();
    }
    void SetPeriod(const char* editor, const QString& begin, const QString& end)
    {
        Child<QRangeDateTimeEditWithPopup>(editor)->setDateTime(At(begin), At(end));
    }
    void SetMorning()
    {
        for (const char* editor : {"qIncidentDateTime", "qViolateDateTime", "qTrafficParamDateTime"})
            SetPeriod(editor, kDay + "080000", kDay + "095959");
    }
    void ShowTab(int index) { Child<QSimpleSliderNavigation>("qSimpleSliderNavigation")->setCurrentIndex(index); }

    void InsertKnownRows()
    {
        const QList<TrafficIncident> incidents = {
            MakeIncident(kDay + "080000", Congestion, "10.0.0.1", "10.0.0.11", 1, 0, "start-second"),
            MakeIncident(kDay + "085959", Fire, "10.0.0.1", "10.0.0.11", 1, 2, "fire"),
            MakeIncident(kDay + "090000", LowSpeed, "10.0.0.2", "10.0.0.21", 1, 2, "low-speed"),
            MakeIncident(kDay + "100000", Congestion, "10.0.0.1", "10.0.0.11", 1, 1, "after"),
        };
        for (const TrafficIncident& incident : incidents)
            QVERIFY(Database()->InsertIncidentInfo(incident));
        const std::pair<QString, quint32> plates[] = {{"A1%B", 1039}, {"A1_B", 12301}, {"无车牌", 13451}, {"", 1301}};
        int minute = 0;
        for (const auto& [plate, type] : plates) {
            // A record without a plate has no picture either.
            const QString time = kDay + QStringLiteral("08%1").arg(minute++, 2, 10, QLatin1Char('0')) + "00";
            QVERIFY(Database()->InsertForensicsInfo(MakeViolation(time, type, "10.0.0.1", 1, plate)));
        }
        for (int i = 0; i < 3; ++i) {
            TrafficParam param = MakeParam(kDay + QStringLiteral("08%1").arg(i * 5, 2, 10, QLatin1Char('0')) + "00",
                                           "10.0.0.2", i + 1, 10 + i);
            param.endTime = kDay + QStringLiteral("08%1").arg(i * 5 + 5, 2, 10, QLatin1Char('0')) + "00";
            param.timeRation = 0.25f * (i + 1);
            param.spaceRation = 12.5f;
            param.trafficState = i + 1;
            QVERIFY(Database()->InsertTrafficParamInfo(param));
        }
        stu_DeviceInfo device;
        device.deviceName = QStringLiteral("north");
        device.deviceIp = QStringLiteral("10.0.0.1");
        device.devicePort = 8000;
        QVERIFY(Database()->AddDeviceInfo(device));
        device.deviceIp = QStringLiteral("10.0.0.2");
        QVERIFY(Database()->AddDeviceInfo(device));
    }

    void InsertIncidents(int count, const QString& deviceIp)
    {
        QVERIFY(SearchDatabaseFill::InsertIncidents(DatabasePath(), count, deviceIp, At(kDay + "080000")));
    }

    // Clicks the tab's search button and waits until the search has ended.
    void Search(const char* button)
    {
        QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!Busy(), 10000);
    }

private slots:
    void initTestCase()
    {
        RegisterSharedRecordTypes();
        QVERIFY(ImplementInstance::CreateInstance());
        // The application style sheet, as the program applies it at start-up.
        QVERIFY(ApplyStyleSheet());
    }

    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(Database()->ConnectDatabase(DatabasePath()));
        InsertKnownRows();
        page = std::make_unique<SearchFrame>();
        page->resize(1351, 869);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        page->InsertConditionSlot();
        SetMorning();
    }

    void cleanup()
    {
        page.reset();
        CloseToasts();
        Database()->CloseDatabase();
        folder.reset();
    }

    void cleanupTestCase() { ImplementInstance::DestroyInstance(); }

    void defaultConditionOfEachTab()
    {
        const std::optional<stu_SearchCondition> incident = page->ConditionOf(SEARCH_INCIDENT);
        QVERIFY(incident);
        QCOMPARE(incident->startTime, std::string("20261201080000000"));
        QCOMPARE(incident->endTime, std::string("20261201095959000"));
        QVERIFY(incident->deviceIp.empty());
        QVERIFY(incident->channelIp.empty());
        QCOMPARE(incident->channelNo, 0);
        QCOMPARE(incident->laneNo, -1);
        // Every box ticked: no type condition, so the time index serves the search.
        QVERIFY(incident->types.isEmpty());
        const std::optional<stu_SearchCondition> violation = page->ConditionOf(SEARCH_FORENSICS);
        QVERIFY(violation);
        QVERIFY(violation->types.isEmpty());
    }

    void oneBoxUntickedNamesTheOthers()
    {
        for (QCheckBox* box : Child<QWidget>("frameIncidentType")->findChildren<QCheckBox*>())
            box->setChecked(box->text() != QStringLiteral("火灾"));
        // The other 16 codes, in the order of the boxes under the type frame.
        const QList<quint32> expected = {Congestion,    TurnRound,       VehicleViolation,   Accident,
                                         IllegallyPark, QueueJumping,    ChangeLane,         Smog,
                                         Construction,  WrongWayDriving, Visibility,         RoadBlock,
                                         Pedestrian,    LinePressing,    ObjectsDroppedDown, LowSpeed};
        QCOMPARE(page->ConditionOf(SEARCH_INCIDENT)->types, expected);
        for (QCheckBox* box : Child<QWidget>("qframeViolationType")->findChildren<QCheckBox*>())
            box->setChecked(box->text() != QStringLiteral("违停"));
        QCOMPARE(page->ConditionOf(SEARCH_FORENSICS)->types,
                 (QList<quint32>{1301, 12301, 13451, 12303, 13453, 1018, 1044}));
    }

    void conditionFromWidgets_data()
    {
        QTest::addColumn<QString>("lane");
        QTest::addColumn<QStringList>("checked"); // forensics boxes left checked; empty: all unchecked
        QTest::addColumn<int>("laneNo");
        QTest::addColumn<QList<quint32>>("types");
        QTest::newRow("lane 007 is lane 7") << "007" << QStringList{"违停"} << 7 << QList<quint32>{1039};
        QTest::newRow("line pressing is two codes") << "" << QStringList{"压线"} << -1 << QList<quint32>{12301, 13451};
        QTest::newRow("lane change is two codes") << "0" << QStringList{"变道"} << 0 << QList<quint32>{12303, 13453};
        QTest::newRow("no box checked: any type") << "12" << QStringList{} << 12 << QList<quint32>{};
    }

    void conditionFromWidgets()
    {
        QFETCH(QString, lane);
        QFETCH(QStringList, checked);
        QFETCH(int, laneNo);
        QFETCH(QList<quint32>, types);
        Child<QLineEdit>("lineEditViolationLaneNo")->setText(lane);
        for (QCheckBox* box : Child<QWidget>("qframeViolationType")->findChildren<QCheckBox*>())
            box->setChecked(checked.contains(box->text()));
        Child<QComboBox>("comViolationDevIp")->setCurrentIndex(2);
        Child<QComboBox>("combTfsChanNo")->setCurrentIndex(3);
        Child<QLineEdit>("lineEditPlateNo")->setText(QStringLiteral("A1"));
        const std::optional<stu_SearchCondition> condition = page->ConditionOf(SEARCH_FORENSICS);
        QVERIFY(condition);
        QCOMPARE(condition->laneNo, laneNo);
        QCOMPARE(condition->types, types);
        QCOMPARE(condition->deviceIp, std::string("10.0.0.2"));
        QCOMPARE(condition->channelNo, 3);
        QCOMPARE(condition->plateNo, std::string("A1"));
    }

    void laneFieldTakesOnlyALaneNumber()
    {
        QLineEdit* lane = Child<QLineEdit>("lineEditIncidentLaneNo");
        lane->setFocus();
        QTest::keyClicks(lane, QStringLiteral("1a2-34"));
        QCOMPARE(lane->text(), QStringLiteral("123"));
    }

    void aLaneThatDoesNotParseIsRefused()
    {
        Search("pBtnIncidentSearch"); // something to keep
        QCOMPARE(Table("tableWidgetIncident")->rowCount(), 3);
        // Pasted or set past the validator: more digits than an int holds.
        Child<QLineEdit>("lineEditIncidentLaneNo")->setText(QStringLiteral("99999999999"));
        QTest::mouseClick(Child<QPushButton>("pBtnIncidentSearch"), Qt::LeftButton);
        QCOMPARE(ToastText(), QStringLiteral("车道号只能是1到3位数字，请重新输入"));
        // No search started: it would have emptied the table and shown the busy indicator.
        QVERIFY(!Busy());
        QCOMPARE(page->RunningSearches(), 0);
        QCOMPARE(Table("tableWidgetIncident")->rowCount(), 3);
        QCOMPARE(PagerText("widgetIncidentPage", "labelTotalNum"), QStringLiteral("3"));
    }

    void eachTabShowsItsRows()
    {
        Search("pBtnIncidentSearch");
        QTableWidget* incidents = Table("tableWidgetIncident");
        QCOMPARE(incidents->rowCount(), 3);
        QCOMPARE(Cell("tableWidgetIncident", 0, 0), QStringLiteral("1"));
        QCOMPARE(Cell("tableWidgetIncident", 0, 1), QStringLiteral("2026_12_01 08:00:00"));
        QCOMPARE(Cell("tableWidgetIncident", 0, 2), QStringLiteral("拥堵"));
        QCOMPARE(Cell("tableWidgetIncident", 2, 3), QStringLiteral("10.0.0.2"));
        QCOMPARE(Cell("tableWidgetIncident", 1, 5), QStringLiteral("2"));
        QCOMPARE(incidents->item(0, 0)->data(Qt::UserRole).toString(), QStringLiteral("start-second"));
        QCOMPARE(incidents->currentRow(), 0);
        QCOMPARE(PagerText("widgetIncidentPage", "labelTotalNum"), QStringLiteral("3"));
        QCOMPARE(PagerText("widgetIncidentPage", "labelTotalPage"), QStringLiteral("1"));

        ShowTab(1);
        Search("pBtnViolationSearch");
        QCOMPARE(Table("tableWidgetViolation")->rowCount(), 4);
        QCOMPARE(Cell("tableWidgetViolation", 0, 2), QStringLiteral("违停"));
        QCOMPARE(Cell("tableWidgetViolation", 1, 2), QStringLiteral("压线"));
        QCOMPARE(Cell("tableWidgetViolation", 2, 6), QStringLiteral("无车牌"));
        QCOMPARE(Cell("tableWidgetViolation", 3, 6), QString());
        QCOMPARE(Cell("tableWidgetViolation", 0, 7), QStringLiteral("是"));
        QCOMPARE(Cell("tableWidgetViolation", 3, 7), QStringLiteral("否"));

        ShowTab(2);
        Search("pBtnTrafficParamSearch");
        QTableWidget* params = Table("tableWidgetTrafficParam");
        QCOMPARE(params->rowCount(), 3);
        QCOMPARE(params->columnCount(), 17);
        QCOMPARE(params->item(0, 0)->checkState(), Qt::Unchecked);
        QCOMPARE(params->item(1, 0)->data(Qt::UserRole).toInt(), 2);
        QCOMPARE(Cell("tableWidgetTrafficParam", 0, 3), QStringLiteral("2026_12_01 08:05:00"));
        QCOMPARE(Cell("tableWidgetTrafficParam", 1, 14), QStringLiteral("0.5"));
        QCOMPARE(Cell("tableWidgetTrafficParam", 1, 15), QStringLiteral("12.5"));
        QCOMPARE(Cell("tableWidgetTrafficParam", 2, 16), QStringLiteral("堵塞"));
        QCOMPARE(page->TrafficParamResults().size(), 3);
    }

    void plateWithPercentAndUnderscore_data()
    {
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<QString>("plate");
        QTest::newRow("percent") << "1%"
                                 << "A1%B";
        QTest::newRow("underscore") << "1_"
                                    << "A1_B";
    }

    void plateWithPercentAndUnderscore()
    {
        QFETCH(QString, fragment);
        QFETCH(QString, plate);
        ShowTab(1);
        Child<QLineEdit>("lineEditPlateNo")->setText(fragment); // past the validator, as pasted text would not be
        Search("pBtnViolationSearch");
        QCOMPARE(Table("tableWidgetViolation")->rowCount(), 1);
        QCOMPARE(Cell("tableWidgetViolation", 0, 6), plate);
    }

    void laneAndDeviceSelectRows()
    {
        Child<QLineEdit>("lineEditIncidentLaneNo")->setText(QStringLiteral("2"));
        Child<QComboBox>("comIncidentDevIp")->setCurrentText(QStringLiteral("10.0.0.1"));
        Search("pBtnIncidentSearch");
        QCOMPARE(Table("tableWidgetIncident")->rowCount(), 1);
        QCOMPARE(Table("tableWidgetIncident")->item(0, 0)->data(Qt::UserRole).toString(), QStringLiteral("fire"));
    }

    void pagingThroughRows()
    {
        InsertIncidents(95, QStringLiteral("10.0.0.9"));
        Child<QComboBox>("comIncidentDevIp")->addItem(QStringLiteral("10.0.0.9"));
        Child<QComboBox>("comIncidentDevIp")->setCurrentText(QStringLiteral("10.0.0.9"));
        LogLines counts("DatabaseOperation");
        Search("pBtnIncidentSearch");
        QCOMPARE(PagerText("widgetIncidentPage", "labelTotalNum"), QStringLiteral("95"));
        QCOMPARE(PagerText("widgetIncidentPage", "labelTotalPage"), QStringLiteral("4"));
        QCOMPARE(Cell("tableWidgetIncident", 0, 0), QStringLiteral("1"));
        QCOMPARE(Cell("tableWidgetIncident", 29, 0), QStringLiteral("30"));

        // Steps go on with the search's condition, whatever the fields hold now.
        Child<QComboBox>("comIncidentDevIp")->setCurrentIndex(0);
        const struct
        {
            const char* button;
            QString firstRow;
            int rows;
            QString page;
        } steps[] = {{"pBtnNextPage", "31", 30, "2"},
                     {"pBtnLastPage", "91", 5, "4"},
                     {"pBtnPrePage", "61", 30, "3"},
                     {"pBtnFirstPage", "1", 30, "1"}};
        for (const auto& step : steps) {
            ClickPager("widgetIncidentPage", step.button);
            QTRY_COMPARE_WITH_TIMEOUT(Cell("tableWidgetIncident", 0, 0), step.firstRow, 10000);
            QCOMPARE(Table("tableWidgetIncident")->rowCount(), step.rows);
            QCOMPARE(Cell("tableWidgetIncident", step.rows - 1, 0),
                     QString::number(step.firstRow.toInt() + step.rows - 1));
            QCOMPARE(Cell("tableWidgetIncident", 0, 3), QStringLiteral("10.0.0.9"));
            QCOMPARE(PagerText("widgetIncidentPage", "labelCurrentPage"), step.page);
            QCOMPARE(PagerText("widgetIncidentPage", "labelTotalNum"), QStringLiteral("95"));
        }
        QTRY_VERIFY(!Busy());
        // The rows were counted once, for the search, not again for each step.
        QCOMPARE(counts.Count("获取总数成功"), 1);
    }

    void aNewSearchAfterPagingCountsTheRowsStoredSince()
    {
        InsertIncidents(45, QStringLiteral("10.0.0.9"));
        Search("pBtnIncidentSearch");
        QCOMPARE(PagerText("widgetIncidentPage", "labelTotalNum"), QStringLiteral("48"));
        ClickPager("widgetIncidentPage", "pBtnNextPage");
        QTRY_COMPARE_WITH_TIMEOUT(Cell("tableWidgetIncident", 0, 0), QStringLiteral("31"), 10000);
        // Paging another tab too: its bound is of another table's rows.
        ShowTab(1);
        Search("pBtnViolationSearch");
        ClickPager("widgetViolationPage", "pBtnNextPage");
        QTRY_VERIFY_WITH_TIMEOUT(!Busy(), 10000);
        InsertIncidents(20, QStringLiteral("10.0.0.8"));
        ShowTab(0);
        Search("pBtnIncidentSearch");
        QCOMPARE(PagerText("widgetIncidentPage", "labelTotalNum"), QStringLiteral("68"));
        QCOMPARE(PagerText("widgetIncidentPage", "labelTotalPage"), QStringLiteral("3"));
        ClickPager("widgetIncidentPage", "pBtnLastPage");
        QTRY_COMPARE_WITH_TIMEOUT(Cell("tableWidgetIncident", 0, 0), QStringLiteral("61"), 10000);
        QCOMPARE(Table("tableWidgetIncident")->rowCount(), 8);
    }

    void theLatestOfTwoQuickSearchesIsShown()
    {
        InsertIncidents(3000, QStringLiteral("10.0.0.9"));
        QSignalSpy finished(page.get(), &SearchFrame::SearchIncidentFinished);
        // The first search is the larger; both are started before either can hand back.
        QTest::mouseClick(Child<QPushButton>("pBtnIncidentSearch"), Qt::LeftButton);
        Child<QComboBox>("comIncidentDevIp")->setCurrentText(QStringLiteral("10.0.0.2"));
        QTest::mouseClick(Child<QPushButton>("pBtnIncidentSearch"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!Busy(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(page->RunningSearches(), 0, 10000);
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(Table("tableWidgetIncident")->rowCount(), 1);
        QCOMPARE(Cell("tableWidgetIncident", 0, 3), QStringLiteral("10.0.0.2"));
        QCOMPARE(PagerText("widgetIncidentPage", "labelTotalNum"), QStringLiteral("1"));
    }

    void anEmptyResultShowsTheToastAndThePlaceholder()
    {
        SetPeriod("qIncidentDateTime", kDay + "120000", kDay + "130000");
        QSignalSpy totals(page.get(), &SearchFrame::SetIncidentTotalNumSig);
        Search("pBtnIncidentSearch");
        QCOMPARE(ToastText(), QStringLiteral("在查询条件内，无数据！"));
        QCOMPARE(Table("tableWidgetIncident")->rowCount(), 0);
        QCOMPARE(totals.count(), 0);
        QCOMPARE(PagerText("widgetIncidentPage", "labelTotalNum"), QStringLiteral("0"));
        QCOMPARE(PagerText("widgetIncidentPage", "labelTotalPage"), QStringLiteral("1"));
        const DefaultNoDataPic* placeholder = page->findChild<DefaultNoDataPic*>();
        QVERIFY(placeholder && placeholder->isVisible());
        // Centred over the table.
        const QTableWidget* table = Table("tableWidgetIncident");
        const QPoint tableCentre = table->mapTo(page.get(), table->rect().center());
        QVERIFY((placeholder->geometry().center() - tableCentre).manhattanLength() <= 2);

        SetMorning();
        Search("pBtnIncidentSearch");
        QVERIFY(!placeholder->isVisible());
    }

    void aStartAfterTheEndSearchesAndFindsNothing()
    {
        SetPeriod("qIncidentDateTime", kDay + "100000", kDay + "080000");
        Search("pBtnIncidentSearch");
        QCOMPARE(ToastText(), QStringLiteral("在查询条件内，无数据！"));
    }

    void aDatabaseMadeUnreadableFailsTheCount()
    {
        LogLines errors("Corvane");
        Database()->CloseDatabase();
        QFile file(DatabasePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray(8192, '\x5a'));
        file.close();
        QVERIFY(!Database()->ConnectDatabase(DatabasePath()));
        Search("pBtnIncidentSearch");
        QCOMPARE(ToastText(), QStringLiteral("Search failed!"));
        QCOMPARE(Table("tableWidgetIncident")->rowCount(), 0);
        QVERIFY(errors.Contains("SearchFrame::SearchThreadFun, get totalNum failed"));
    }

    void theBusyIndicatorAnimatesOnlyWhileShown()
    {
        const BusyWaitDialog* busy = page->findChild<BusyWaitDialog*>();
        QVERIFY(busy);
        QVERIFY(!busy->isVisible());
        QVERIFY(!busy->IsAnimating());
        InsertIncidents(20000, QStringLiteral("10.0.0.9"));
        QTest::mouseClick(Child<QPushButton>("pBtnIncidentSearch"), Qt::LeftButton);
        QVERIFY(busy->isVisible());
        QVERIFY(busy->IsAnimating());
        QTRY_VERIFY_WITH_TIMEOUT(!busy->isVisible(), 10000);
        QVERIFY(!busy->IsAnimating());
    }

    void closingDuringASearchReturnsPromptly()
    {
        // Enough rows that the count of a search over every type takes a while.
        InsertIncidents(300000, QStringLiteral("10.0.0.9"));
        SetPeriod("qIncidentDateTime", kDay + "000000", kDay + "235959");
        QSignalSpy finished(page.get(), &SearchFrame::SearchIncidentFinished);
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(Child<QPushButton>("pBtnIncidentSearch"), Qt::LeftButton);
        QVERIFY(page->RunningSearches() > 0);
        QElapsedTimer timer;
        timer.start();
        page.reset();
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
        QCoreApplication::processEvents(); // a hand-back queued before the close must not arrive
        QCOMPARE(finished.count(), 0);
    }

    void screenshots_data() { AddLanguageRows(); }

    void screenshots()
    {
        QFETCH(QString, language);
        const Language translation(language);
        QVERIFY(translation.Loaded());
        page->reTranslateUI();
        page->InsertConditionSlot();
        SetMorning();
        const QDir out = ScreenshotFolder();
        const char* buttons[] = {"pBtnIncidentSearch", "pBtnViolationSearch", "pBtnTrafficParamSearch"};
        const char* names[] = {"incidents", "violations", "traffic-parameters"};
        for (int tab = 0; tab < 3; ++tab) {
            ShowTab(tab);
            Search(buttons[tab]);
            const QString file = out.filePath(QStringLiteral("search-%1-%2.png").arg(names[tab], language));
            QVERIFY(page->grab().save(file));
        }
        const QString expectedTab =
            language == QLatin1String("en") ? QStringLiteral("Incidents") : QStringLiteral("事件查询");
        QCOMPARE(Child<QSimpleSliderNavigation>("qSimpleSliderNavigation")->tabText(0), expectedTab);
    }
};

QTEST_MAIN(TestSearchFrame)
#include "test_search_frame.moc"
