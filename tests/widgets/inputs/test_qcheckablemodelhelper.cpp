#include "QCheckableModelHelper.h"

#include <QStandardItemModel>
#include <QtTest>

// Tree of three levels under the header (the root):
//   P1 -> C1 (G1, G2), C2 (G3, G4), C3 (G5, G6)
//   P2 -> C4 (G7)
class TestQCheckableModelHelper : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void itemsBecomeCheckable();
    void checkingAParentChecksItsTree();
    void childrenDecideParentAndHeader_data();
    void childrenDecideParentAndHeader();
    void partiallyCheckedParentChangesNoChild();
    void headerChecksAll_data();
    void headerChecksAll();
    void propagateDepthLimitsPushDown_data();
    void propagateDepthLimitsPushDown();
    void toggleMakesPartiallyCheckedChecked();
    void appendedRowsGetDefaultState_data();
    void appendedRowsGetDefaultState();
    void modelDestroyedWhileHeld();

private:
    QStandardItem* item(const QString& name) const;
    Qt::CheckState state(const QString& name) const;
    Qt::CheckState headerState() const;

    QStandardItemModel* m_model = nullptr;
    QCheckableModelHelper* m_helper = nullptr;
};

void TestQCheckableModelHelper::init()
{
    m_model = new QStandardItemModel(0, 1);
    m_model->setHorizontalHeaderLabels({QStringLiteral("all")});
    const QVector<QPair<QString, QStringList>> children{
        {"C1", {"G1", "G2"}}, {"C2", {"G3", "G4"}}, {"C3", {"G5", "G6"}}, {"C4", {"G7"}}};
    auto* p1 = new QStandardItem(QStringLiteral("P1"));
    auto* p2 = new QStandardItem(QStringLiteral("P2"));
    for (const auto& [name, grandChildren] : children) {
        auto* child = new QStandardItem(name);
        for (const QString& grandChild : grandChildren)
            child->appendRow(new QStandardItem(grandChild));
        (name == QLatin1String("C4") ? p2 : p1)->appendRow(child);
    }
    m_model->appendRow(p1);
    m_model->appendRow(p2);
    m_helper = new QCheckableModelHelper(Qt::Horizontal);
    m_helper->setModel(m_model);
}

void TestQCheckableModelHelper::cleanup()
{
    delete m_helper;
    delete m_model;
}

QStandardItem* TestQCheckableModelHelper::item(const QString& name) const
{
    return m_model->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0);
}

Qt::CheckState TestQCheckableModelHelper::state(const QString& name) const
{
    return m_helper->checkState(item(name)->index());
}

Qt::CheckState TestQCheckableModelHelper::headerState() const
{
    return m_helper->headerCheckState(0);
}

void TestQCheckableModelHelper::itemsBecomeCheckable()
{
    for (const char* name : {"P1", "C2", "G7"}) {
        QVERIFY(item(name)->isCheckable());
        QCOMPARE(state(name), Qt::Unchecked);
    }
    QVERIFY(m_model->horizontalHeaderItem(0)->isCheckable());
    QCOMPARE(headerState(), Qt::Unchecked);
}

void TestQCheckableModelHelper::checkingAParentChecksItsTree()
{
    m_helper->setCheckState(item("P1")->index(), Qt::Checked);
    for (const char* name : {"C1", "C2", "C3", "G1", "G4", "G6"})
        QCOMPARE(state(name), Qt::Checked);
    QCOMPARE(state("P2"), Qt::Unchecked);
    QCOMPARE(state("G7"), Qt::Unchecked);
    QCOMPARE(headerState(), Qt::PartiallyChecked);
}

