#include "QCheckableComboBox.h"
#include "QCheckableModelHelper.h"

#include <QAbstractItemView>
#include <QStandardItemModel>
#include <QtTest>

namespace {
QStringList g_warnings;

void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg)
        g_warnings.append(message);
}
} // namespace

class TestQCheckableComboBox : public QObject
{
    Q_OBJECT

private slots:
    void summaryFollowsChecks_data();
    void summaryFollowsChecks();
    void partiallyCheckedDoesNotHideAll();
    void emptyModelShowsAll();
    void longSummaryIsElided();
    void checkedSignalCountsChanges();
    void removingCheckedItemIsReported();
    void clickTogglesAndKeepsListOpen();
    void popupContainerIsTransparentWithShadow();

private:
    static void addThree(QCheckableComboBox& box);
};

void TestQCheckableComboBox::addThree(QCheckableComboBox& box)
{
    box.addItem(QStringLiteral("congestion"));
    box.addItem(QStringLiteral("parking"));
    box.addItem(QStringLiteral("fire"));
}

void TestQCheckableComboBox::summaryFollowsChecks_data()
{
    QTest::addColumn<QVector<int>>("checked");
    QTest::addColumn<QString>("summary");

    QTest::newRow("none") << QVector<int>{} << "None";
    QTest::newRow("one") << QVector<int>{1} << "parking";
    QTest::newRow("two") << QVector<int>{0, 2} << "congestion;fire";
    QTest::newRow("all") << QVector<int>{0, 1, 2} << "All";
}

void TestQCheckableComboBox::summaryFollowsChecks()
{
    QFETCH(QVector<int>, checked);
    QFETCH(QString, summary);

    QCheckableComboBox box;
    box.resize(400, 30);
    addThree(box);
    for (int row : checked)
        box.setCheckState(box.model()->index(row, 0), Qt::Checked);
    QCOMPARE(box.summaryText(), summary);
    QCOMPARE(box.checkedIndexes().size(), checked.size());
    QCOMPARE(box.noneChecked(), checked.isEmpty());
    QCOMPARE(box.allChecked(), checked.size() == 3);
}

void TestQCheckableComboBox::partiallyCheckedDoesNotHideAll()
{
    QCheckableComboBox box;
    addThree(box);
    box.checkableModelHelper()->setHeaderCheckState(0, Qt::Checked);
    QCOMPARE(box.summaryText(), QStringLiteral("All"));
    box.model()->setData(box.model()->index(1, 0), Qt::PartiallyChecked, Qt::CheckStateRole);
    QVERIFY(box.allChecked());
    QCOMPARE(box.summaryText(), QStringLiteral("All"));
    box.setCheckState(box.model()->index(2, 0), Qt::Unchecked);
    QVERIFY(!box.allChecked());
    QCOMPARE(box.summaryText(), QStringLiteral("congestion"));
}

void TestQCheckableComboBox::emptyModelShowsAll()
{
    QCheckableComboBox box;
    QCOMPARE(box.summaryText(), QStringLiteral("All"));
}

void TestQCheckableComboBox::longSummaryIsElided()
{
    QCheckableComboBox box;
    box.resize(80, 30);
    addThree(box);
    box.setCheckState(box.model()->index(0, 0), Qt::Checked);
    box.setCheckState(box.model()->index(1, 0), Qt::Checked);
    const QString summary = box.summaryText();
    QVERIFY2(summary.endsWith(QChar(0x2026)), qPrintable(summary));
    QVERIFY(box.fontMetrics().horizontalAdvance(summary) <= box.width());
}

void TestQCheckableComboBox::checkedSignalCountsChanges()
{
    QCheckableComboBox box;
    addThree(box);
    QSignalSpy changed(&box, &QCheckableComboBox::checkedIndexesChanged);

    box.setCheckState(box.model()->index(0, 0), Qt::Checked);
    QCOMPARE(changed.count(), 1);
    box.model()->setData(box.model()->index(0, 0), QStringLiteral("jam"), Qt::DisplayRole);
    box.setCheckState(box.model()->index(0, 0), Qt::Checked);
    QCOMPARE(changed.count(), 1);
    box.setCheckState(box.model()->index(2, 0), Qt::Checked);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(box.summaryText(), QStringLiteral("jam;fire"));
}

void TestQCheckableComboBox::removingCheckedItemIsReported()
{
    QCheckableComboBox box;
    addThree(box);
    box.setCheckState(box.model()->index(1, 0), Qt::Checked);
    QSignalSpy changed(&box, &QCheckableComboBox::checkedIndexesChanged);
    box.removeItem(1);
    QCOMPARE(changed.count(), 1);
    QVERIFY(box.noneChecked());
}

void TestQCheckableComboBox::clickTogglesAndKeepsListOpen()
{
    QCheckableComboBox box;
    box.resize(200, 30);
    addThree(box);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.showPopup();
    QAbstractItemView* view = box.view();
    QTRY_VERIFY(view->isVisible());

    const QModelIndex fire = box.model()->index(2, 0);
    const QPoint centre = view->visualRect(fire).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(box.checkState(fire), Qt::Checked);
    QCOMPARE(box.currentIndex(), 2);
    QVERIFY(view->isVisible());

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(box.checkState(fire), Qt::Unchecked);
    QVERIFY(view->isVisible());
    box.hidePopup();
}

void TestQCheckableComboBox::popupContainerIsTransparentWithShadow()
{
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordWarning);
    QStyledComboBox box;
    box.resize(200, 30);
    box.addItems({QStringLiteral("a"), QStringLiteral("b")});
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.showPopup();
    QWidget* container = box.view()->parentWidget();
    QTRY_VERIFY(container->isVisible());
    const QImage image = container->grab().toImage();
    box.hidePopup();
    qInstallMessageHandler(previous);

    for (const QString& warning : qAsConst(g_warnings))
        QVERIFY2(!warning.contains(QLatin1String("stylesheet")), qPrintable(warning));
    // The outermost shadow ring is a faint grey over a transparent background.
    const QColor corner = image.pixelColor(0, image.height() / 2);
    QVERIFY2(corner.alpha() < 128, qPrintable(QString::number(corner.alpha())));
    QVERIFY(container->width() >= box.width() + 10);
}

QTEST_MAIN(TestQCheckableComboBox)
#include "test_qcheckablecombobox.moc"
