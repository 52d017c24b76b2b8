#include "CheckIndicatorGeometry.h"
#include "QClickabledHeaderView.h"
#include "QCustomTableWidget.h"

#include <QtTest>

using Rows = QVector<int>;

class TestQCustomTableWidget : public QObject
{
    Q_OBJECT

private slots:
    void headerFollowsRows_data();
    void headerFollowsRows();
    void headerBoxChecksAll_data();
    void headerBoxChecksAll();
    void headerBoxOnEmptyTableDoesNothing();
    void checkAllSkipsRowsWithoutItem();
    void checkedRowsFollowStructure_data();
    void checkedRowsFollowStructure();
    void orderArrowsFlip();
    void sectionWithoutOrderIgnoresClicks();
    void uncheckableHeaderFallsThrough();
    void cellCheckBox_data();
    void cellCheckBox();

private:
    static std::unique_ptr<QCustomTableWidget> makeTable(int rows, const Rows& checked = {});
    static QClickabledHeaderView* header(QCustomTableWidget& table);
    static void clickSection(QCustomTableWidget& table, int section);
    static QColor arrowTopColour(QCustomTableWidget& table, int section);
};

// Colour inside the upper triangle of the sort-arrow picture drawn in `section`:
// the highlighted one shows the current order (upper ascending, lower descending).
QColor TestQCustomTableWidget::arrowTopColour(QCustomTableWidget& table, int section)
{
    QHeaderView* h = table.horizontalHeader();
    const QImage image = h->viewport()->grab().toImage();
    const QImage arrow(QStringLiteral(":/images/HeaderAscendingOrder.png"));
    const int right = h->sectionViewportPosition(section) + h->sectionSize(section) - 1;
    const QPoint arrowTopLeft(right - arrow.width() - 4, (h->height() - arrow.height()) / 2);
    return image.pixelColor(arrowTopLeft + QPoint(arrow.width() / 2, arrow.height() / 3));
}

std::unique_ptr<QCustomTableWidget> TestQCustomTableWidget::makeTable(int rows, const Rows& checked)
{
    auto table = std::make_unique<QCustomTableWidget>(rows, 3);
    table->setHorizontalHeaderLabels({"", "name", "time"});
    for (int row = 0; row < rows; ++row) {
        auto* box = new QTableWidgetItem;
        box->setCheckState(checked.contains(row) ? Qt::Checked : Qt::Unchecked);
        table->setItem(row, 0, box);
        table->setItem(row, 1, new QTableWidgetItem(QStringLiteral("row %1").arg(row)));
    }
    table->resize(400, 300);
    table->show();
    if (!QTest::qWaitForWindowExposed(table.get()))
        qWarning("table not exposed");
    return table;
}

QClickabledHeaderView* TestQCustomTableWidget::header(QCustomTableWidget& table)
{
    return qobject_cast<QClickabledHeaderView*>(table.horizontalHeader());
}

void TestQCustomTableWidget::clickSection(QCustomTableWidget& table, int section)
{
    QHeaderView* h = table.horizontalHeader();
    const QPoint centre(h->sectionViewportPosition(section) + h->sectionSize(section) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, centre);
}

void TestQCustomTableWidget::headerFollowsRows_data()
{
    QTest::addColumn<Rows>("checked");
    QTest::addColumn<int>("headerState");

    QTest::newRow("none") << Rows{} << int(Qt::Unchecked);
    QTest::newRow("some") << Rows{0, 2} << int(Qt::PartiallyChecked);
    QTest::newRow("all") << Rows{0, 1, 2} << int(Qt::Checked);
}

void TestQCustomTableWidget::headerFollowsRows()
{
    QFETCH(Rows, checked);
    QFETCH(int, headerState);

    auto table = makeTable(3, {0, 1, 2});
    for (int row = 0; row < 3; ++row)
        table->item(row, 0)->setCheckState(checked.contains(row) ? Qt::Checked : Qt::Unchecked);
    QCOMPARE(table->getCheckedRows(), checked);
    QCOMPARE(header(*table)->checkState(), headerState);
}