void TestQCheckableModelHelper::childrenDecideParentAndHeader_data()
{
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("unchecked");
    QTest::addColumn<int>("c1");
    QTest::addColumn<int>("p1");
    QTest::addColumn<int>("header");

    QTest::newRow("one grandchild checked") << QStringList{"G1"} << QStringList{} << int(Qt::PartiallyChecked)
                                            << int(Qt::PartiallyChecked) << int(Qt::PartiallyChecked);
    QTest::newRow("both grandchildren checked") << QStringList{"G1", "G2"} << QStringList{} << int(Qt::Checked)
                                                << int(Qt::PartiallyChecked) << int(Qt::PartiallyChecked);
    QTest::newRow("one of three children unchecked") << QStringList{"P1"} << QStringList{"C2"} << int(Qt::Checked)
                                                     << int(Qt::PartiallyChecked) << int(Qt::PartiallyChecked);
    QTest::newRow("every leaf checked") << QStringList{"G1", "G2", "G3", "G4", "G5", "G6", "G7"} << QStringList{}
                                        << int(Qt::Checked) << int(Qt::Checked) << int(Qt::Checked);
    QTest::newRow("checked and unchecked again")
        << QStringList{"G1"} << QStringList{"G1"} << int(Qt::Unchecked) << int(Qt::Unchecked) << int(Qt::Unchecked);
}

void TestQCheckableModelHelper::childrenDecideParentAndHeader()
{
    QFETCH(QStringList, checked);
    QFETCH(QStringList, unchecked);
    QFETCH(int, c1);
    QFETCH(int, p1);
    QFETCH(int, header);

    for (const QString& name : checked)
        item(name)->setCheckState(Qt::Checked);
    for (const QString& name : unchecked)
        item(name)->setCheckState(Qt::Unchecked);
    QCOMPARE(int(state("C1")), c1);
    QCOMPARE(int(state("P1")), p1);
    QCOMPARE(int(headerState()), header);
}

void TestQCheckableModelHelper::partiallyCheckedParentChangesNoChild()
{
    item("G1")->setCheckState(Qt::Checked);
    item("C1")->setCheckState(Qt::PartiallyChecked);
    QCOMPARE(state("G1"), Qt::Checked);
    QCOMPARE(state("G2"), Qt::Unchecked);
}

void TestQCheckableModelHelper::headerChecksAll_data()
{
    QTest::addColumn<int>("headerState");
    QTest::newRow("check all") << int(Qt::Checked);
    QTest::newRow("uncheck all") << int(Qt::Unchecked);
}

void TestQCheckableModelHelper::headerChecksAll()
{
    QFETCH(int, headerState);
    const auto target = static_cast<Qt::CheckState>(headerState);
    item("G3")->setCheckState(target == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    m_helper->setHeaderCheckState(0, target);
    for (const char* name : {"P1", "P2", "C1", "C2", "C3", "C4", "G1", "G3", "G7"})
        QCOMPARE(state(name), target);
}

void TestQCheckableModelHelper::propagateDepthLimitsPushDown_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("topLevel");
    QTest::addColumn<int>("children");
    QTest::addColumn<int>("grandChildren");

    QTest::newRow("depth 0: nothing") << 0 << int(Qt::Unchecked) << int(Qt::Unchecked) << int(Qt::Unchecked);
    QTest::newRow("depth 1: two levels") << 1 << int(Qt::Checked) << int(Qt::Checked) << int(Qt::Unchecked);
    QTest::newRow("depth 2: all") << 2 << int(Qt::Checked) << int(Qt::Checked) << int(Qt::Checked);
    QTest::newRow("depth -1: all") << -1 << int(Qt::Checked) << int(Qt::Checked) << int(Qt::Checked);
}

