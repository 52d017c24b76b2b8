// The paging bar: what each step shows, which buttons it leaves enabled and
// which row offset it asks for.
#include "search/SearchPageManage.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

struct Step
{
    const char* button; // object name
    int page;           // shown afterwards
    int offset;         // requested
    bool backward;      // first and previous enabled
    bool forward;       // next and last enabled
};

} // namespace

Q_DECLARE_METATYPE(std::vector<Step>)

class TestSearchPageManage : public QObject
{
    Q_OBJECT

private:
    static QString Text(SearchPageManage& bar, const char* name) { return bar.findChild<QLabel*>(name)->text(); }
    static QPushButton* Button(SearchPageManage& bar, const char* name) { return bar.findChild<QPushButton*>(name); }

private slots:
    void freshBarShowsPageSizeAndNoRecords()
    {
        SearchPageManage bar;
        QCOMPARE(Text(bar, "labelShowNum"), QStringLiteral("30"));
        QCOMPARE(Text(bar, "labelTotalNum"), QStringLiteral("0"));
        QCOMPARE(Text(bar, "labelCurrentPage"), QString());
        for (const char* name : {"pBtnFirstPage", "pBtnPrePage", "pBtnNextPage", "pBtnLastPage"})
            QVERIFY(Button(bar, name)->isEnabled());
        QCOMPARE(bar.height(), 55);
    }

    void steps_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<std::vector<Step>>("steps");
        QTest::newRow("95 records: last, previous, first") << 95
                                                           << std::vector<Step>{{"pBtnLastPage", 4, 90, true, false},
                                                                                {"pBtnPrePage", 3, 60, true, true},
                                                                                {"pBtnFirstPage", 1, 0, false, true}};
        QTest::newRow("next on the last page stays there")
            << 95 << std::vector<Step>{{"pBtnLastPage", 4, 90, true, false}, {"pBtnNextPage", 4, 90, true, false}};
        QTest::newRow("next through every page")
            << 61 << std::vector<Step>{{"pBtnNextPage", 2, 30, true, true}, {"pBtnNextPage", 3, 60, true, false}};
        QTest::newRow("previous on page 1 stays at offset 0")
            << 95 << std::vector<Step>{{"pBtnPrePage", 1, 0, false, true}};
        QTest::newRow("one page: next asks page 1 again, then both off")
            << 30 << std::vector<Step>{{"pBtnNextPage", 1, 0, false, false}};
        QTest::newRow("no records: last asks offset 0") << 0 << std::vector<Step>{{"pBtnLastPage", 1, 0, false, false}};
    }

    void steps()
    {
        QFETCH(int, total);
        QFETCH(std::vector<Step>, steps);
        SearchPageManage bar;
        QSignalSpy requests(&bar, &SearchPageManage::SetSearchIndexNumSig);
        bar.RefreshPageSlot();
        QVERIFY(!Button(bar, "pBtnFirstPage")->isEnabled());
        QVERIFY(Button(bar, "pBtnLastPage")->isEnabled());
        if (total > 0)
            bar.SetSearchPageManageSlot(total, (total + 29) / 30, 1);
        QCOMPARE(Text(bar, "labelTotalNum"), QString::number(total));
        for (const Step& step : steps) {
            // Buttons disabled by the previous step are pressed through their slot, as a user cannot.
            QMetaObject::invokeMethod(&bar, QByteArray("on_") + step.button + "_clicked");
            QCOMPARE(requests.count(), 1);
            const QList<QVariant> request = requests.takeFirst();
            QCOMPARE(request.at(0).toInt(), step.offset);
            QCOMPARE(request.at(1).toBool(), false);
            QCOMPARE(Text(bar, "labelCurrentPage"), QString::number(step.page));
            QCOMPARE(Button(bar, "pBtnFirstPage")->isEnabled(), step.backward);
            QCOMPARE(Button(bar, "pBtnPrePage")->isEnabled(), step.backward);
            QCOMPARE(Button(bar, "pBtnNextPage")->isEnabled(), step.forward);
            QCOMPARE(Button(bar, "pBtnLastPage")->isEnabled(), step.forward);
        }
    }

    void clickedButtonsStep()
    {
        SearchPageManage bar;
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QSignalSpy requests(&bar, &SearchPageManage::SetSearchIndexNumSig);
        bar.RefreshPageSlot();
        bar.SetSearchPageManageSlot(95, 4, 1);
        QTest::mouseClick(Button(bar, "pBtnNextPage"), Qt::LeftButton);
        QTest::mouseClick(Button(bar, "pBtnLastPage"), Qt::LeftButton);
        QTest::mouseClick(Button(bar, "pBtnLastPage"), Qt::LeftButton); // disabled now: nothing
        QCOMPARE(requests.count(), 2);
        QCOMPARE(requests.at(0).at(0).toInt(), 30);
        QCOMPARE(requests.at(1).at(0).toInt(), 90);
        QCOMPARE(Text(bar, "labelCurrentPage"), QStringLiteral("4"));
        QCOMPARE(Text(bar, "labelTotalPage"), QStringLiteral("4"));
    }

    void resultOffersOnlyThePagesItHas_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("backward");
        QTest::addColumn<bool>("forward");
        QTest::newRow("one page") << 24 << 1 << false << false;
        QTest::newRow("first of four") << 95 << 1 << false << true;
        QTest::newRow("middle of four") << 95 << 2 << true << true;
        QTest::newRow("last of four") << 95 << 4 << true << false;
        QTest::newRow("nothing found") << 0 << 1 << false << false;
    }

    void resultOffersOnlyThePagesItHas()
    {
        QFETCH(int, total);
        QFETCH(int, page);
        QFETCH(bool, backward);
        QFETCH(bool, forward);
        SearchPageManage bar;
        bar.RefreshPageSlot();
        bar.SetSearchPageManageSlot(total, (total + 29) / 30, page);
        QCOMPARE(Button(bar, "pBtnFirstPage")->isEnabled(), backward);
        QCOMPARE(Button(bar, "pBtnPrePage")->isEnabled(), backward);
        QCOMPARE(Button(bar, "pBtnNextPage")->isEnabled(), forward);
        QCOMPARE(Button(bar, "pBtnLastPage")->isEnabled(), forward);
    }

    void languageSwitchKeepsTheFigures()
    {
        SearchPageManage bar;
        bar.RefreshPageSlot();
        bar.SetSearchPageManageSlot(95, 4, 2);
        bar.reTranslateUI();
        QCOMPARE(Text(bar, "labelTotalNum"), QStringLiteral("95"));
        QCOMPARE(Text(bar, "labelCurrentPage"), QStringLiteral("2"));
        QCOMPARE(Text(bar, "labelTotalPage"), QStringLiteral("4"));
        QCOMPARE(Text(bar, "labelShowNum"), QStringLiteral("30"));
        QCOMPARE(Text(bar, "label_4"), QStringLiteral("每页显示"));
        QSignalSpy requests(&bar, &SearchPageManage::SetSearchIndexNumSig);
        QMetaObject::invokeMethod(&bar, "on_pBtnNextPage_clicked");
        QCOMPARE(requests.takeFirst().at(0).toInt(), 60);
    }
};

QTEST_MAIN(TestSearchPageManage)
#include "test_search_page_manage.moc"
