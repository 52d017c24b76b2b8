#include "dialogs/QClickableLabel.h"
#include "dialogs/QClickabledHeaderView.h"
#include "dialogs/QCustomTableWidget.h"
#include "dialogs/QTableItemDelegate.h"
#include "DialogTestSupport.h"

#include <QtTest>

using namespace DialogTestSupport;

namespace {

void fillCheckable(QTableWidget& table, int from = 0)
{
    for (int row = from; row < table.rowCount(); ++row) {
        auto* first = new QTableWidgetItem(QString::number(row));
        first->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        first->setCheckState(Qt::Unchecked);
        table.setItem(row, 0, first);
        table.setItem(row, 1, new QTableWidgetItem(QStringLiteral("r%1").arg(row)));
    }
}

QClickabledHeaderView* headerOf(QCustomTableWidget& table)
{
    return qobject_cast<QClickabledHeaderView*>(table.horizontalHeader());
}

QVector<int> checkedItems(const QTableWidget& table)
{
    QVector<int> rows;
    for (int row = 0; row < table.rowCount(); ++row)
        if (table.item(row, 0) && table.item(row, 0)->checkState() == Qt::Checked)
            rows.append(row);
    return rows;
}

QPoint sectionCentre(QHeaderView* header, int section)
{
    return QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
}

} // namespace

class TestCustomTable : public QObject
{
    Q_OBJECT

private slots:
    // A table built with rows writes row states before any row-count change:
    // each row has its bit from the start.
    void constructedWithOrWithoutRows_data()
    {
        QTest::addColumn<bool>("withRows");
        QTest::newRow("constructed with rows") << true;
        QTest::newRow("rows set later") << false;
    }
    void constructedWithOrWithoutRows()
    {
        QFETCH(bool, withRows);
        std::unique_ptr<QCustomTableWidget> table =
            withRows ? std::make_unique<QCustomTableWidget>(4, 2) : std::make_unique<QCustomTableWidget>();
        if (!withRows) {
            table->setColumnCount(2);
            table->setRowCount(4);
        }
        fillCheckable(*table);
        table->item(3, 0)->setCheckState(Qt::Checked);
        table->item(1, 0)->setCheckState(Qt::Checked);
        QCOMPARE(table->getCheckedRows(), (QVector<int>{1, 3}));
        QVERIFY(!headerOf(*table)->isChecked());
        table->item(0, 0)->setCheckState(Qt::Checked);
        table->item(2, 0)->setCheckState(Qt::Checked);
        QVERIFY(headerOf(*table)->isChecked());
    }

    void headerClickChecksEveryRowAndBack()
    {
        QCustomTableWidget table(3, 2);
        fillCheckable(table);
        table.resize(400, 200);
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        QSignalSpy toggled(headerOf(table), &QClickabledHeaderView::headerCheckBoxToggled);
        QHeaderView* header = table.horizontalHeader();
        // Anywhere in section 0, not only on the box.
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(3, header->height() / 2));
        QCOMPARE(toggled.count(), 1);
        QCOMPARE(toggled.at(0).at(0).toBool(), true);
        QCOMPARE(checkedItems(table), (QVector<int>{0, 1, 2}));
        QCOMPARE(table.getCheckedRows(), (QVector<int>{0, 1, 2}));
        QVERIFY(headerOf(table)->isChecked());