void TestQCheckableModelHelper::propagateDepthLimitsPushDown()
{
    QFETCH(int, depth);
    QFETCH(int, topLevel);
    QFETCH(int, children);
    QFETCH(int, grandChildren);

    m_helper->setPropagateDepth(depth);
    QCOMPARE(m_helper->propagateDepth(), depth);
    m_helper->setHeaderCheckState(0, Qt::Checked);
    QCOMPARE(int(state("P2")), topLevel);
    QCOMPARE(int(state("C4")), children);
    QCOMPARE(int(state("G7")), grandChildren);

    // A state set on an item reaches its own children only as deep as allowed.
    m_helper->setHeaderCheckState(0, Qt::Unchecked);
    m_helper->setCheckState(item("P1")->index(), Qt::Checked);
    QCOMPARE(int(state("C1")), depth == 0 ? int(Qt::Unchecked) : int(Qt::Checked));
    QCOMPARE(int(state("G1")), depth == 0 || depth == 1 ? int(Qt::Unchecked) : int(Qt::Checked));
}

void TestQCheckableModelHelper::toggleMakesPartiallyCheckedChecked()
{
    item("G1")->setCheckState(Qt::Checked);
    QCOMPARE(state("C1"), Qt::PartiallyChecked);
    m_helper->toggleCheckState(item("C1")->index());
    QCOMPARE(state("C1"), Qt::Checked);
    QCOMPARE(state("G2"), Qt::Checked);
    m_helper->toggleCheckState(item("C1")->index());
    QCOMPARE(state("C1"), Qt::Unchecked);
    QCOMPARE(state("G1"), Qt::Unchecked);
}

void TestQCheckableModelHelper::appendedRowsGetDefaultState_data()
{
    QTest::addColumn<int>("defaultState");
    QTest::addColumn<int>("header");
    QTest::newRow("unchecked rows among checked ones") << int(Qt::Unchecked) << int(Qt::PartiallyChecked);
    QTest::newRow("checked rows among checked ones") << int(Qt::Checked) << int(Qt::Checked);
}

void TestQCheckableModelHelper::appendedRowsGetDefaultState()
{
    QFETCH(int, defaultState);
    QFETCH(int, header);

    m_helper->setHeaderCheckState(0, Qt::Checked);
    m_helper->setDefaultCheckState(static_cast<Qt::CheckState>(defaultState));
    m_model->appendRow(new QStandardItem(QStringLiteral("P3")));
    QVERIFY(item("P3")->isCheckable());
    QCOMPARE(int(state("P3")), defaultState);
    QCOMPARE(int(headerState()), header);

    // A row that already has a state keeps it.
    auto* given = new QStandardItem(QStringLiteral("P4"));
    given->setCheckState(Qt::Checked);
    m_model->appendRow(given);
    QCOMPARE(state("P4"), Qt::Checked);
}

void TestQCheckableModelHelper::modelDestroyedWhileHeld()
{
    m_helper->setDefaultCheckState(Qt::PartiallyChecked);
    const QPersistentModelIndex p1 = item("P1")->index();
    delete m_model;
    m_model = nullptr;

    QCOMPARE(m_helper->model(), nullptr);
    QCOMPARE(m_helper->checkState(p1), Qt::PartiallyChecked);
    QCOMPARE(m_helper->headerCheckState(0), Qt::PartiallyChecked);
    m_helper->setCheckState(p1, Qt::Checked);
    m_helper->toggleHeaderCheckState(0);
    m_helper->updateHeadersFromItems();
    m_helper->setPropagateDepth(0);
    m_helper->setForceCheckability(false);

    QStandardItemModel other(1, 1);
    other.setItem(0, 0, new QStandardItem(QStringLiteral("x")));
    m_helper->setForceCheckability(true);
    m_helper->setPropagateDepth(-1);
    m_helper->setDefaultCheckState(Qt::Unchecked);
    m_helper->setModel(&other);
    QCOMPARE(m_helper->checkState(other.index(0, 0)), Qt::Unchecked);
    m_helper->setHeaderCheckState(0, Qt::Checked);
    QCOMPARE(m_helper->checkState(other.index(0, 0)), Qt::Checked);
    m_helper->setModel(nullptr);
}

QTEST_MAIN(TestQCheckableModelHelper)
#include "test_qcheckablemodelhelper.moc"
