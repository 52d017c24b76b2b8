#include "ComboArrowGeometry.h"
#include "InternalListWidget.h"
#include "QCheckListComboBox.h"
#include "QCheckListPopup.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using Values = QVector<QVariant>;

// Items "east" (value 1), "west" (2) and "north" (3) after the all item.
class TestQCheckListComboBox : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void allItemLogic_data();
    void allItemLogic();
    void getCheckItems_data();
    void getCheckItems();
    void setItemCheckedWithoutMatchChangesNothing();
    void itemsAddedCheckedShowInText();
    void clickAnywhereOnCellToggles();
    void arrowOpensAndClosesPanel();
    void confirmClosesAndSignals();

private:
    QListWidgetItem* row(int index) const { return m_panel->listWidget()->item(index); }
    void openPanel();
    QPoint arrowCentre() const;

    QCheckListComboBox* m_box = nullptr;
    QCheckListWidget* m_panel = nullptr;
};

void TestQCheckListComboBox::init()
{
    m_box = new QCheckListComboBox;
    m_box->addItem(QStringLiteral("east"), Qt::Unchecked, 1);
    m_box->addItem(QStringLiteral("west"), Qt::Unchecked, 2);
    m_box->addItem(QStringLiteral("north"), Qt::Unchecked, 3);
    m_panel = m_box->findChild<QCheckListWidget*>();
    QVERIFY(m_panel);
    m_box->resize(260, 30);
    m_box->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_box));
}

void TestQCheckListComboBox::cleanup()
{
    delete m_box;
}

QPoint TestQCheckListComboBox::arrowCentre() const
{
    return comboBoxArrowRect(m_box).center();
}

void TestQCheckListComboBox::openPanel()
{
    QTest::mouseClick(m_box, Qt::LeftButton, {}, arrowCentre());
    QTRY_VERIFY(m_panel->isVisible());
}

void TestQCheckListComboBox::allItemLogic_data()
{
    QTest::addColumn<QVector<int>>("checkRows");
    QTest::addColumn<QVector<int>>("uncheckRows");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("allState");

    QTest::newRow("all item checks all") << QVector<int>{0} << QVector<int>{} << "全部" << int(Qt::Checked);
    QTest::newRow("all item unchecks all") << QVector<int>{0} << QVector<int>{0} << "" << int(Qt::Unchecked);
    QTest::newRow("two of three") << QVector<int>{1, 2} << QVector<int>{} << "east;west" << int(Qt::Unchecked);
    QTest::newRow("third one completes") << QVector<int>{1, 2, 3} << QVector<int>{} << "全部" << int(Qt::Checked);
    QTest::newRow("one unchecked after all")
        << QVector<int>{0} << QVector<int>{2} << "east;north" << int(Qt::Unchecked);
}

void TestQCheckListComboBox::allItemLogic()
{
    QFETCH(QVector<int>, checkRows);
    QFETCH(QVector<int>, uncheckRows);
    QFETCH(QString, text);
    QFETCH(int, allState);

    for (int r : checkRows)
        row(r)->setCheckState(Qt::Checked);
    for (int r : uncheckRows)
        row(r)->setCheckState(Qt::Unchecked);
    QCOMPARE(m_box->currentText(), text);
    QCOMPARE(int(row(0)->checkState()), allState);
    if (allState == Qt::Checked || uncheckRows.contains(0)) {
        for (int r = 1; r <= 3; ++r)
            QCOMPARE(int(row(r)->checkState()), allState);
    }
}

void TestQCheckListComboBox::getCheckItems_data()
{
    QTest::addColumn<Values>("checkValues");
    QTest::addColumn<bool>("all");
    QTest::addColumn<Values>("values");

    QTest::newRow("partial") << Values{3, 1} << false << Values{1, 3};
    QTest::newRow("all") << Values{1, 2, 3} << true << Values{1, 2, 3};
    QTest::newRow("unknown values are ignored") << Values{2, 99} << false << Values{2};
}

void TestQCheckListComboBox::getCheckItems()
{
    QFETCH(Values, checkValues);
    QFETCH(bool, all);
    QFETCH(Values, values);

    QVERIFY(m_box->setItemChecked(checkValues));
    Values read{QStringLiteral("stale")};
    QCOMPARE(m_box->getCheckItems(read), all);
    QCOMPARE(read, values);
    QCOMPARE(row(0)->checkState(), all ? Qt::Checked : Qt::Unchecked);
}

void TestQCheckListComboBox::setItemCheckedWithoutMatchChangesNothing()
{
    row(2)->setCheckState(Qt::Checked);
    QVERIFY(!m_box->setItemChecked({7, QStringLiteral("east")}));
    QCOMPARE(row(1)->checkState(), Qt::Unchecked);
    QCOMPARE(row(2)->checkState(), Qt::Checked);
    Values read;
    QVERIFY(!m_box->getCheckItems(read));
    QCOMPARE(read, Values{2});
}

void TestQCheckListComboBox::itemsAddedCheckedShowInText()
{
    QCheckListComboBox box;
    box.addItem(QStringLiteral("east"), Qt::Checked, 1);
    box.addItem(QStringLiteral("west"), Qt::Unchecked, 2);
    box.addItem(QStringLiteral("north"), Qt::Checked, 3);
    QCOMPARE(box.currentText(), QStringLiteral("east;north"));

    QCheckListComboBox all;
    all.addItem(QStringLiteral("east"), Qt::Checked, 1);
    all.addItem(QStringLiteral("west"), Qt::Checked, 2);
    QCOMPARE(all.currentText(), QStringLiteral("全部"));
    QCOMPARE(all.findChild<QCheckListWidget*>()->listWidget()->item(0)->checkState(), Qt::Checked);
    Values read;
    QVERIFY(all.getCheckItems(read));
}

void TestQCheckListComboBox::clickAnywhereOnCellToggles()
{
    openPanel();
    InternalListWidget* list = m_panel->listWidget();
    const QRect cell = list->visualItemRect(row(2));
    QCOMPARE(cell.size(), QSize(100, 30));
    // Far from the check indicator, at the right end of the cell.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(cell.right() - 3, cell.center().y()));
    QCOMPARE(row(2)->checkState(), Qt::Checked);
    QCOMPARE(m_box->currentText(), QStringLiteral("west"));
    QVERIFY(m_panel->isVisible());
}

void TestQCheckListComboBox::arrowOpensAndClosesPanel()
{
    openPanel();
    QCOMPARE(m_panel->width(), m_box->width());
    QVERIFY(m_panel->geometry().top() >= m_box->mapToGlobal(QPoint(0, m_box->height())).y());

    // While open the panel takes every press: one on the arrow closes it for good. The
    // click goes through the window, as a real one does, so that the pop-up sees it.
    QTest::mouseClick(m_box->windowHandle(), Qt::LeftButton, {}, arrowCentre());
    QTRY_VERIFY(!m_panel->isVisible());
    QTest::qWait(50);
    QVERIFY(!m_panel->isVisible());
}

void TestQCheckListComboBox::confirmClosesAndSignals()
{
    QSignalSpy confirmed(m_box, &QCheckListComboBox::signalSelectConfirm);
    openPanel();
    auto* button = m_panel->findChild<QPushButton*>(QStringLiteral("pushButton"));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(confirmed.count(), 1);
    QVERIFY(!m_panel->isVisible());
}

QTEST_MAIN(TestQCheckListComboBox)
#include "test_qchecklistcombobox.moc"