void TestQCustomTableWidget::headerBoxChecksAll_data()
{
    QTest::addColumn<Rows>("checkedBefore");
    QTest::addColumn<bool>("toggledTo");
    QTest::addColumn<Rows>("checkedAfter");

    QTest::newRow("none checked") << Rows{} << true << Rows{0, 1, 2};
    QTest::newRow("partially checked") << Rows{1} << true << Rows{0, 1, 2};
    QTest::newRow("all checked") << Rows{0, 1, 2} << false << Rows{};
}

void TestQCustomTableWidget::headerBoxChecksAll()
{
    QFETCH(Rows, checkedBefore);
    QFETCH(bool, toggledTo);
    QFETCH(Rows, checkedAfter);

    auto table = makeTable(3, checkedBefore);
    QSignalSpy toggled(header(*table), &QClickabledHeaderView::headerCheckBoxToggled);
    QSignalSpy ordered(table.get(), &QCustomTableWidget::HorizontalHeaderSectionOrderChanged);
    clickSection(*table, 0);

    QCOMPARE(toggled.count(), 1);
    QCOMPARE(toggled.first().first().toBool(), toggledTo);
    QCOMPARE(ordered.count(), 0);
    QCOMPARE(table->getCheckedRows(), checkedAfter);
    QCOMPARE(header(*table)->checkState(), toggledTo ? int(Qt::Checked) : int(Qt::Unchecked));
}

void TestQCustomTableWidget::headerBoxOnEmptyTableDoesNothing()
{
    auto table = makeTable(0);
    QSignalSpy toggled(header(*table), &QClickabledHeaderView::headerCheckBoxToggled);
    clickSection(*table, 0);
    QCOMPARE(toggled.count(), 0);
    QCOMPARE(header(*table)->checkState(), int(Qt::Unchecked));
}

void TestQCustomTableWidget::checkAllSkipsRowsWithoutItem()
{
    auto table = makeTable(3);
    delete table->takeItem(1, 0);
    clickSection(*table, 0);

    QCOMPARE(table->item(1, 0), nullptr);
    QCOMPARE(table->getCheckedRows(), (Rows{0, 2}));
    QCOMPARE(header(*table)->checkState(), int(Qt::Checked));
}

void TestQCustomTableWidget::checkedRowsFollowStructure_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<Rows>("checked");
    QTest::addColumn<int>("headerState");

    // Four rows named "row 0".."row 3", rows 1 and 3 checked.
    QTest::newRow("checked row removed") << "remove 1" << Rows{2} << int(Qt::PartiallyChecked);
    QTest::newRow("unchecked rows removed") << "remove 0 2" << Rows{0, 1} << int(Qt::Checked);
    QTest::newRow("row inserted above") << "insert 0" << Rows{2, 4} << int(Qt::PartiallyChecked);
    QTest::newRow("sorted descending") << "sort" << Rows{0, 2} << int(Qt::PartiallyChecked);
    QTest::newRow("row count cut") << "count 2" << Rows{1} << int(Qt::PartiallyChecked);
    QTest::newRow("cleared") << "clear" << Rows{} << int(Qt::Unchecked);
}

void TestQCustomTableWidget::checkedRowsFollowStructure()
{
    QFETCH(QString, change);
    QFETCH(Rows, checked);
    QFETCH(int, headerState);

    auto table = makeTable(4, {1, 3});
    const QStringList words = change.split(QLatin1Char(' '));
    if (words[0] == QLatin1String("remove")) {
        for (int i = words.size() - 1; i >= 1; --i)
            table->removeRow(words[i].toInt());
    } else if (words[0] == QLatin1String("insert")) {
        table->insertRow(words[1].toInt());
        auto* box = new QTableWidgetItem;
        box->setCheckState(Qt::Unchecked);
        table->setItem(words[1].toInt(), 0, box);
    } else if (words[0] == QLatin1String("sort")) {
        table->sortItems(1, Qt::DescendingOrder);
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("row 3"));
    } else if (words[0] == QLatin1String("count")) {
        table->setRowCount(words[1].toInt());
    } else {
        table->clearContents();
    }
    QCOMPARE(table->getCheckedRows(), checked);
    QCOMPARE(header(*table)->checkState(), headerState);
}