        // Unchecking one row clears the box without a toggle signal.
        table.item(1, 0)->setCheckState(Qt::Unchecked);
        QVERIFY(!headerOf(table)->isChecked());
        QCOMPARE(toggled.count(), 1);

        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, sectionCentre(header, 0));
        QCOMPARE(toggled.count(), 2);
        QCOMPARE(checkedItems(table), (QVector<int>{0, 1, 2}));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, sectionCentre(header, 0));
        QCOMPARE(checkedItems(table), QVector<int>());
        QVERIFY(!headerOf(table)->isChecked());
        QVERIFY(table.getCheckedRows().isEmpty());
    }

    void emptyTableHeaderJustFlips()
    {
        QCustomTableWidget table(0, 2);
        table.show();
        QHeaderView* header = table.horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, sectionCentre(header, 0));
        QVERIFY(headerOf(table)->isChecked());
        QCOMPARE(table.rowCount(), 0);
    }

    void growingKeepsTheBitsOfTheOldRows()
    {
        QCustomTableWidget table(3, 2);
        fillCheckable(table);
        table.item(0, 0)->setCheckState(Qt::Checked);
        table.item(2, 0)->setCheckState(Qt::Checked);
        table.setRowCount(5);
        fillCheckable(table, 3);
        QCOMPARE(table.getCheckedRows(), (QVector<int>{0, 2}));
        QVERIFY(!headerOf(table)->isChecked());
    }

    // Rows inserted, removed or sorted: the checked rows still name the rows
    // whose boxes are ticked.
    void rowsInsertedRemovedAndSorted()
    {
        QCustomTableWidget table(4, 2);
        fillCheckable(table);
        table.item(1, 0)->setCheckState(Qt::Checked);
        table.item(3, 0)->setCheckState(Qt::Checked);

        table.insertRow(0);
        QCOMPARE(table.getCheckedRows(), (QVector<int>{2, 4}));
        QCOMPARE(table.getCheckedRows(), checkedItems(table));

        table.removeRow(2);
        QCOMPARE(table.getCheckedRows(), (QVector<int>{3}));
        QCOMPARE(table.getCheckedRows(), checkedItems(table));

        table.sortItems(1, Qt::DescendingOrder);
        QCOMPARE(table.getCheckedRows(), checkedItems(table));
        QCOMPARE(table.getCheckedRows().size(), 1);

        // Removing the unchecked rows leaves only checked ones: header ticked.
        for (int row = table.rowCount() - 1; row >= 0; --row)
            if (!table.item(row, 0) || table.item(row, 0)->checkState() != Qt::Checked)
                table.removeRow(row);
        QCOMPARE(table.rowCount(), 1);
        QVERIFY(headerOf(table)->isChecked());
        // A new search empties the table: the header box starts clear.
        table.setRowCount(0);
        QVERIFY(!headerOf(table)->isChecked());
        QVERIFY(table.getCheckedRows().isEmpty());
    }

    void uncheckableHeaderBehavesAsAPlainHeader()
    {
        QCustomTableWidget table(2, 2);
        fillCheckable(table);
        table.setFirstColCheckable(false);
        table.show();
        QSignalSpy toggled(headerOf(table), &QClickabledHeaderView::headerCheckBoxToggled);
        QSignalSpy sectionPressed(table.horizontalHeader(), &QHeaderView::sectionPressed);
        QHeaderView* header = table.horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, sectionCentre(header, 0));
        QCOMPARE(toggled.count(), 0);
        QCOMPARE(sectionPressed.count(), 1);
        QCOMPARE(checkedItems(table), QVector<int>());
    }

    void setCheckedDoesNotEmit()
    {
        QClickabledHeaderView header(Qt::Horizontal);
        QSignalSpy toggled(&header, &QClickabledHeaderView::headerCheckBoxToggled);
        header.setChecked(true);
        header.setChecked(true);
        QVERIFY(header.isChecked());
        QCOMPARE(toggled.count(), 0);
    }

    void checkBoxRectIsCentred()
    {
        QClickabledHeaderView header(Qt::Horizontal);
        const QRect section(10, 0, 100, 30);
        const QRect box = header.checkBoxRect(section);
        QVERIFY(!box.isEmpty());
        QVERIFY(section.contains(box));
        QVERIFY(qAbs((box.left() - section.left()) - (section.right() - box.right())) <= 1);
        QVERIFY(qAbs((box.top() - section.top()) - (section.bottom() - box.bottom())) <= 1);
        QTableItemDelegate delegate;
        QCOMPARE(delegate.checkBoxRect(QRect(0, 0, 100, 30)).size(), box.size());
    }

    void cellBoxTogglesOnReleaseInsideItAndOnSpace()
    {
        QCustomTableWidget table(2, 2);
        fillCheckable(table);
        table.resize(400, 200);
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        auto* delegate = qobject_cast<QTableItemDelegate*>(table.itemDelegate());
        QVERIFY(delegate);
        const QRect cell = table.visualItemRect(table.item(0, 0));
        const QPoint box = delegate->checkBoxRect(cell).center();

        QTest::mousePress(table.viewport(), Qt::LeftButton, Qt::NoModifier, box);
        QCOMPARE(table.item(0, 0)->checkState(), Qt::Unchecked);
        QTest::mouseRelease(table.viewport(), Qt::LeftButton, Qt::NoModifier, box);
        QCOMPARE(table.item(0, 0)->checkState(), Qt::Checked);
        QCOMPARE(table.getCheckedRows(), QVector<int>{0});

        // Outside the box the cell is only selected.
        QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(cell.left() + 2, cell.center().y()));
        QCOMPARE(table.item(0, 0)->checkState(), Qt::Checked);

        table.setCurrentCell(1, 0);
        QTest::keyClick(table.viewport(), Qt::Key_Space);
        QCOMPARE(table.item(1, 0)->checkState(), Qt::Checked);
        QVERIFY(headerOf(table)->isChecked());
    }

    void tristateCellCyclesThroughThreeStates()
    {
        QCustomTableWidget table(1, 1);
        auto* item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsUserTristate);
        item->setCheckState(Qt::Unchecked);
        table.setItem(0, 0, item);
        table.resize(300, 100);
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        table.setCurrentCell(0, 0);
        QTest::keyClick(table.viewport(), Qt::Key_Space);
        QCOMPARE(item->checkState(), Qt::PartiallyChecked);
        QTest::keyClick(table.viewport(), Qt::Key_Space);
        QCOMPARE(item->checkState(), Qt::Checked);
        QTest::keyClick(table.viewport(), Qt::Key_Space);
        QCOMPARE(item->checkState(), Qt::Unchecked);
    }

    void labelClicksOnReleaseEvenOutside()
    {
        QClickableLabel label;
        label.resize(80, 20);
        label.show();
        QSignalSpy clicked(&label, &QClickableLabel::clicked);
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
        sendMouse(&label, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(5, 5));
        sendMouse(&label, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(500, 500));
        QCOMPARE(clicked.count(), 1);
        // A release without a press on the label, or with the right button, is not a click.
        sendMouse(&label, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(5, 5));
        sendMouse(&label, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, QPoint(5, 5));
        sendMouse(&label, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, QPoint(5, 5));
        QCOMPARE(clicked.count(), 1);

        label.setEnabled(false);
        QCOMPARE(label.cursor().shape(), Qt::ArrowCursor);
        QTest::mouseClick(&label, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        label.setEnabled(true);
        QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    }
};

QTEST_MAIN(TestCustomTable)
#include "test_custom_table.moc"
