#include "QTreeNavigation.h"

#include <QTreeWidget>
#include <QtTest>

class TestQTreeNavigation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clicksOpenAndClose_data();
    void clicksOpenAndClose();
    void subLevelItemNeedsParent();
    void rowHeights();
    void selectionHighlight_data();
    void selectionHighlight();

private:
    QTreeWidgetItem* itemNamed(const QString& name) const;
    void click(QTreeWidgetItem* item);

    QTreeNavigation* m_menu = nullptr;
};

void TestQTreeNavigation::init()
{
    // Entries "A" (sub-entries a1, a2), "B" (sub-entry b1) and "C" (no sub-entries).
    m_menu = new QTreeNavigation;
    QTreeWidgetItem* a = m_menu->addTopLevelItem(QStringLiteral("A"));
    m_menu->addSubLevelItem(a, QStringLiteral("a1"));
    m_menu->addSubLevelItem(a, QStringLiteral("a2"));
    QTreeWidgetItem* b = m_menu->addTopLevelItem(QStringLiteral("B"));
    m_menu->addSubLevelItem(b, QStringLiteral("b1"));
    m_menu->addTopLevelItem(QStringLiteral("C"));
    m_menu->resize(260, 593);
    m_menu->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_menu));
}

void TestQTreeNavigation::cleanup()
{
    delete m_menu;
    m_menu = nullptr;
}

QTreeWidgetItem* TestQTreeNavigation::itemNamed(const QString& name) const
{
    const auto found = m_menu->GetTreeWidget()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.value(0);
}

void TestQTreeNavigation::click(QTreeWidgetItem* item)
{
    QTreeWidget* tree = m_menu->GetTreeWidget();
    const QRect rect = tree->visualItemRect(item);
    QVERIFY(rect.isValid());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
}

void TestQTreeNavigation::clicksOpenAndClose_data()
{
    QTest::addColumn<bool>("single");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("open");

    QTest::newRow("open one") << true << QStringList{"A"} << QStringList{"A"};
    QTest::newRow("opening B closes A") << true << QStringList{"A", "B"} << QStringList{"B"};
    QTest::newRow("several open when not single") << false << QStringList{"A", "B"} << QStringList{"A", "B"};
    QTest::newRow("second click closes") << true << QStringList{"A", "A"} << QStringList{};
    QTest::newRow("entry without sub-entries closes others") << true << QStringList{"A", "C"} << QStringList{};
    QTest::newRow("entry without sub-entries, not single") << false << QStringList{"A", "C"} << QStringList{"A"};
    QTest::newRow("sub-entry changes nothing") << true << QStringList{"A", "a1"} << QStringList{"A"};
}

void TestQTreeNavigation::clicksOpenAndClose()
{
    QFETCH(bool, single);
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, open);

    m_menu->setSingleItemExpanded(single);
    for (const QString& name : clicks)
        click(itemNamed(name));
    for (const char* name : {"A", "B", "C"})
        QCOMPARE(itemNamed(name)->isExpanded(), open.contains(name));
}

void TestQTreeNavigation::subLevelItemNeedsParent()
{
    QTreeWidget* tree = m_menu->GetTreeWidget();
    const int before = tree->topLevelItemCount();
    QCOMPARE(m_menu->addSubLevelItem(nullptr, QStringLiteral("x")), nullptr);
    QCOMPARE(tree->topLevelItemCount(), before);
    QCOMPARE(m_menu->sizeHint(), QSize(260, 400));
}

void TestQTreeNavigation::rowHeights()
{
    click(itemNamed(QStringLiteral("A")));
    QTreeWidget* tree = m_menu->GetTreeWidget();
    QCOMPARE(tree->visualItemRect(itemNamed(QStringLiteral("A"))).height(), 50);
    QCOMPARE(tree->visualItemRect(itemNamed(QStringLiteral("a1"))).height(), 40);
}

void TestQTreeNavigation::selectionHighlight_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QColor>("edge");
    QTest::addColumn<QColor>("inside");

    const QColor blue(88, 187, 228);
    const QColor open(40, 44, 51);
    const QColor menu(64, 71, 83);
    QTest::newRow("entry without sub-entries: blue strip") << "C" << blue << open;
    QTest::newRow("entry with sub-entries: no blue") << "B" << menu << menu;
    QTest::newRow("sub-entry: all blue") << "a1" << blue << blue;
}

void TestQTreeNavigation::selectionHighlight()
{
    QFETCH(QString, selected);
    QFETCH(QColor, edge);
    QFETCH(QColor, inside);

    QTreeWidget* tree = m_menu->GetTreeWidget();
    itemNamed(QStringLiteral("A"))->setExpanded(true);
    QTreeWidgetItem* item = itemNamed(selected);
    tree->setCurrentItem(item);
    const QRect row = tree->visualItemRect(item);
    const QImage image = tree->viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(row.left() + 2, row.center().y()), edge);
    QCOMPARE(image.pixelColor(row.left() + 20, row.center().y()), inside);
}

QTEST_MAIN(TestQTreeNavigation)
#include "test_qtreenavigation.moc"