void TestQCustomTableWidget::orderArrowsFlip()
{
    auto table = makeTable(2);
    table->enableColumnOrder(2, Qt::AscendingOrder);
    QSignalSpy headerOrder(header(*table), &QClickabledHeaderView::sectionOrderChanged);
    QSignalSpy tableOrder(table.get(), &QCustomTableWidget::HorizontalHeaderSectionOrderChanged);

    const QColor highlighted = QImage(QStringLiteral(":/images/HeaderAscendingOrder.png")).pixelColor(4, 4);
    QCOMPARE(arrowTopColour(*table, 2), highlighted);

    clickSection(*table, 2);
    QVERIFY(arrowTopColour(*table, 2) != highlighted);
    QCOMPARE(headerOrder.count(), 1);
    QCOMPARE(tableOrder.count(), 1);
    QCOMPARE(tableOrder.last(), (QVariantList{2, 1}));
    QCOMPARE(table->model()->headerData(2, Qt::Horizontal, QClickabledHeaderView::SortRole).toInt(), 1);

    clickSection(*table, 2);
    QCOMPARE(tableOrder.count(), 2);
    QCOMPARE(tableOrder.last(), (QVariantList{2, 0}));
    QCOMPARE(headerOrder.count(), 2);
}

void TestQCustomTableWidget::sectionWithoutOrderIgnoresClicks()
{
    auto table = makeTable(2);
    QCustomTableWidget bare(2, 3);
    bare.enableColumnOrder(1, Qt::DescendingOrder);
    QVERIFY(bare.horizontalHeaderItem(1));
    QCOMPARE(bare.model()->headerData(1, Qt::Horizontal, QClickabledHeaderView::SortRole).toInt(), 1);

    QSignalSpy tableOrder(table.get(), &QCustomTableWidget::HorizontalHeaderSectionOrderChanged);
    clickSection(*table, 1);
    QCOMPARE(tableOrder.count(), 0);
    const QColor highlighted = QImage(QStringLiteral(":/images/HeaderAscendingOrder.png")).pixelColor(4, 4);
    QVERIFY(arrowTopColour(*table, 1) != highlighted);
    QVERIFY(!table->model()->headerData(1, Qt::Horizontal, QClickabledHeaderView::SortRole).isValid());
}

void TestQCustomTableWidget::uncheckableHeaderFallsThrough()
{
    auto table = makeTable(2);
    table->setFirstColCheckable(false);
    QSignalSpy toggled(header(*table), &QClickabledHeaderView::headerCheckBoxToggled);
    clickSection(*table, 0);
    QCOMPARE(toggled.count(), 0);
    QCOMPARE(table->getCheckedRows(), Rows{});
}

void TestQCustomTableWidget::cellCheckBox_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<Rows>("checked");

    QTest::newRow("click on the box") << "box" << Rows{1};
    QTest::newRow("click beside the box") << "beside" << Rows{};
    QTest::newRow("space") << "space" << Rows{1};
    QTest::newRow("space twice") << "space space" << Rows{};
    QTest::newRow("other key") << "x" << Rows{};
}

void TestQCustomTableWidget::cellCheckBox()
{
    QFETCH(QString, action);
    QFETCH(Rows, checked);

    auto table = makeTable(3);
    table->setColumnWidth(0, 120);
    const QModelIndex cell = table->model()->index(1, 0);
    const QRect rect = table->visualRect(cell);
    const QRect box = centredCheckIndicatorRect(rect, table->style());
    table->setCurrentIndex(cell);
    for (const QString& step : action.split(QLatin1Char(' '))) {
        if (step == QLatin1String("box"))
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, box.center());
        else if (step == QLatin1String("beside"))
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(rect.left() + 3, rect.center().y()));
        else if (step == QLatin1String("space"))
            QTest::keyClick(table->viewport(), Qt::Key_Space);
        else
            QTest::keyClick(table->viewport(), Qt::Key_X);
    }
    QCOMPARE(table->getCheckedRows(), checked);
}

QTEST_MAIN(TestQCustomTableWidget)
#include "test_qcustomtablewidget.moc"
